#ifndef NUVOXA_MAINWINDOW_KEYHOLD_H
#define NUVOXA_MAINWINDOW_KEYHOLD_H

#include <QTime>

#include <functional>

// How long a dial-pad key is held: past a second the key takes its second
// meaning (0 gives +, delete clears the field). Measured by the time of day,
// so a press before midnight and a release after it still count.
class KeyHold
{
public:
    using Clock = std::function<QTime()>;

    explicit KeyHold(Clock clock = &QTime::currentTime);

    void press();
    // False before any press.
    bool isLong() const;

private:
    Clock m_clock;
    QTime m_pressed;
};

#endif
