#include "widgets/skinpicture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmapCache>

#include <chrono>
#include <future>
#include <memory>
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

struct StylePicture {
    QString file;  // absolute, at the size the style sheet takes
    std::future<QImage> image;
};

// Touched on the window thread only. The decoding threads come last, so
// that they are waited for at exit before the rest goes.
struct Prefetched {
    std::vector<Prefetch> pictures;
    std::vector<StylePicture> stylePictures;
    std::vector<std::future<void>> decoders;
};

Prefetched &prefetched()
{
    static Prefetched state;
    return state;
}

// The file the style sheet takes for `path` on a screen of `ratio`: like
// read(), the double size above 100 % when there is one.
QString styleFile(const QString &path, qreal ratio)
{
    if (ratio > 1.0 && path.endsWith(QLatin1String(".png"))) {
        const QFileInfo large(largePicture(path));
        if (large.isFile())
            return large.absoluteFilePath();
    }
    return QFileInfo(path).absoluteFilePath();
}

// Each byte of the value, low half first, as QPixmap::load spells numbers
// in its cache keys.
template <typename T>
QString hexBytes(T value)
{
    static const char digits[] = "0123456789abcdef";
    QString out;
    const auto *bytes = reinterpret_cast<const unsigned char *>(&value);
    for (size_t i = 0; i < sizeof(T); ++i) {
        out += QLatin1Char(digits[bytes[i] & 0xf]);
        out += QLatin1Char(digits[bytes[i] >> 4]);
    }
    return out;
}

// The key under which QPixmap::load (Qt 5) caches a file it decoded: path,
// modification time and size, so that a changed file misses it.
QString loadCacheKey(const QFileInfo &info)
{
    const uint pixmapType = 0;  // a QPixmap without data of its own yet
    return QStringLiteral("qt_pixmap") + info.absoluteFilePath()
        + hexBytes<uint>(uint(info.lastModified().toSecsSinceEpoch()))
        + hexBytes<quint64>(quint64(info.size())) + hexBytes<uint>(pixmapType);
}

}  // namespace

void prefetch(const QString &path, const QStringList &stylePaths)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const QString file = QFileInfo(path).absoluteFilePath();
    auto picture = std::make_shared<std::promise<QImage>>();
    auto styled = std::make_shared<std::vector<std::promise<QImage>>>(size_t(stylePaths.size()));
    QStringList styleFiles;
    std::vector<StylePicture> stylePictures;
    for (int i = 0; i < stylePaths.size(); ++i) {
        styleFiles << styleFile(stylePaths.at(i), ratio);
        stylePictures.push_back({styleFiles.last(), (*styled)[size_t(i)].get_future()});
    }
    auto &state = prefetched();
    try {
        state.decoders.push_back(std::async(std::launch::async, [file, ratio, picture, styleFiles, styled] {
            picture->set_value(read<QImage>(file, ratio));
            for (int i = 0; i < styleFiles.size(); ++i)
                (*styled)[size_t(i)].set_value(QImage(styleFiles.at(i)));
        }));
    } catch (const std::system_error &) {
        // No thread to spare: load() and the style sheet read them themselves.
        return;
    }
    state.pictures.push_back({path, ratio, picture->get_future()});
    for (StylePicture &stylePicture : stylePictures)
        state.stylePictures.push_back(std::move(stylePicture));
}

bool claimForStyle()
{
    auto &pending = prefetched().stylePictures;
    for (auto it = pending.begin(); it != pending.end();) {
        if (it->image.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            ++it;
            continue;
        }
        const QImage image = it->image.get();
        if (!image.isNull())
            QPixmapCache::insert(loadCacheKey(QFileInfo(it->file)), QPixmap::fromImage(image));
        it = pending.erase(it);
    }
    return pending.empty();
}

QPixmap load(const QString &path, qreal ratio)
{
    auto &pending = prefetched().pictures;
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
