#include "platform/numberchannel.h"

#include "platform/instanceguard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool peerIsThisUser(qintptr fd)
{
    struct ucred peer = {};
    socklen_t size = sizeof(peer);
    return fd >= 0 && ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
           && size == sizeof(peer) && peer.uid == ::getuid();
}

enum class SocketFile { Missing, Ours, Refused };

// A link, a file that is no socket, or a socket of another user is never
// connected to: the number would go to whoever put it there.
SocketFile checkSocketFile(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return SocketFile::Missing;
    return S_ISSOCK(st.st_mode) && st.st_uid == ::getuid() ? SocketFile::Ours : SocketFile::Refused;
}

}  // namespace

QString NumberChannel::socketPath()
{
    const QString folder = InstanceGuard::folder();
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/Nuvoxa-") + QString::number(::getuid()) + QStringLiteral(".sock");
}

NumberChannel::NumberChannel(QObject *parent)
    : QObject(parent)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &NumberChannel::accept);
}

NumberChannel::~NumberChannel()
{
    m_server.close();
}

bool NumberChannel::listen()
{
    const QString path = socketPath();
    if (path.isEmpty())
        return false;
    QLocalServer::removeServer(path);
    return m_server.listen(path);
}

void NumberChannel::accept()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        const int open = m_server.findChildren<QLocalSocket *>(QString(), Qt::FindDirectChildrenOnly).size();
        if (open > MaxConnections || !peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            delete socket;
            continue;
        }
        // A full buffer without a line end is too long a line.
        socket->setReadBufferSize(MaxLine + 1);
        auto drop = [socket] {
            socket->abort();
            socket->deleteLater();
        };
        QTimer::singleShot(ConnectionTimeoutMs, socket, drop);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, drop] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxLine)
                    drop();
                return;
            }
            QByteArray line = socket->readLine(MaxLine + 2);
            if (!line.endsWith('\n')) {
                drop();
                return;
            }
            line.chop(1);
            socket->write("OK\n");
            socket->disconnectFromServer();
            emit received(QString::fromUtf8(line.constData(), line.size()));
        });
    }
}

bool NumberChannel::send(const QString &text, int timeoutMs)
{
    const QString path = socketPath();
    if (path.isEmpty())
        return false;
    QByteArray line = text.toUtf8();
    if (line.size() > MaxLine || line.contains('\n'))
        return false;
    line.append('\n');

    QElapsedTimer clock;
    clock.start();
    auto remaining = [&clock, timeoutMs] { return qMax(0, timeoutMs - int(clock.elapsed())); };
    for (;;) {
        const SocketFile file = checkSocketFile(path);
        if (file == SocketFile::Refused)
            return false;
        if (file == SocketFile::Ours) {
            QLocalSocket socket;
            socket.connectToServer(path);
            if (socket.waitForConnected(remaining())) {
                // The socket file may have changed hands since it was looked at.
                if (!peerIsThisUser(socket.socketDescriptor()))
                    return false;
                socket.write(line);
                if (!socket.waitForBytesWritten(remaining()))
                    return false;
                QByteArray answer;
                while (!answer.contains('\n') && answer.size() < 8) {
                    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(remaining()))
                        break;
                    answer += socket.read(8 - answer.size());
                }
                return answer == "OK\n";
            }
        }
        // The running copy may not listen yet.
        if (remaining() <= 0)
            return false;
        QThread::msleep(quint64(qMin(100, remaining())));
    }
}
