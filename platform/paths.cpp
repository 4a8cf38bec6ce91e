#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Paths {

QString programDir()
{
    return QCoreApplication::applicationDirPath();
}

QString dataDir()
{
    const QString overridden = qEnvironmentVariable("NUVOXA_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(QDir(overridden).absolutePath());
    if (QFileInfo::exists(programFile(QStringLiteral("portable"))))
        return programDir();
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/nuvoxa");
}

QString settingsDir()
{
    return dataDir() + QStringLiteral("/Nuvoxa");
}

QString tempDir()
{
    return dataDir() + QStringLiteral("/temp");
}

QString programFile(const QString &name)
{
    return programDir() + QLatin1Char('/') + name;
}

}  // namespace Paths
