#include "platform/desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

static Desktop *s_override = nullptr;

Desktop &Desktop::instance()
{
    static Desktop real;
    return s_override ? *s_override : real;
}

void Desktop::setInstance(Desktop *desktop)
{
    s_override = desktop;
}

bool Desktop::openUrl(const QUrl &url)
{
    if (QDesktopServices::openUrl(url))
        return true;
    const QString text = url.toString(QUrl::FullyEncoded);
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {text}))
        return true;
    // $BROWSER may list several commands separated by ':'.
    const QStringList browsers =
        qEnvironmentVariable("BROWSER").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &browser : browsers) {
        if (QProcess::startDetached(browser.trimmed(), {text}))
            return true;
    }
    return false;
}

bool Desktop::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

namespace Autostart {

QString entryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/nuvoxa.desktop");
}

bool exists()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // Only the main group counts; other groups (actions) may carry their own keys.
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == QLatin1String("Hidden")
            && line.mid(eq + 1).trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

// Exec= quoting of the freedesktop desktop entry format: reserved characters force
// double quotes, inside which ", `, $ and \ are escaped.
static QString quoteExec(const QString &path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (const QChar c : path)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString escaped = path;
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (!needsQuotes)
        return escaped;
    QString quoted;
    for (const QChar c : escaped) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // The desktop entry format escapes backslashes once more in string values.
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool write(const QString &programPath)
{
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << QString::fromUtf8("NuvoxaPC版安装程序") << "\n"
        << "Exec=" << quoteExec(programPath) << "\n"
        << "Icon=nuvoxa\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    return file.commit();
}

bool remove()
{
    QFile file(entryPath());
    return !file.exists() || file.remove();
}

}  // namespace Autostart

namespace Platform {

QString osKind()
{
    return QStringLiteral("Linux");
}

}  // namespace Platform
