#include "widgets/focusmarker.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QFocusFrame>
#include <QPointer>
#include <QToolButton>

namespace {

// The frame lives in the focused control's window and dies with it.
QPointer<QFocusFrame> g_frame;

bool hidesItsFocus(const QWidget *widget)
{
    return qobject_cast<const QToolButton *>(widget) || qobject_cast<const QAbstractSlider *>(widget);
}

void follow(QWidget *now)
{
    const bool byKeyboard = now && now->window()->testAttribute(Qt::WA_KeyboardFocusChange);
    if (!byKeyboard || !hidesItsFocus(now)) {
        if (g_frame)
            g_frame->setWidget(nullptr);
        return;
    }
    if (!g_frame) {
        g_frame = new QFocusFrame(now);
        // The skin's style sheet draws the ring by this name.
        g_frame->setObjectName(QStringLiteral("focusRing"));
    }
    g_frame->setWidget(now);
}

}  // namespace

void FocusMarker::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QObject::connect(qApp, &QApplication::focusChanged, qApp,
                     [](QWidget *, QWidget *now) { follow(now); });
}
