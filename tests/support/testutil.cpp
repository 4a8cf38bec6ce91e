#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QWidget>

#include <sys/stat.h>

namespace TestUtil {

QString saveScreenshot(QWidget *widget, const QString &name)
{
    QString dir = qEnvironmentVariable("NUVOXA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir::currentPath() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

void clearDataDir()
{
    const QString dir = qEnvironmentVariable("NUVOXA_DATA_DIR");
    if (dir.isEmpty() || dir == QStringLiteral("/"))
        return;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
}

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

int fileMode(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

QString binFile(const QString &name)
{
    QString dir = qEnvironmentVariable("NUVOXA_BIN_DIR");
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return dir + QLatin1Char('/') + name;
}

}  // namespace TestUtil
