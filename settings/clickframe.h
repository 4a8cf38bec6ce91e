#ifndef NUVOXA_SETTINGS_CLICKFRAME_H
#define NUVOXA_SETTINGS_CLICKFRAME_H

#include <QFrame>

// A page selector of the settings window: a fixed-size frame that reports
// itself when any mouse button goes down on it, children included.
class ClickFrame : public QFrame
{
    Q_OBJECT
public:
    explicit ClickFrame(QWidget *parent = nullptr);

signals:
    void setIndex(ClickFrame *frame);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#endif
