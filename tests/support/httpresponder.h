#ifndef NUVOXA_TESTS_HTTPRESPONDER_H
#define NUVOXA_TESTS_HTTPRESPONDER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// Accepts plain connections, or TLS ones once given a certificate chain.
class TlsCapableServer : public QTcpServer
{
public:
    QList<QSslCertificate> chain;
    QSslKey key;

protected:
    void incomingConnection(qintptr descriptor) override;
};

// A scripted HTTP server on the loopback interface for widget tests. Each
// path gets an answer (body, status, delay), a stall (the connection stays
// open and silent) or a drop (closed without an answer); unknown paths get
// 404. Every request is recorded with its raw, still encoded query.
class HttpResponder : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray query;  // raw, as sent
    };

    explicit HttpResponder(QObject *parent = nullptr);
    ~HttpResponder() override;

    // Listens on 127.0.0.1 on a free port.
    bool listen();
    // The same over TLS, presenting the chain of certFile (PEM, server
    // certificate first) with keyFile.
    bool listenTls(const QString &certFile, const QString &keyFile);
    quint16 port() const;
    // "127.0.0.1:<port>" (plain) or "https://127.0.0.1:<port>", the forms the
    // client's host settings take.
    QString hostPort() const;

    void respond(const QByteArray &path, const QByteArray &body, int status = 200,
                 int delayMs = 0);
    void stall(const QByteArray &path);
    void drop(const QByteArray &path);

    QList<Request> requests() const { return m_requests; }
    QList<Request> requestsTo(const QByteArray &path) const;
    int countOf(const QByteArray &path) const { return requestsTo(path).size(); }
    void clearRequests() { m_requests.clear(); }

private:
    enum class Kind { Answer, Stall, Drop };
    struct Script
    {
        Kind kind = Kind::Answer;
        QByteArray body;
        int status = 200;
        int delayMs = 0;
    };

    void accept();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Script &script);

    TlsCapableServer m_server;
    QHash<QByteArray, Script> m_scripts;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<Request> m_requests;
};

#endif
