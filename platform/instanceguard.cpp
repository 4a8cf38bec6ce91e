#include "platform/instanceguard.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

static QString runtimeDir()
{
    const QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!dir.isEmpty() && QDir(dir).exists())
        return dir;
    return QDir::tempPath();
}

InstanceGuard::InstanceGuard(const QString &name)
    : m_path(runtimeDir() + QLatin1Char('/') + name + QLatin1Char('-')
             + QString::number(getuid()) + QStringLiteral(".lock"))
{
}

InstanceGuard::~InstanceGuard()
{
    release();
}

InstanceGuard::Result InstanceGuard::acquire()
{
    if (m_fd >= 0)
        return Result::Acquired;
    const QByteArray path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Unavailable;
    }
    m_fd = fd;
    return Result::Acquired;
}

void InstanceGuard::release()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
