#include "updatekey.h"

#include <QCryptographicHash>

TestUpdateKey::TestUpdateKey()
    : m_key(nuvoxa::signing::generate())
{
    qputenv("NUVOXA_UPDATE_PUBKEY", publicKey().toLatin1());
}

QString TestUpdateKey::publicKey() const
{
    return QString::fromStdString(nuvoxa::signing::publicKeyLine(m_key));
}

QByteArray TestUpdateKey::sign(const QByteArray &manifest, qint64 signedAt) const
{
    return QByteArray::fromStdString(
        nuvoxa::signing::sign(m_key, manifest.toStdString(), signedAt, "onlieUpdate.xml"));
}

QByteArray TestUpdateKey::manifest(const QByteArray &version, const Files &files)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update ver=\"" + version + "\" AllDown=\"0\">\n";
    for (const auto &file : files)
        xml += "  <file sha256=\"" + QCryptographicHash::hash(file.second, QCryptographicHash::Sha256).toHex()
               + "\" size=\"" + QByteArray::number(file.second.size()) + "\">" + file.first + "</file>\n";
    return xml + "</update>\n";
}
