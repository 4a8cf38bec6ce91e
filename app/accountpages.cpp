#include "app/accountpages.h"

#include "app/globals.h"
#include "app/hosts.h"
#include "callsdk.h"
#include "platform/desktop.h"

#include <QDebug>

namespace AccountPages {

QString token()
{
    const char *pwd = getPwd();
    const QByteArray joined = g_account.toUtf8() + '|' + QByteArray(pwd ? pwd : "");
    return QString::fromLatin1(joined.toBase64());
}

QUrl withToken(const QString &pathAndKey)
{
    // Base64 uses only characters that a query keeps as they are.
    return QUrl(Hosts::webBase() + pathAndKey + token(), QUrl::StrictMode);
}

QUrl plain(const QString &path)
{
    return QUrl(Hosts::webBase() + path, QUrl::StrictMode);
}

void open(const QUrl &url)
{
    qDebug() << "open page" << url.toString();
    Desktop::instance().openUrl(url);
}

}  // namespace AccountPages
