#include "core/updatesignature.h"

#include <QList>
#include <QRegularExpression>

#include <sodium.h>

namespace UpdateSignature {

namespace {

constexpr int kKeyIdBytes = 8;
constexpr int kAlgBytes = 2;

// The one line of a key or signature that is not a comment, decoded.
QByteArray decodedLine(const QByteArray &line)
{
    return QByteArray::fromBase64(line.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
}

QByteArray keyLine(const QString &text)
{
    const QList<QByteArray> lines = text.toLatin1().split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith("untrusted comment:"))
            return t;
    }
    return QByteArray();
}

bool edVerify(const QByteArray &signature, const QByteArray &message, const QByteArray &key)
{
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature.constData()),
                                       reinterpret_cast<const unsigned char *>(message.constData()),
                                       quint64(message.size()),
                                       reinterpret_cast<const unsigned char *>(key.constData()))
           == 0;
}

Result failed(const QString &why)
{
    Result r;
    r.error = why;
    return r;
}

}  // namespace

QString trustedKey()
{
    const QString fromEnvironment = qEnvironmentVariable("NUVOXA_UPDATE_PUBKEY").trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef NUVOXA_DEFAULT_UPDATE_PUBKEY
    return QStringLiteral(NUVOXA_DEFAULT_UPDATE_PUBKEY).trimmed();
#else
    return QString();
#endif
}

Result verify(const QByteArray &message, const QByteArray &signature, const QString &publicKey)
{
    if (sodium_init() < 0)
        return failed(QStringLiteral("no signature library"));
    const QByteArray key = decodedLine(keyLine(publicKey));
    if (key.size() != kAlgBytes + kKeyIdBytes + int(crypto_sign_PUBLICKEYBYTES) || !key.startsWith("Ed"))
        return failed(QStringLiteral("no usable public key"));
    const QByteArray keyId = key.mid(kAlgBytes, kKeyIdBytes);
    const QByteArray edKey = key.mid(kAlgBytes + kKeyIdBytes);

    if (signature.size() > MaxSignatureBytes)
        return failed(QStringLiteral("signature file too large"));
    const QList<QByteArray> lines = signature.split('\n');
    if (lines.size() < 4 || !lines.at(0).startsWith("untrusted comment:"))
        return failed(QStringLiteral("not a signature file"));
    const QByteArray sig = decodedLine(lines.at(1));
    static const QByteArray kTrusted = "trusted comment: ";
    QByteArray comment = lines.at(2);
    if (comment.endsWith('\r'))
        comment.chop(1);
    const QByteArray global = decodedLine(lines.at(3));
    if (sig.size() != kAlgBytes + kKeyIdBytes + int(crypto_sign_BYTES) || !comment.startsWith(kTrusted)
        || global.size() != int(crypto_sign_BYTES))
        return failed(QStringLiteral("not a signature file"));
    if (sig.mid(kAlgBytes, kKeyIdBytes) != keyId)
        return failed(QStringLiteral("signed with another key"));

    const QByteArray alg = sig.left(kAlgBytes);
    QByteArray signedBytes;
    if (alg == "ED") {
        signedBytes.resize(crypto_generichash_BYTES_MAX);
        crypto_generichash(reinterpret_cast<unsigned char *>(signedBytes.data()), size_t(signedBytes.size()),
                           reinterpret_cast<const unsigned char *>(message.constData()), quint64(message.size()),
                           nullptr, 0);
    } else if (alg == "Ed") {
        signedBytes = message;
    } else {
        return failed(QStringLiteral("unknown signature algorithm"));
    }
    const QByteArray edSig = sig.mid(kAlgBytes + kKeyIdBytes);
    if (!edVerify(edSig, signedBytes, edKey))
        return failed(QStringLiteral("bad signature"));
    const QByteArray trusted = comment.mid(kTrusted.size());
    if (!edVerify(global, edSig + trusted, edKey))
        return failed(QStringLiteral("bad signature of the trusted comment"));

    Result r;
    r.ok = true;
    static const QRegularExpression timestamp(QStringLiteral("(?:^|\\t)timestamp:([0-9]{1,12})(?:\\t|$)"));
    const QRegularExpressionMatch m = timestamp.match(QString::fromUtf8(trusted));
    if (m.hasMatch())
        r.signedAt = m.captured(1).toLongLong();
    return r;
}

}  // namespace UpdateSignature
