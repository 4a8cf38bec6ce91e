#ifndef NUVOXA_PLATFORM_NOTIFICATIONS_H
#define NUVOXA_PLATFORM_NOTIFICATIONS_H

#include <QString>

// Desktop notifications through the session's notification server
// (org.freedesktop.Notifications). Windows go through instance(), so tests
// can put a recording implementation in its place.
class Notifications
{
public:
    virtual ~Notifications() = default;

    // Nothing when there is no server; none is started for it.
    virtual void show(const QString &summary, const QString &body);

    static Notifications &instance();
    // Replaces the instance (not owned); nullptr restores the real one.
    static void setInstance(Notifications *notifications);
};

#endif
