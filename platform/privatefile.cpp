#include "platform/privatefile.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace PrivateFile {

// O_EXCL: an existing file, or a link planted in its place, is never
// opened.
static int openNew(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    return ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

bool create(const QString &path)
{
    const int fd = openNew(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool writeNew(const QString &path, const QByteArray &bytes)
{
    const int fd = openNew(path);
    if (fd < 0)
        return false;
    QFile file;
    const bool ok = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)
                    && file.write(bytes) == bytes.size() && file.flush() && ::fsync(fd) == 0;
    file.close();
    if (!ok)
        QFile::remove(path);
    return ok;
}

}  // namespace PrivateFile
