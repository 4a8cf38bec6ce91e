#ifndef NUVOXA_WIDGETS_MYLABEL_H
#define NUVOXA_WIDGETS_MYLABEL_H

#include <QLabel>

// The advertisement at the foot of the main window; a left click is
// reported by clicked().
class MyLabel : public QLabel
{
    Q_OBJECT
public:
    explicit MyLabel(QWidget *parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#endif
