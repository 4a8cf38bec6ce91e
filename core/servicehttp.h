#ifndef NUVOXA_CORE_SERVICEHTTP_H
#define NUVOXA_CORE_SERVICEHTTP_H

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// One GET at a time to the service's cloud host, reported by done(bool error)
// once per request; the body is then read with readAll(). An HTTP error
// status with a body is an answer like any other: only a failed transfer
// (no connection, reset, time limit) is an error.
class ServiceHttp : public QObject
{
    Q_OBJECT
public:
    // A request with no complete answer after this long counts as failed.
    static constexpr int DefaultTimeoutMs = 20000;

    explicit ServiceHttp(QObject *parent = nullptr);
    ~ServiceHttp() override;

    // Starts a GET; a request still running is dropped without done().
    void get(const QUrl &url);
    QByteArray readAll();

    void setTimeoutMs(int ms) { m_timer.setInterval(ms); }
    int timeoutMs() const { return m_timer.interval(); }

signals:
    void done(bool error);

private:
    void finish();
    void timedOut();
    void dropReply();

    QNetworkAccessManager *m_manager;
    QNetworkReply *m_reply = nullptr;
    QTimer m_timer;
    QByteArray m_body;
    bool m_timedOut = false;
};

#endif
