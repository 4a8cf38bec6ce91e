#include "platform/instanceguard.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// Only a folder no other user can write to may hold the lock: in a shared
// folder such as /tmp another local user could create or hold it first.
static bool ownFolder(const QString &dir)
{
    struct stat st;
    return !dir.isEmpty() && ::stat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode)
           && st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

QString InstanceGuard::folder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (ownFolder(runtime))
        return runtime;
    const QString data = Paths::dataDir();
    QDir().mkpath(data);
    return ownFolder(data) ? data : QString();
}

InstanceGuard::InstanceGuard(const QString &name)
{
    const QString folder = InstanceGuard::folder();
    if (!folder.isEmpty())
        m_path = folder + QLatin1Char('/') + name + QLatin1Char('-') + QString::number(::getuid())
                 + QStringLiteral(".lock");
}

InstanceGuard::~InstanceGuard()
{
    release();
}

InstanceGuard::Result InstanceGuard::acquire()
{
    if (m_fd >= 0)
        return Result::Acquired;
    if (m_path.isEmpty())
        return Result::Unavailable;
    const QByteArray path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::Unavailable;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        ::close(fd);
        return Result::Unavailable;
    }
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
