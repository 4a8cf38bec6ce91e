#include "widgets/skinstyle.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QWidget>

// The sheet lives in a static library: its resource is linked in only when
// named, and the name cannot be given inside a namespace.
static void initSkinResource()
{
    Q_INIT_RESOURCE(skin);
}

namespace SkinStyle {

void apply()
{
    initSkinResource();
    QFile sheet(QStringLiteral(":/skin/nuvoxa.qss"));
    if (!sheet.open(QIODevice::ReadOnly)) {
        qWarning("The skin's style sheet is missing from the program");
        return;
    }
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

void setState(QWidget *widget, const char *name, const QVariant &value)
{
    if (widget->property(name) == value)
        return;
    widget->setProperty(name, value);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

void keepWindowBrush(QWidget *widget)
{
    const QBrush brush = widget->window()->palette().brush(QPalette::Window);
    QList<QWidget *> widgets = widget->findChildren<QWidget *>();
    widgets.prepend(widget);
    for (QWidget *w : qAsConst(widgets)) {
        QPalette palette = w->palette();
        palette.setBrush(QPalette::Window, brush);
        w->setPalette(palette);
    }
}

}  // namespace SkinStyle
