#include "core/servicehttp.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

ServiceHttp::ServiceHttp(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(DefaultTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &ServiceHttp::timedOut);
}

ServiceHttp::~ServiceHttp()
{
    dropReply();
}

void ServiceHttp::get(const QUrl &url)
{
    dropReply();
    m_body.clear();
    m_timedOut = false;
    QNetworkRequest request(url);
    // The service answers small texts; a cached or redirected answer would
    // hide what the service said.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::finished, this, &ServiceHttp::finish);
    m_timer.start();
}

QByteArray ServiceHttp::readAll()
{
    QByteArray body;
    body.swap(m_body);
    return body;
}

// A broken transfer, as opposed to an HTTP error status that came with a
// body: that one is the server's answer and its body decides.
static bool failedTransfer(QNetworkReply *reply)
{
    const QNetworkReply::NetworkError code = reply->error();
    if (code == QNetworkReply::NoError)
        return false;
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return true;
    const bool statusError = (code >= QNetworkReply::ContentAccessDenied
                              && code <= QNetworkReply::UnknownContentError)
                             || code == QNetworkReply::ProtocolInvalidOperationError
                             || (code >= QNetworkReply::InternalServerError
                                 && code <= QNetworkReply::UnknownServerError);
    return !statusError;
}

void ServiceHttp::finish()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    m_timer.stop();
    const bool error = m_timedOut || failedTransfer(reply);
    m_body = error ? QByteArray() : reply->readAll();
    reply->deleteLater();
    emit done(error);
}

void ServiceHttp::timedOut()
{
    if (!m_reply)
        return;
    m_timedOut = true;
    // abort() finishes the reply at once, which reports the failure.
    m_reply->abort();
}

void ServiceHttp::dropReply()
{
    m_timer.stop();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}
