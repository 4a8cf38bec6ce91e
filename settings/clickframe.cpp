#include "settings/clickframe.h"

#include <QMouseEvent>

ClickFrame::ClickFrame(QWidget *parent)
    : QFrame(parent)
{
    setFixedSize(135, 29);
}

void ClickFrame::mousePressEvent(QMouseEvent *event)
{
    emit setIndex(this);
    QFrame::mousePressEvent(event);
}
