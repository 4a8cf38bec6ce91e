#ifndef NUVOXA_APP_NUMBERINBOX_H
#define NUVOXA_APP_NUMBERINBOX_H

#include <QObject>
#include <QString>

// The number a link or the command line brought, until the main window takes
// it: before the login there is no main window, so it waits here. Only
// numbers that passed NumberLink::dialable() are put in; a newer one
// replaces an older one not yet taken. Nothing here dials.
class NumberInbox : public QObject
{
    Q_OBJECT
public:
    static NumberInbox &instance();

    void put(const QString &number);
    // The waiting number (empty when none); the inbox is empty afterwards.
    QString take();

signals:
    void arrived();

private:
    NumberInbox() = default;
    QString m_number;
};

#endif
