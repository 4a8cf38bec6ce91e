#include "widgets/mytitlebar.h"

#include "ui_mytitlebar.h"

#include <QMouseEvent>

MyTitleBar::MyTitleBar(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MyTitleBarClass)
{
    ui->setupUi(this);
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("MyTitleBarClass"));
    ui->minimize->setToolTip(tr("最小化"));
    ui->close->setToolTip(tr("关闭"));
    if (parent) {
        connect(ui->minimize, &QToolButton::clicked, parent, &QWidget::showMinimized);
        connect(ui->close, &QToolButton::clicked, parent, &QWidget::close);
    }
}

MyTitleBar::~MyTitleBar()
{
    delete ui;
}

void MyTitleBar::mousePressEvent(QMouseEvent *event)
{
    m_dragOffset = mapToParent(event->pos());
}

void MyTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    if (QWidget *window = parentWidget())
        window->move(event->globalPos() - m_dragOffset);
}
