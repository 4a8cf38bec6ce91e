#include "widgets/skinpicture.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include <future>
#include <system_error>
#include <vector>

namespace SkinPicture {

namespace {

QString largePicture(const QString &path)
{
    return path.chopped(4) + QStringLiteral("@2x.png");
}

// What load() draws from, as an image: decoding needs no window thread.
QImage decode(const QString &path, qreal ratio)
{
    if (ratio > 1.0 && path.endsWith(QLatin1String(".png"))) {
        const QString large = largePicture(path);
        QImage image;
        if (QFileInfo(large).isFile() && image.load(large)) {
            image.setDevicePixelRatio(2.0);
            return image;
        }
    }
    return QImage(path);
}

struct Prefetch {
    QString path;
    qreal ratio;
    std::future<QImage> image;
};

// Touched on the window thread only.
std::vector<Prefetch> &prefetched()
{
    static std::vector<Prefetch> pictures;
    return pictures;
}

}  // namespace

void prefetch(const QString &path)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const QString file = QFileInfo(path).absoluteFilePath();
    try {
        prefetched().push_back({path, ratio, std::async(std::launch::async, decode, file, ratio)});
    } catch (const std::system_error &) {
        // No thread to spare: load() reads the picture itself.
    }
}

QPixmap load(const QString &path, qreal ratio)
{
    auto &pending = prefetched();
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        if (it->path != path || it->ratio != ratio)
            continue;
        const QImage image = it->image.get();
        pending.erase(it);
        return QPixmap::fromImage(image);
    }
    if (ratio > 1.0 && path.endsWith(QLatin1String(".png"))) {
        const QString large = largePicture(path);
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
