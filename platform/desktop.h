#ifndef NUVOXA_PLATFORM_DESKTOP_H
#define NUVOXA_PLATFORM_DESKTOP_H

#include <QString>
#include <QStringList>
#include <QUrl>

// What the windows ask of the desktop: open a web page, start a program that
// outlives us. Windows go through Desktop::instance(), so tests can put a
// recording implementation in its place.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // The desktop's browser first; when the desktop cannot open it,
    // `xdg-open`, then `$BROWSER`.
    virtual bool openUrl(const QUrl &url);
    // Starts `program` detached, so it keeps running after we exit.
    virtual bool startDetached(const QString &program, const QStringList &arguments);

    static Desktop &instance();
    // Replaces the instance (not owned); nullptr restores the real one.
    static void setInstance(Desktop *desktop);
};

// Start with the desktop session: a per-user XDG autostart entry
// `$XDG_CONFIG_HOME/autostart/nuvoxa.desktop`.
namespace Autostart {

QString entryPath();
// The entry exists and is not disabled with Hidden=true.
bool exists();
// Writes the entry starting `programPath` (absolute). False on failure.
bool write(const QString &programPath);
bool remove();

}  // namespace Autostart

namespace Platform {

// A short name of the operating system; never "XP" here.
QString osKind();

}  // namespace Platform

#endif
