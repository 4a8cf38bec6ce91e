#include "app/numberinbox.h"

NumberInbox &NumberInbox::instance()
{
    static NumberInbox inbox;
    return inbox;
}

void NumberInbox::put(const QString &number)
{
    m_number = number;
    emit arrived();
}

QString NumberInbox::take()
{
    QString number;
    number.swap(m_number);
    return number;
}
