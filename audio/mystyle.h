#ifndef NUVOXA_AUDIO_MYSTYLE_H
#define NUVOXA_AUDIO_MYSTYLE_H

#include <QProxyStyle>

// Slider style of the volume bar: the groove and the handle are pictures
// ("image/tuoqi.png" and "image/huakuai.png", or the alternate pair
// "image/tuoqi1.png" and "image/huakuai1.png"). Complex controls are drawn
// only from slider options; everything else is the application style's.
class MyStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit MyStyle(bool alternateImages, QObject *parent = nullptr);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;

private:
    bool m_alternate;
};

#endif
