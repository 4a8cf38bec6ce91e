#include "widgets/skinpicture.h"

#include <QFileInfo>
#include <QGuiApplication>

namespace SkinPicture {

QPixmap load(const QString &path, qreal ratio)
{
    if (ratio > 1.0 && path.endsWith(QLatin1String(".png"))) {
        const QString large = path.chopped(4) + QStringLiteral("@2x.png");
        QPixmap pixmap;
        if (QFileInfo(large).isFile() && pixmap.load(large)) {
            pixmap.setDevicePixelRatio(2.0);
            return pixmap;
        }
    }
    return QPixmap(path);
}

QPixmap load(const QString &path)
{
    return load(path, qApp ? qApp->devicePixelRatio() : 1.0);
}

}  // namespace SkinPicture
