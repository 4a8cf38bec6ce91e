#ifndef NUVOXA_CORE_UPDATESIGNATURE_H
#define NUVOXA_CORE_UPDATESIGNATURE_H

#include <QByteArray>
#include <QString>

// Detached Ed25519 signatures in minisign's format, so an operator signs the
// update manifest with the stock tool:
//   minisign -S -s KEY -m onlieUpdate.xml
// Both of its algorithms are accepted: "ED" (the default, over the file's
// BLAKE2b-512 hash) and "Ed" (over the file itself). The trusted comment is
// signed too; its "timestamp:N" field is the signing time.
namespace UpdateSignature {

struct Result
{
    bool ok = false;
    qint64 signedAt = -1;  // seconds since the epoch; -1 when the comment has none
    QString error;         // why not, for logs and messages
};

// The trusted public key: NUVOXA_UPDATE_PUBKEY from the environment, else the
// build's. Either is minisign's public key line (base64), or a whole .pub
// file. Empty when the build has none.
QString trustedKey();

// Checks `signature` (the text of a .minisig file) over `message` with
// `publicKey` (a key line or .pub text). Every byte is treated as hostile.
Result verify(const QByteArray &message, const QByteArray &signature, const QString &publicKey);

// Largest signature file worth reading.
constexpr int MaxSignatureBytes = 4096;

}  // namespace UpdateSignature

#endif
