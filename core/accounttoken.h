#ifndef NUVOXA_CORE_ACCOUNTTOKEN_H
#define NUVOXA_CORE_ACCOUNTTOKEN_H

#include <QByteArray>
#include <QString>

// The service's account web pages recognise the user by a token in the
// query key `v`: Base64 of the account, "|" and the voice library's password
// text. Base64 uses only characters that a query keeps as they are.
namespace AccountToken {

QString make(const QString &account, const QByteArray &passwordText);

}  // namespace AccountToken

#endif
