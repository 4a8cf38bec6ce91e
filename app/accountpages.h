#ifndef NUVOXA_APP_ACCOUNTPAGES_H
#define NUVOXA_APP_ACCOUNTPAGES_H

#include <QString>
#include <QUrl>

// The service's account web pages for the logged-in account. The token
// (core/accounttoken.h) is built anew for every use; nothing is cached.
namespace AccountPages {

QString token();
// Web host base + path + token ("/pay_list?v=" + token ...).
QUrl withToken(const QString &pathAndKey);
// Web host base + path, no token.
QUrl plain(const QString &path);
// Opens the page in the desktop's browser (with its fallbacks).
void open(const QUrl &url);

}  // namespace AccountPages

#endif
