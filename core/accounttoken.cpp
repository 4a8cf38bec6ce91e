#include "core/accounttoken.h"

namespace AccountToken {

QString make(const QString &account, const QByteArray &passwordText)
{
    return QString::fromLatin1((account.toUtf8() + '|' + passwordText).toBase64());
}

}  // namespace AccountToken
