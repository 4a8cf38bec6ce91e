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

// A QImage off the window's thread, a QPixmap on it: the double-size
// picture when the screens want it and it reads, otherwise the plain one.
template <typename Picture>
Picture read(const QString &path, qreal ratio)
{
    if (ratio > 1.0 && path.endsWith(QLatin1String(".png"))) {
        const QString large = largePicture(path);
        Picture picture;
        if (QFileInfo(large).isFile() && picture.load(large)) {
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    return Picture(path);
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
        prefetched().push_back({path, ratio, std::async(std::launch::async, read<QImage>, file, ratio)});
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
    return read<QPixmap>(path, ratio);
}

QPixmap load(const QString &path)
{
    return load(path, qApp ? qApp->devicePixelRatio() : 1.0);
}

}  // namespace SkinPicture
