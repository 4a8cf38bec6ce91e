#ifndef NUVOXA_WIDGETS_HLMENU_H
#define NUVOXA_WIDGETS_HLMENU_H

#include <QMenu>
#include <QProxyStyle>

// A context menu that shows each action's own tool tip while the pointer
// rests on it (plain QMenu shows none).
class HLMenu : public QMenu
{
    Q_OBJECT
public:
    explicit HLMenu(QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
};

// Menu style with 22-pixel icons.
class MyMenu : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};

#endif
