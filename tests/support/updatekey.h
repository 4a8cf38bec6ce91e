#ifndef NUVOXA_TESTS_UPDATEKEY_H
#define NUVOXA_TESTS_UPDATEKEY_H

#include "signing.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

// An update signing key of the test's own: made trusted for this process
// and its children (NUVOXA_UPDATE_PUBKEY), it signs manifests as the service
// does.
class TestUpdateKey
{
public:
    TestUpdateKey();

    QString publicKey() const;
    // The .minisig text for `manifest`, signed at `signedAt` (seconds).
    QByteArray sign(const QByteArray &manifest, qint64 signedAt = QDateTime::currentSecsSinceEpoch()) const;

    // A manifest of `version` whose entries declare the SHA-256 and size of
    // their contents.
    using Files = QList<QPair<QByteArray, QByteArray>>;
    static QByteArray manifest(const QByteArray &version, const Files &files);

private:
    nuvoxa::signing::KeyPair m_key;
};

#endif
