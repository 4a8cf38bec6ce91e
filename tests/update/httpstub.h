#ifndef NUVOXA_TESTS_HTTPSTUB_H
#define NUVOXA_TESTS_HTTPSTUB_H

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QPair>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny HTTP/1.1 server on loopback for the update tests: fixed answers by
// path, 404 for anything else, one request per connection. It runs on the
// test's own event loop.
class HttpStub
{
public:
    HttpStub()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    // "127.0.0.1:port", the form of NUVOXA_CLOUD_HOST.
    QByteArray host() const { return "127.0.0.1:" + QByteArray::number(m_server.serverPort()); }

    void set(const QByteArray &path, const QByteArray &body, int status = 200)
    {
        m_answers[path] = qMakePair(status, body);
    }
    void remove(const QByteArray &path) { m_answers.remove(path); }
    const QList<QByteArray> &requests() const { return m_requests; }
    int countOf(const QByteArray &path) const { return m_requests.count(path); }

private:
    void serve(QTcpSocket *socket)
    {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
            socket->setProperty("buffer", buffer);
            if (!buffer.contains("\r\n\r\n"))
                return;
            const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
            const QByteArray path = requestLine.value(1);
            m_requests.append(path);
            const auto answer = m_answers.value(path, qMakePair(404, QByteArray("not found")));
            const QByteArray reason = answer.first == 200 ? "OK" : "Not Found";
            socket->write("HTTP/1.1 " + QByteArray::number(answer.first) + ' ' + reason + "\r\n"
                          + "Content-Length: " + QByteArray::number(answer.second.size()) + "\r\n"
                          + "Connection: close\r\n\r\n" + answer.second);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QMap<QByteArray, QPair<int, QByteArray>> m_answers;
    QList<QByteArray> m_requests;
};

#endif
