#include "gifwriter.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace {

class BitWriter
{
public:
    void put(unsigned code, int bits)
    {
        m_acc |= std::uint32_t(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            bytes.push_back(static_cast<unsigned char>(m_acc & 0xff));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    void flush()
    {
        if (m_count > 0)
            bytes.push_back(static_cast<unsigned char>(m_acc & 0xff));
        m_acc = 0;
        m_count = 0;
    }
    std::vector<unsigned char> bytes;

private:
    std::uint32_t m_acc = 0;
    int m_count = 0;
};

void put16(QByteArray *out, int v)
{
    out->append(char(v & 0xff));
    out->append(char((v >> 8) & 0xff));
}

int distance(QRgb a, QRgb b)
{
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr * 3 + dg * dg * 4 + db * db * 2;
}

} // namespace

std::vector<unsigned char> GifWriter::lzw(const std::vector<unsigned char> &indices)
{
    const int minCodeSize = 8;
    const unsigned clearCode = 1u << minCodeSize;
    const unsigned endCode = clearCode + 1;
    // next[code][byte]: the code for "code's string + byte", 0 when absent.
    std::vector<std::array<std::uint16_t, 256>> next(4096);
    auto reset = [&next]() {
        for (auto &row : next)
            row.fill(0);
    };
    reset();
    BitWriter bits;
    int codeSize = minCodeSize + 1;
    unsigned maxCode = endCode;
    bits.put(clearCode, codeSize);
    if (indices.empty()) {
        bits.put(endCode, codeSize);
        bits.flush();
        return bits.bytes;
    }
    unsigned cur = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const unsigned char k = indices[i];
        const std::uint16_t found = next[cur][k];
        if (found) {
            cur = found;
            continue;
        }
        bits.put(cur, codeSize);
        next[cur][k] = static_cast<std::uint16_t>(++maxCode);
        // The decoder adds its entry one code later, so it widens exactly
        // when this side's table passes the current width.
        if (maxCode >= (1u << codeSize))
            ++codeSize;
        if (maxCode == 4095) {
            bits.put(clearCode, codeSize);
            reset();
            codeSize = minCodeSize + 1;
            maxCode = endCode;
        }
        cur = k;
    }
    bits.put(cur, codeSize);
    bits.put(clearCode, codeSize);
    bits.put(endCode, minCodeSize + 1);
    bits.flush();
    return bits.bytes;
}

bool GifWriter::write(const QString &path, const std::vector<QImage> &input, int delayMs, QString *error)
{
    if (input.empty()) {
        *error = QStringLiteral("no frames");
        return false;
    }
    const int w = input[0].width(), h = input[0].height();
    if (w > 65535 || h > 65535) {
        *error = QStringLiteral("picture too large for GIF");
        return false;
    }
    // GIF has no partial transparency: flatten every frame onto white.
    std::vector<QImage> frames;
    for (const QImage &img : input) {
        if (img.size() != input[0].size()) {
            *error = QStringLiteral("frames differ in size");
            return false;
        }
        QImage flat(w, h, QImage::Format_RGB32);
        flat.fill(Qt::white);
        QImage src = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y) {
            const QRgb *s = reinterpret_cast<const QRgb *>(src.constScanLine(y));
            QRgb *d = reinterpret_cast<QRgb *>(flat.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int a = qAlpha(s[x]);
                d[x] = qRgb((qRed(s[x]) * a + 255 * (255 - a)) / 255, (qGreen(s[x]) * a + 255 * (255 - a)) / 255,
                            (qBlue(s[x]) * a + 255 * (255 - a)) / 255);
            }
        }
        frames.push_back(flat);
    }

    // Palette: the most frequent colours of all frames.
    QHash<QRgb, int> counts;
    for (const QImage &f : frames)
        for (int y = 0; y < h; ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(f.constScanLine(y));
            for (int x = 0; x < w; ++x)
                ++counts[row[x] | 0xff000000u];
        }
    std::vector<std::pair<int, QRgb>> byCount;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        byCount.emplace_back(it.value(), it.key());
    std::sort(byCount.begin(), byCount.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    // Most frequent first, but a colour joins only when it is farther than
    // `spread` from every colour already taken, so that rare yet distinct
    // shades (the soft edges of small shapes) are not all crowded out by a
    // gradient. The smallest spread that fits 256 entries wins.
    auto choose = [&byCount](int spread) {
        std::vector<QRgb> chosen;
        for (const auto &entry : byCount) {
            bool distinct = true;
            for (QRgb c : chosen)
                if (distance(c, entry.second) <= spread) {
                    distinct = false;
                    break;
                }
            if (distinct) {
                chosen.push_back(entry.second);
                if (chosen.size() > 256)
                    break;
            }
        }
        return chosen;
    };
    std::vector<QRgb> palette = choose(0);
    if (palette.size() > 256) {
        int low = 0, high = 9 * 255 * 255; // too small, surely enough
        while (high - low > 1) {
            const int mid = low + (high - low) / 2;
            (choose(mid).size() > 256 ? low : high) = mid;
        }
        palette = choose(high);
    }
    while (palette.size() < 256)
        palette.push_back(0xff000000u);
    QHash<QRgb, unsigned char> lookup;
    auto indexOf = [&](QRgb c) -> unsigned char {
        c |= 0xff000000u;
        const auto it = lookup.constFind(c);
        if (it != lookup.constEnd())
            return *it;
        int best = 0, bestD = std::numeric_limits<int>::max();
        for (int i = 0; i < 256; ++i) {
            const int d = distance(c, palette[i]);
            if (d < bestD) {
                bestD = d;
                best = i;
            }
        }
        lookup.insert(c, static_cast<unsigned char>(best));
        return static_cast<unsigned char>(best);
    };

    QByteArray out("GIF89a");
    put16(&out, w);
    put16(&out, h);
    out.append(char(0xf7)); // global colour table of 256 entries, 8 bits per primary
    out.append(char(0));    // background colour index
    out.append(char(0));    // no aspect ratio
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    // Loop for ever.
    out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);

    const int delayCs = std::max(1, (delayMs + 5) / 10);
    for (size_t n = 0; n < frames.size(); ++n) {
        QRect rect(0, 0, w, h);
        if (n > 0) {
            // Only the part that differs from the previous frame; an
            // unchanged frame still keeps one pixel so its delay counts.
            int x0 = w, y0 = h, x1 = -1, y1 = -1;
            for (int y = 0; y < h; ++y) {
                const QRgb *a = reinterpret_cast<const QRgb *>(frames[n].constScanLine(y));
                const QRgb *b = reinterpret_cast<const QRgb *>(frames[n - 1].constScanLine(y));
                for (int x = 0; x < w; ++x)
                    if (indexOf(a[x]) != indexOf(b[x])) {
                        x0 = std::min(x0, x);
                        x1 = std::max(x1, x);
                        y0 = std::min(y0, y);
                        y1 = std::max(y1, y);
                    }
            }
            rect = x1 < 0 ? QRect(0, 0, 1, 1) : QRect(QPoint(x0, y0), QPoint(x1, y1));
        }
        // Graphic control: keep the frame in place (disposal 1), no transparency.
        out.append("\x21\xf9\x04\x04", 4);
        put16(&out, delayCs);
        out.append(char(0));
        out.append(char(0));
        // Image descriptor, no local colour table, not interlaced.
        out.append(char(0x2c));
        put16(&out, rect.x());
        put16(&out, rect.y());
        put16(&out, rect.width());
        put16(&out, rect.height());
        out.append(char(0));
        std::vector<unsigned char> indices;
        indices.reserve(size_t(rect.width()) * rect.height());
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(frames[n].constScanLine(y));
            for (int x = rect.left(); x <= rect.right(); ++x)
                indices.push_back(indexOf(row[x]));
        }
        const std::vector<unsigned char> data = lzw(indices);
        out.append(char(8));
        for (size_t pos = 0; pos < data.size(); pos += 255) {
            const size_t len = std::min<size_t>(255, data.size() - pos);
            out.append(char(len));
            out.append(reinterpret_cast<const char *>(data.data() + pos), int(len));
        }
        out.append(char(0));
    }
    out.append(char(0x3b));

    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out) != out.size()) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}
