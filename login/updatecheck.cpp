#include "login/updatecheck.h"

#include "platform/desktop.h"
#include "platform/paths.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFile>

namespace UpdateCheck {

Manifest parse(const QByteArray &xml)
{
    Manifest manifest;
    const int nul = xml.indexOf('\0');
    const QByteArray text = nul >= 0 ? xml.left(nul) : xml;
    if (text.isEmpty())
        return manifest;
    QDomDocument document;
    if (!document.setContent(text))
        return manifest;
    manifest.valid = true;
    const QDomElement root = document.documentElement();
    manifest.version = root.attribute(QStringLiteral("ver"));
    manifest.allDown = root.attribute(QStringLiteral("AllDown"));
    for (QDomNode top = document.firstChild(); !top.isNull(); top = top.nextSibling()) {
        for (QDomNode child = top.firstChild(); !child.isNull(); child = child.nextSibling()) {
            if (child.isElement())
                manifest.entries.append(child.toElement().text());
        }
    }
    return manifest;
}

Manifest readLocal()
{
    QFile file(Paths::programFile(QStringLiteral("clientCheck.xml")));
    if (!file.open(QIODevice::ReadOnly))
        return Manifest();
    // A manifest is a few lines; anything larger is not ours.
    return parse(file.read(1 << 20));
}

QStringList remaining(QStringList server, const QStringList &local)
{
    for (const QString &entry : local) {
        const int at = server.indexOf(entry);
        if (at >= 0)
            server.removeAt(at);
    }
    return server;
}

bool differs(const QString &serverVersion, const QString &localVersion)
{
    return serverVersion != localVersion;
}

QString updaterPath()
{
    return Paths::programFile(QStringLiteral("nuvoxa-update"));
}

bool startUpdater(const QStringList &entries)
{
    return Desktop::instance().startDetached(updaterPath(), entries);
}

}  // namespace UpdateCheck
