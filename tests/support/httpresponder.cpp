#include "httpresponder.h"

#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

void TlsCapableServer::incomingConnection(qintptr descriptor)
{
    if (chain.isEmpty())
        return QTcpServer::incomingConnection(descriptor);
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setLocalCertificateChain(chain);
    socket->setPrivateKey(key);
    addPendingConnection(socket);
    socket->startServerEncryption();
}

HttpResponder::HttpResponder(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpResponder::accept);
}

HttpResponder::~HttpResponder()
{
    m_server.close();
}

bool HttpResponder::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

bool HttpResponder::listenTls(const QString &certFile, const QString &keyFile)
{
    QFile keyText(keyFile);
    if (!keyText.open(QIODevice::ReadOnly))
        return false;
    m_server.key = QSslKey(keyText.readAll(), QSsl::Ec);
    m_server.chain = QSslCertificate::fromPath(certFile, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    return !m_server.key.isNull() && !m_server.chain.isEmpty() && listen();
}

quint16 HttpResponder::port() const
{
    return m_server.serverPort();
}

QString HttpResponder::hostPort() const
{
    const QString host = QStringLiteral("127.0.0.1:%1").arg(port());
    return m_server.chain.isEmpty() ? host : QStringLiteral("https://") + host;
}

void HttpResponder::respond(const QByteArray &path, const QByteArray &body, int status,
                            int delayMs)
{
    Script script;
    script.body = body;
    script.status = status;
    script.delayMs = delayMs;
    m_scripts.insert(path, script);
}

void HttpResponder::stall(const QByteArray &path)
{
    Script script;
    script.kind = Kind::Stall;
    m_scripts.insert(path, script);
}

void HttpResponder::drop(const QByteArray &path)
{
    Script script;
    script.kind = Kind::Drop;
    m_scripts.insert(path, script);
}

QList<HttpResponder::Request> HttpResponder::requestsTo(const QByteArray &path) const
{
    QList<Request> out;
    for (const Request &request : m_requests) {
        if (request.path == path)
            out.append(request);
    }
    return out;
}

void HttpResponder::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_pending.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpResponder::readRequest(QTcpSocket *socket)
{
    auto pending = m_pending.find(socket);
    if (pending == m_pending.end())
        return;
    pending.value() += socket->readAll();
    if (!pending.value().contains("\r\n\r\n"))
        return;
    const QByteArray head = pending.value();
    m_pending.erase(pending);

    // "GET /path?query HTTP/1.1"; a proxy-style absolute target is cut to its path.
    const QList<QByteArray> parts = head.left(head.indexOf("\r\n")).split(' ');
    Request request;
    request.method = parts.value(0);
    QByteArray target = parts.value(1);
    if (target.startsWith("http://")) {
        const int slash = target.indexOf('/', 7);
        target = slash >= 0 ? target.mid(slash) : QByteArray("/");
    }
    const int question = target.indexOf('?');
    request.path = question >= 0 ? target.left(question) : target;
    request.query = question >= 0 ? target.mid(question + 1) : QByteArray();
    m_requests.append(request);

    Script script;
    script.status = 404;
    script = m_scripts.value(request.path, script);
    switch (script.kind) {
    case Kind::Stall:
        return;
    case Kind::Drop:
        socket->abort();
        return;
    case Kind::Answer:
        break;
    }
    if (script.delayMs <= 0) {
        answer(socket, script);
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(script.delayMs, this, [this, guarded, script] {
        if (guarded)
            answer(guarded, script);
    });
}

void HttpResponder::answer(QTcpSocket *socket, const Script &script)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(script.status)
                          + (script.status == 200 ? " OK" : " Error") + "\r\n";
    response += "Content-Type: text/plain; charset=utf-8\r\n";
    response += "Content-Length: " + QByteArray::number(script.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += script.body;
    socket->write(response);
    socket->disconnectFromHost();
}
