#include "core/updatecheck.h"

#include "core/updatesignature.h"
#include "platform/paths.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QRegularExpression>

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
    static const QRegularExpression hex64(QStringLiteral("^[0-9a-f]{64}$"));
    for (QDomNode top = document.firstChild(); !top.isNull(); top = top.nextSibling()) {
        for (QDomNode child = top.firstChild(); !child.isNull(); child = child.nextSibling()) {
            if (!child.isElement())
                continue;
            const QDomElement element = child.toElement();
            FileEntry file;
            file.name = element.text();
            const QString sha = element.attribute(QStringLiteral("sha256"));
            if (hex64.match(sha).hasMatch())
                file.sha256 = sha.toLatin1();
            bool ok = false;
            const qint64 size = element.attribute(QStringLiteral("size")).toLongLong(&ok);
            if (ok && size >= 0)
                file.size = size;
            manifest.entries.append(file.name);
            manifest.files.append(file);
        }
    }
    return manifest;
}

Manifest parseSigned(const QByteArray &xml, const QByteArray &signature, QString *why)
{
    const QString key = UpdateSignature::trustedKey();
    QString error;
    if (key.isEmpty())
        error = QStringLiteral("this build trusts no update key");
    else if (xml.size() > MaxManifestBytes)
        error = QStringLiteral("manifest too large");
    Manifest manifest;
    if (error.isEmpty()) {
        const UpdateSignature::Result checked = UpdateSignature::verify(xml, signature, key);
        if (checked.ok) {
            manifest = parse(xml);
            manifest.signedAt = checked.signedAt;
            if (!manifest.valid)
                error = QStringLiteral("signed manifest is not XML");
        } else {
            error = checked.error;
        }
    }
    if (why)
        *why = error;
    return error.isEmpty() ? manifest : Manifest();
}

QString manifestPath()
{
    return QStringLiteral("/cloud/pc/onlieUpdate.xml");
}

QString signaturePath()
{
    return QStringLiteral("/cloud/pc/onlieUpdate.xml.minisig");
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

Offer offer(const Manifest &server)
{
    Offer result;
    const Manifest local = readLocal();
    if (!local.valid)
        return result;
    if (!differs(server.version, local.version)) {
        result.state = Offer::Current;
        return result;
    }
    result.state = Offer::Newer;
    result.files = remaining(server.entries, local.entries);
    return result;
}

QString updaterPath()
{
    return Paths::programFile(QStringLiteral("nuvoxa-update"));
}

QStringList updaterArguments(const QStringList &entries)
{
    // Entries follow "--", so none is ever taken for an option.
    return QStringList{QStringLiteral("--")} + entries;
}

}  // namespace UpdateCheck
