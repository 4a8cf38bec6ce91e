#include "updater/installer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace Installer {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Installer", text);
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Permissions for a file that did not exist before.
mode_t newFileMode(const QString &path)
{
    QFile file(path);
    QByteArray head;
    if (file.open(QIODevice::ReadOnly))
        head = file.read(4);
    const bool program = head.startsWith("\x7f" "ELF") || head.startsWith("#!");
    return program ? 0755 : 0644;
}

struct Placed
{
    QString target;
    QString backup;  // empty when the file is new
};

}  // namespace

bool isSafeEntry(const QString &entry)
{
    // A leading "-" could be taken for an option by whatever handles the name.
    if (entry.isEmpty() || entry.startsWith(QLatin1Char('/')) || entry.startsWith(QLatin1Char('-'))
        || entry.contains(QLatin1String("..")))
        return false;
    for (const QChar c : entry) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    const QStringList segments = entry.split(QLatin1Char('/'));
    for (const QString &segment : segments) {
        if (segment.isEmpty() || segment == QLatin1String("."))
            return false;
    }
    return true;
}

bool reachesThroughLink(const QString &programDir, const QString &entry)
{
    QString path = programDir;
    for (const QString &segment : entry.split(QLatin1Char('/'))) {
        path += QLatin1Char('/') + segment;
        if (QFileInfo(path).isSymLink())
            return true;
    }
    return false;
}

bool install(const QString &programDir, const QString &stagingDir, const QStringList &files,
             QString *error)
{
    QList<Placed> placed;
    QStringList createdDirs;  // in creation order
    QString failure;

    for (const QString &file : files) {
        const QString source = stagingDir + QStringLiteral("/new/") + file;
        const QString target = programDir + QLatin1Char('/') + file;

        // Create missing parent folders one level at a time, so that exactly
        // those can be removed again.
        const QStringList segments = file.split(QLatin1Char('/'));
        QString dir = programDir;
        for (int i = 0; i + 1 < segments.size() && failure.isEmpty(); ++i) {
            dir += QLatin1Char('/') + segments.at(i);
            const QFileInfo info(dir);
            if (info.isDir())
                continue;
            if (info.exists() || info.isSymLink() || ::mkdir(native(dir).constData(), 0755) != 0)
                failure = tr("无法创建文件夹 %1").arg(dir);
            else
                createdDirs.append(dir);
        }
        if (!failure.isEmpty())
            break;

        Placed step{target, QString()};
        struct stat old;
        if (::lstat(native(target).constData(), &old) == 0) {
            if (S_ISDIR(old.st_mode)) {
                failure = tr("%1 是一个文件夹").arg(target);
                break;
            }
            step.backup = stagingDir + QStringLiteral("/old/") + file;
            QDir().mkpath(QFileInfo(step.backup).absolutePath());
            // A second name for the old file keeps it until the new one is in.
            if (::link(native(target).constData(), native(step.backup).constData()) != 0) {
                failure = tr("无法备份 %1：%2").arg(target, systemError());
                break;
            }
            ::chmod(native(source).constData(), S_ISREG(old.st_mode) ? (old.st_mode & 07777) : 0644);
        } else {
            ::chmod(native(source).constData(), newFileMode(source));
        }
        if (std::rename(native(source).constData(), native(target).constData()) != 0) {
            failure = tr("无法替换 %1：%2").arg(target, systemError());
            if (!step.backup.isEmpty())
                ::unlink(native(step.backup).constData());
            break;
        }
        placed.append(step);
    }

    if (failure.isEmpty())
        return true;

    for (int i = placed.size() - 1; i >= 0; --i) {
        const Placed &step = placed.at(i);
        if (step.backup.isEmpty())
            ::unlink(native(step.target).constData());
        else
            std::rename(native(step.backup).constData(), native(step.target).constData());
    }
    for (int i = createdDirs.size() - 1; i >= 0; --i)
        ::rmdir(native(createdDirs.at(i)).constData());
    if (error)
        *error = failure;
    return false;
}

}  // namespace Installer
