#ifndef NUVOXA_WIDGETS_MYLABEL_H
#define NUVOXA_WIDGETS_MYLABEL_H

#include <QLabel>

// The advertisement at the foot of the main window; a left click opens the
// service's free-call page for the logged-in account.
class MyLabel : public QLabel
{
    Q_OBJECT
public:
    explicit MyLabel(QWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#endif
