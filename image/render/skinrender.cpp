// Renders the client's pictures from the SVG sources listed in the skin table.
//
//   skinrender TABLE SRCDIR OUTDIR
//
// Table lines: "<name> <width> <height> <source> [key=value ...]"; '#' starts a
// comment. The source is an SVG template under SRCDIR. Before parsing, every
// "{{...}}" in it is replaced:
//   {{key}}     a value of the table line, then a colour of SRCDIR/palette.txt;
//               W and H are the picture size, frame and angle the GIF frame;
//   {{@part}}   the text of SRCDIR/parts/<part>.svg (part may itself be a key);
//   {{W-2}}     arithmetic (+ - * / and parentheses) over numbers and keys.
// A ".png" is also rendered at twice its size as "<name>@2x.png".
// Options on a line: edge=hard makes the alpha either 0 or 255 (window masks);
// a ".gif" name renders frames=N pictures, delay=D milliseconds apart, with
// {{frame}} = 0..N-1 and {{angle}} = 360 * frame / N.
// The table itself is copied to OUTDIR/skin.txt.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QSvgRenderer>
#include <QTextStream>

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "gifwriter.h"

namespace {

struct Entry {
    QString name;
    int width = 0;
    int height = 0;
    QString source;
    QMap<QString, QString> params;
    int line = 0;
};

QString g_error;

bool fail(const QString &msg)
{
    if (g_error.isEmpty())
        g_error = msg;
    return false;
}

QString readText(const QString &path, bool *ok)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *ok = false;
        return QString();
    }
    *ok = true;
    return QString::fromUtf8(f.readAll());
}

bool readPalette(const QString &path, QMap<QString, QString> *palette)
{
    bool ok = false;
    const QString text = readText(path, &ok);
    if (!ok)
        return fail(QStringLiteral("cannot read %1").arg(path));
    // "name value", anything after the value is a remark; colours are
    // written "#rrggbb", so only a line that starts with '#' is a comment.
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (parts.size() < 2)
            return fail(QStringLiteral("%1: bad line \"%2\"").arg(path, line));
        palette->insert(parts[0], parts[1]);
    }
    return true;
}

bool readTable(const QString &path, QVector<Entry> *entries)
{
    bool ok = false;
    const QString text = readText(path, &ok);
    if (!ok)
        return fail(QStringLiteral("cannot read %1").arg(path));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QSet<QString> seen;
    for (int i = 0; i < lines.size(); ++i) {
        // '#' is a comment only at the start of a word, so "text=#" stays a value.
        QString line = lines[i];
        const int hash = line.indexOf(QRegularExpression(QStringLiteral("(^|\\s)#")));
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        Entry e;
        e.line = i + 1;
        bool wOk = false, hOk = false;
        if (words.size() >= 4) {
            e.name = words[0];
            e.width = words[1].toInt(&wOk);
            e.height = words[2].toInt(&hOk);
            e.source = words[3];
        }
        if (!wOk || !hOk || e.width <= 0 || e.height <= 0 || e.width > 4096 || e.height > 4096)
            return fail(QStringLiteral("%1:%2: expected \"name width height source\"").arg(path).arg(e.line));
        if (e.name.contains(QLatin1String("..")) || e.name.startsWith(QLatin1Char('/')))
            return fail(QStringLiteral("%1:%2: bad picture name %3").arg(path).arg(e.line).arg(e.name));
        if (seen.contains(e.name))
            return fail(QStringLiteral("%1:%2: %3 listed twice").arg(path).arg(e.line).arg(e.name));
        seen.insert(e.name);
        for (int w = 4; w < words.size(); ++w) {
            const int eq = words[w].indexOf(QLatin1Char('='));
            if (eq <= 0)
                return fail(QStringLiteral("%1:%2: expected key=value, got %3").arg(path).arg(e.line).arg(words[w]));
            e.params.insert(words[w].left(eq), words[w].mid(eq + 1));
        }
        entries->append(e);
    }
    return true;
}

// A small recursive-descent calculator for placeholders such as {{W-2}}.
class Calc
{
public:
    Calc(const QString &text, const QMap<QString, QString> &vars) : m_s(text), m_vars(vars) {}

    bool eval(double *out)
    {
        double v = 0;
        if (!expr(&v))
            return false;
        skip();
        if (m_pos != m_s.size())
            return false;
        *out = v;
        return true;
    }

private:
    void skip()
    {
        while (m_pos < m_s.size() && m_s[m_pos].isSpace())
            ++m_pos;
    }
    bool expr(double *v)
    {
        if (!term(v))
            return false;
        for (;;) {
            skip();
            if (m_pos >= m_s.size() || (m_s[m_pos] != QLatin1Char('+') && m_s[m_pos] != QLatin1Char('-')))
                return true;
            const QChar op = m_s[m_pos++];
            double r = 0;
            if (!term(&r))
                return false;
            *v = op == QLatin1Char('+') ? *v + r : *v - r;
        }
    }
    bool term(double *v)
    {
        if (!factor(v))
            return false;
        for (;;) {
            skip();
            if (m_pos >= m_s.size() || (m_s[m_pos] != QLatin1Char('*') && m_s[m_pos] != QLatin1Char('/')))
                return true;
            const QChar op = m_s[m_pos++];
            double r = 0;
            if (!factor(&r))
                return false;
            if (op == QLatin1Char('/') && r == 0)
                return false;
            *v = op == QLatin1Char('*') ? *v * r : *v / r;
        }
    }
    bool factor(double *v)
    {
        skip();
        if (m_pos >= m_s.size())
            return false;
        const QChar c = m_s[m_pos];
        if (c == QLatin1Char('-')) {
            ++m_pos;
            if (!factor(v))
                return false;
            *v = -*v;
            return true;
        }
        if (c == QLatin1Char('(')) {
            ++m_pos;
            if (!expr(v))
                return false;
            skip();
            if (m_pos >= m_s.size() || m_s[m_pos] != QLatin1Char(')'))
                return false;
            ++m_pos;
            return true;
        }
        const int start = m_pos;
        if (c.isDigit() || c == QLatin1Char('.')) {
            while (m_pos < m_s.size() && (m_s[m_pos].isDigit() || m_s[m_pos] == QLatin1Char('.')))
                ++m_pos;
            bool ok = false;
            *v = m_s.mid(start, m_pos - start).toDouble(&ok);
            return ok;
        }
        while (m_pos < m_s.size() && (m_s[m_pos].isLetterOrNumber() || m_s[m_pos] == QLatin1Char('_')))
            ++m_pos;
        if (m_pos == start)
            return false;
        const auto it = m_vars.constFind(m_s.mid(start, m_pos - start));
        if (it == m_vars.constEnd())
            return false;
        bool ok = false;
        *v = it->toDouble(&ok);
        return ok;
    }

    QString m_s;
    const QMap<QString, QString> &m_vars;
    int m_pos = 0;
};

QString formatNumber(double v)
{
    QString s = QString::number(v, 'f', 3);
    while (s.contains(QLatin1Char('.')) && (s.endsWith(QLatin1Char('0')) || s.endsWith(QLatin1Char('.'))))
        s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

bool expand(QString *text, const QMap<QString, QString> &vars, const QString &partsDir, const QString &where)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{\\{([^{}]*)\\}\\}"));
    // Values may hold placeholders themselves (a colour named by the palette,
    // an included part); a few rounds settle them, more mean a cycle.
    for (int round = 0; round < 8; ++round) {
        if (!text->contains(QLatin1String("{{")))
            return true;
        QString out;
        int last = 0;
        auto it = placeholder.globalMatch(*text);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            out += text->midRef(last, m.capturedStart() - last);
            last = m.capturedEnd();
            const QString key = m.captured(1).trimmed();
            if (key.startsWith(QLatin1Char('@'))) {
                QString part = key.mid(1).trimmed();
                part = vars.value(part, part);
                if (!QRegularExpression(QStringLiteral("^[A-Za-z0-9_-]+$")).match(part).hasMatch())
                    return fail(QStringLiteral("%1: bad part name %2").arg(where, part));
                bool ok = false;
                out += readText(partsDir + QLatin1Char('/') + part + QStringLiteral(".svg"), &ok);
                if (!ok)
                    return fail(QStringLiteral("%1: no part %2").arg(where, part));
                continue;
            }
            const auto v = vars.constFind(key);
            if (v != vars.constEnd()) {
                out += *v;
                continue;
            }
            double num = 0;
            Calc calc(key, vars);
            if (!calc.eval(&num))
                return fail(QStringLiteral("%1: cannot resolve {{%2}}").arg(where, key));
            out += formatNumber(num);
        }
        out += text->midRef(last);
        *text = out;
    }
    return fail(QStringLiteral("%1: placeholders do not settle (a cycle?)").arg(where));
}

// Variables of one picture: the palette, then the line's values (which may
// name palette colours), then the size.
QMap<QString, QString> variablesFor(const Entry &e, const QMap<QString, QString> &palette)
{
    QMap<QString, QString> vars = palette;
    for (auto it = e.params.constBegin(); it != e.params.constEnd(); ++it) {
        const QString &v = it.value();
        vars.insert(it.key(), palette.contains(v) ? palette.value(v) : v);
    }
    vars.insert(QStringLiteral("W"), QString::number(e.width));
    vars.insert(QStringLiteral("H"), QString::number(e.height));
    return vars;
}

bool renderSvg(const QString &svg, const Entry &e, QImage *img, const QString &where, int scale = 1)
{
    QSvgRenderer renderer(svg.toUtf8());
    if (!renderer.isValid())
        return fail(QStringLiteral("%1: the expanded SVG does not parse").arg(where));
    *img = QImage(e.width * scale, e.height * scale, QImage::Format_ARGB32_Premultiplied);
    img->fill(Qt::transparent);
    // Keep the drawing's proportions: an icon drawn on a square grid stays
    // round in a 25 x 26 picture. Window pictures use their own size as grid.
    QRectF target(0, 0, e.width, e.height);
    const QRectF box = renderer.viewBoxF();
    if (box.width() > 0 && box.height() > 0 && e.params.value(QStringLiteral("stretch")) != QLatin1String("1")) {
        const double fit = std::min(e.width / box.width(), e.height / box.height());
        const QSizeF size(box.width() * fit, box.height() * fit);
        target = QRectF(QPointF((e.width - size.width()) / 2, (e.height - size.height()) / 2), size);
    }
    QPainter p(img);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&p, target);
    p.end();
    return true;
}

// Window outlines become window masks, which are one bit deep: a pixel is
// either fully part of the window or not at all.
void hardenEdges(QImage *img)
{
    *img = img->convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img->height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img->scanLine(y));
        for (int x = 0; x < img->width(); ++x)
            row[x] = qAlpha(row[x]) >= 128 ? (row[x] | 0xff000000u) : 0u;
    }
}

bool ensureDir(const QString &file)
{
    return QDir().mkpath(QFileInfo(file).absolutePath());
}

bool renderEntry(const Entry &e, const QString &srcDir, const QString &outDir,
                 const QMap<QString, QString> &palette)
{
    const QString where = QStringLiteral("%1 (skin table line %2)").arg(e.name).arg(e.line);
    bool ok = false;
    const QString templ = readText(srcDir + QLatin1Char('/') + e.source, &ok);
    if (!ok)
        return fail(QStringLiteral("%1: cannot read source %2").arg(where, e.source));
    const QString outPath = outDir + QLatin1Char('/') + e.name;
    if (!ensureDir(outPath))
        return fail(QStringLiteral("%1: cannot create the folder").arg(where));
    QMap<QString, QString> vars = variablesFor(e, palette);

    if (e.name.endsWith(QLatin1String(".gif"))) {
        const int frames = e.params.value(QStringLiteral("frames"), QStringLiteral("1")).toInt();
        const int delay = e.params.value(QStringLiteral("delay"), QStringLiteral("100")).toInt();
        if (frames < 1 || frames > 100 || delay < 10)
            return fail(QStringLiteral("%1: frames must be 1..100 and delay at least 10").arg(where));
        std::vector<QImage> images;
        for (int f = 0; f < frames; ++f) {
            vars.insert(QStringLiteral("frame"), QString::number(f));
            vars.insert(QStringLiteral("angle"), formatNumber(360.0 * f / frames));
            QString svg = templ;
            if (!expand(&svg, vars, srcDir + QStringLiteral("/parts"), where))
                return false;
            QImage img;
            if (!renderSvg(svg, e, &img, where))
                return false;
            images.push_back(img);
        }
        QString err;
        if (!GifWriter::write(outPath, images, delay, &err))
            return fail(QStringLiteral("%1: %2").arg(where, err));
        return true;
    }

    QString svg = templ;
    if (!expand(&svg, vars, srcDir + QStringLiteral("/parts"), where))
        return false;
    // Each picture twice: as named, and at double size as name@2x.png, which
    // Qt picks on screens scaled to 200 %.
    for (const int scale : {1, 2}) {
        const QString path = scale == 1 ? outPath : outPath.chopped(4) + QStringLiteral("@2x.png");
        QImage img;
        if (!renderSvg(svg, e, &img, where, scale))
            return false;
        if (e.params.value(QStringLiteral("edge")) == QLatin1String("hard"))
            hardenEdges(&img);
        if (!img.save(path, "PNG"))
            return fail(QStringLiteral("%1: cannot write %2").arg(where, path));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // Text in the pictures needs the font database, which needs a GUI
    // application; no display is involved.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: skinrender TABLE SRCDIR OUTDIR\n");
        return 2;
    }
    const QString table = args[1], srcDir = args[2], outDir = args[3];
    QMap<QString, QString> palette;
    QVector<Entry> entries;
    bool ok = readPalette(srcDir + QStringLiteral("/palette.txt"), &palette) && readTable(table, &entries);
    for (int i = 0; ok && i < entries.size(); ++i)
        ok = renderEntry(entries[i], srcDir, outDir, palette);
    if (ok) {
        const QString copy = outDir + QStringLiteral("/skin.txt");
        QFile::remove(copy);
        ok = ensureDir(copy) && QFile::copy(table, copy);
        if (!ok)
            fail(QStringLiteral("cannot copy the table to %1").arg(copy));
    }
    if (!ok) {
        std::fprintf(stderr, "skinrender: %s\n", qPrintable(g_error));
        return 1;
    }
    std::printf("skinrender: %d pictures in %s\n", int(entries.size()), qPrintable(outDir));
    return 0;
}
