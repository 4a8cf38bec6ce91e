#include "mainwindow/keyhold.h"

static const int kLongMs = 1000;

KeyHold::KeyHold(Clock clock)
    : m_clock(std::move(clock))
{
}

void KeyHold::press()
{
    m_pressed = m_clock();
}

bool KeyHold::isLong() const
{
    if (m_pressed.isNull())
        return false;
    int ms = m_pressed.msecsTo(m_clock());
    if (ms < 0)  // pressed before midnight
        ms += 24 * 60 * 60 * 1000;
    return ms > kLongMs;
}
