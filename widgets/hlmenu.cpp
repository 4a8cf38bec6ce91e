#include "widgets/hlmenu.h"

#include <QHelpEvent>
#include <QToolTip>

HLMenu::HLMenu(QWidget *parent)
    : QMenu(parent)
{
}

bool HLMenu::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        QAction *action = actionAt(help->pos());
        if (action) {
            if (action->toolTip() != action->text()) {
                QToolTip::showText(help->globalPos(), action->toolTip(), this);
                return true;
            }
            QToolTip::hideText();
        }
    }
    return QMenu::event(event);
}

int MyMenu::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    if (metric == PM_SmallIconSize)
        return 22;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
