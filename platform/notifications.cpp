#include "platform/notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

namespace {

Notifications *s_replacement = nullptr;

}  // namespace

void Notifications::show(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                       QStringLiteral("/org/freedesktop/Notifications"),
                                       QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    message.setAutoStartService(false);
    // The body is plain text to us, but servers may read markup in it.
    message << QStringLiteral("Nuvoxa") << 0u << QString() << summary << body.toHtmlEscaped() << QStringList()
            << QVariantMap() << -1;
    // Not waited for: a missing or slow server must not hold up a ringing call.
    bus.asyncCall(message);
}

Notifications &Notifications::instance()
{
    static Notifications real;
    return s_replacement ? *s_replacement : real;
}

void Notifications::setInstance(Notifications *notifications)
{
    s_replacement = notifications;
}
