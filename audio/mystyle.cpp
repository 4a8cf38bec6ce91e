#include "audio/mystyle.h"

#include "widgets/skinpicture.h"

#include <QPainter>
#include <QPixmap>
#include <QStyleOptionSlider>

MyStyle::MyStyle(bool alternateImages, QObject *parent)
    : m_alternate(alternateImages)
{
    setParent(parent);
}

void MyStyle::drawComplexControl(ComplexControl, const QStyleOptionComplex *option,
                                 QPainter *painter, const QWidget *widget) const
{
    const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (!slider)
        return;
    const QRect groove = subControlRect(CC_Slider, slider, SC_SliderGroove, widget);
    const QRect handle = subControlRect(CC_Slider, slider, SC_SliderHandle, widget);

    painter->save();
    // Relative to the working folder, which is the program folder.
    const QPixmap grooveImage = SkinPicture::load(m_alternate ? QStringLiteral("image/tuoqi1.png")
                                                              : QStringLiteral("image/tuoqi.png"));
    const QPixmap handleImage = SkinPicture::load(m_alternate ? QStringLiteral("image/huakuai1.png")
                                                              : QStringLiteral("image/huakuai.png"));
    if ((slider->subControls & SC_SliderGroove) && groove.isValid() && handle.isValid()) {
        const int height = qRound(grooveImage.height() / grooveImage.devicePixelRatioF());
        const QRect target(groove.left(), groove.top() + 5, groove.width(), height);
        painter->drawPixmap(target, grooveImage);
    }
    // The pressed handle looks the same.
    if (slider->subControls & SC_SliderHandle)
        painter->drawPixmap(handle.topLeft(), handleImage);
    painter->restore();
}
