#pragma once

#include <QImage>
#include <QString>

#include <vector>

// Writes an endlessly looping GIF89a animation. All frames share one palette
// of at most 256 colours, taken from the frames themselves (the most frequent
// colours; the others go to their nearest entry). After the first frame only
// the rectangle that changed is stored.
namespace GifWriter {
bool write(const QString &path, const std::vector<QImage> &frames, int delayMs, QString *error);

// LZW-compresses colour indices as GIF image data (minimum code size 8),
// without the leading code-size byte and the sub-block framing.
std::vector<unsigned char> lzw(const std::vector<unsigned char> &indices);
}
