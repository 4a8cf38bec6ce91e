#include "core/updatefetch.h"

#include "core/hosts.h"
#include "core/updatesignature.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

UpdateFetch::UpdateFetch(QObject *parent)
    : QObject(parent)
    , m_http(new QNetworkAccessManager(this))
{
}

UpdateFetch::~UpdateFetch()
{
    abort();
}

void UpdateFetch::start()
{
    abort();
    m_manifest.clear();
    m_signature.clear();
    m_verified = UpdateCheck::Manifest();
    m_failure = Failure::None;
    m_detail.clear();
    m_signatureStage = false;
    fetch(UpdateCheck::manifestPath());
}

void UpdateFetch::abort()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void UpdateFetch::fetch(const QString &path)
{
    QNetworkRequest request(QUrl(Hosts::cloudBase() + path));
    request.setTransferTimeout(TransferTimeoutMs);
    m_reply = m_http->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateFetch::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateFetch::onFinished);
}

void UpdateFetch::onReadyRead()
{
    const QByteArray data = m_reply->readAll();
    if (!m_signatureStage) {
        m_manifest += data;
        if (m_manifest.size() > UpdateCheck::MaxManifestBytes)
            finish(Failure::ManifestInvalid);
    } else {
        m_signature += data;
        if (m_signature.size() > UpdateSignature::MaxSignatureBytes)
            finish(Failure::SignatureInvalid, QStringLiteral("too large"));
    }
}

void UpdateFetch::onFinished()
{
    onReadyRead();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        finish(Failure::Transfer, reply->error() != QNetworkReply::NoError ? reply->errorString()
                                                                          : QStringLiteral("HTTP %1").arg(status));
        return;
    }
    if (!m_signatureStage) {
        // Not worth a signature request.
        if (!UpdateCheck::parse(m_manifest).valid) {
            finish(Failure::ManifestInvalid);
            return;
        }
        m_signatureStage = true;
        fetch(UpdateCheck::signaturePath());
        return;
    }
    QString why;
    m_verified = UpdateCheck::parseSigned(m_manifest, m_signature, &why);
    if (!m_verified.valid) {
        finish(Failure::SignatureInvalid, why);
        return;
    }
    finish(Failure::None);
}

void UpdateFetch::finish(Failure failure, const QString &detail)
{
    abort();
    m_failure = failure;
    m_detail = detail;
    emit finished(failure == Failure::None);
}
