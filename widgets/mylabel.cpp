#include "widgets/mylabel.h"

#include "app/accountpages.h"

#include <QMouseEvent>

MyLabel::MyLabel(QWidget *parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void MyLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        AccountPages::open(AccountPages::withToken(QStringLiteral("/free_call.aspx?v=")));
    QLabel::mousePressEvent(event);
}
