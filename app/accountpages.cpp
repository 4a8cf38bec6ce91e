#include "app/accountpages.h"

#include "app/globals.h"
#include "callsdk.h"
#include "core/accounttoken.h"
#include "core/hosts.h"
#include "platform/desktop.h"

#include <QDebug>

namespace AccountPages {

QString token()
{
    const char *pwd = getPwd();
    return AccountToken::make(g_account, QByteArray(pwd ? pwd : ""));
}

QUrl withToken(const QString &pathAndKey)
{
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
