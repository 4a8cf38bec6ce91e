#ifndef NUVOXA_WIDGETS_MYTITLEBAR_H
#define NUVOXA_WIDGETS_MYTITLEBAR_H

#include <QPoint>
#include <QWidget>

namespace Ui {
class MyTitleBarClass;
}

// The title bar of a frameless window: drags the window and carries its own
// minimise and close buttons. It must be a direct child of the window it
// moves: the drag offset is kept in the parent's coordinates.
class MyTitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit MyTitleBar(QWidget *parent);
    ~MyTitleBar() override;

signals:
    void closeShowFriend();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    Ui::MyTitleBarClass *ui;
    QPoint m_dragOffset;
};

#endif
