#ifndef NUVOXA_CORE_UPDATEFETCH_H
#define NUVOXA_CORE_UPDATEFETCH_H

#include "core/updatecheck.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// The server's update manifest and its signature, fetched from the cloud
// host and verified against the trusted key: the one update query of the
// login window, the settings window and the update program. Every transfer
// that does not end in HTTP 200 is a failure, whatever its body: an error
// page is never a manifest. A body over its limit ends the transfer at once.
class UpdateFetch : public QObject
{
    Q_OBJECT
public:
    enum class Failure {
        None,
        Transfer,          // detail(): the transport's reason or "HTTP <status>"
        ManifestInvalid,   // not XML, or over UpdateCheck::MaxManifestBytes
        SignatureInvalid,  // detail(): why the signature was refused
    };

    // No byte for this long ends a transfer.
    static constexpr int TransferTimeoutMs = 30000;

    explicit UpdateFetch(QObject *parent = nullptr);
    ~UpdateFetch() override;

    // Starts the query; one still running is dropped without finished().
    void start();
    // Drops a running query without finished().
    void abort();
    bool isRunning() const { return m_reply != nullptr; }

    Failure failure() const { return m_failure; }
    QString detail() const { return m_detail; }
    // After success: the verified manifest and the bytes it was read from.
    const UpdateCheck::Manifest &manifest() const { return m_verified; }
    const QByteArray &manifestBytes() const { return m_manifest; }
    const QByteArray &signatureBytes() const { return m_signature; }

signals:
    void finished(bool ok);

private:
    void fetch(const QString &path);
    void onReadyRead();
    void onFinished();
    void finish(Failure failure, const QString &detail = QString());

    QNetworkAccessManager *m_http;
    QNetworkReply *m_reply = nullptr;
    bool m_signatureStage = false;
    QByteArray m_manifest;
    QByteArray m_signature;
    UpdateCheck::Manifest m_verified;
    Failure m_failure = Failure::None;
    QString m_detail;
};

#endif
