// The pictures next to the program: every picture of the skin table exists
// at its recorded size, window outlines can shape a window, the login
// animation plays, and every picture the client's sources and its style
// sheet name is provided.
#include <QBitmap>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QRegion>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "widgets/skinpicture.h"

namespace {

struct Picture {
    QString name;
    QSize size;
};

// image/skin.txt: "name width height source [values]" per line.
QVector<Picture> readTable(QString *error)
{
    QVector<Picture> out;
    QFile f(QStringLiteral("image/skin.txt"));
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("image/skin.txt is missing");
        return out;
    }
    const QRegularExpression ws(QStringLiteral("\\s+"));
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList words = line.split(ws);
        if (words.size() < 4) {
            *error = QStringLiteral("bad table line: ") + line;
            return out;
        }
        out.append({words[0], QSize(words[1].toInt(), words[2].toInt())});
    }
    return out;
}

int alphaAt(const QImage &img, int x, int y)
{
    return qAlpha(img.pixel(x, y));
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
        && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

class TestSkin : public QObject
{
    Q_OBJECT

private:
    QVector<Picture> m_table;
    QSet<QString> m_names;

private slots:
    void initTestCase()
    {
        QString error;
        m_table = readTable(&error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (const Picture &p : m_table)
            m_names.insert(p.name);
        QCOMPARE(m_names.size(), m_table.size());
    }

    void everyPictureLoadsAtItsSize()
    {
        QVERIFY(m_table.size() >= 80);
        for (const Picture &p : m_table) {
            QImageReader reader(QStringLiteral("image/") + p.name);
            const QImage img = reader.read();
            QVERIFY2(!img.isNull(), qPrintable(p.name + QStringLiteral(": ") + reader.errorString()));
            QVERIFY2(img.size() == p.size, qPrintable(QStringLiteral("%1 is %2x%3").arg(p.name)
                                                           .arg(img.width()).arg(img.height())));
            // Nothing is blank: every picture has something opaque to show.
            const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
            int opaque = 0;
            for (int y = 0; y < argb.height(); ++y)
                for (int x = 0; x < argb.width(); ++x)
                    opaque += alphaAt(argb, x, y) > 128;
            QVERIFY2(opaque > 0, qPrintable(p.name + QStringLiteral(" is empty")));
            // Screens scaled to 200 % get the double-size rendering.
            if (p.name.endsWith(QLatin1String(".png"))) {
                const QString large = QStringLiteral("image/") + p.name.chopped(4) + QStringLiteral("@2x.png");
                QVERIFY2(QImageReader(large).size() == p.size * 2, qPrintable(large));
            }
        }
    }

    void hoverAndCheckedFacesDifferFromTheNormalFace()
    {
        // Pairs by naming convention: x.png with x-1.png, x1.png or x_2 with x_1.
        int pairs = 0;
        for (const QString &name : qAsConst(m_names)) {
            QString other;
            if (name.endsWith(QLatin1String("_1.png")))
                other = name.left(name.size() - 6) + QStringLiteral("_2.png");
            else {
                const QString stem = name.left(name.size() - 4);
                for (const QString &s : {stem + QStringLiteral("-1.png"), stem + QStringLiteral("1.png")})
                    if (m_names.contains(s))
                        other = s;
            }
            if (other.isEmpty() || !m_names.contains(other))
                continue;
            const QImage a(QStringLiteral("image/") + name), b(QStringLiteral("image/") + other);
            if (a.size() != b.size())
                continue; // not two faces of one control (back.png, back1.png)
            QVERIFY2(a.convertToFormat(QImage::Format_ARGB32) != b.convertToFormat(QImage::Format_ARGB32),
                     qPrintable(name + QStringLiteral(" and ") + other + QStringLiteral(" look the same")));
            ++pairs;
        }
        QVERIFY(pairs >= 25);
    }

    void dialKeysCarryAllTwelveFacesInBothStates()
    {
        for (const char *key : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "11", "12"})
            for (const char *suffix : {"", "-1"}) {
                const QString name = QStringLiteral("image/keyboard/%1%2.png").arg(QLatin1String(key), QLatin1String(suffix));
                const QImage img = QImage(name).convertToFormat(QImage::Format_ARGB32);
                QVERIFY2(!img.isNull(), qPrintable(name));
                // The key's character is drawn from a font at build time; a
                // build machine without fonts would leave the keys blank.
                int ink = 0;
                for (int y = 8; y < img.height() - 8; ++y)
                    for (int x = 30; x < img.width() - 30; ++x)
                        ink += qGray(img.pixel(x, y)) < 150;
                QVERIFY2(ink >= 12, qPrintable(name + QStringLiteral(" shows no character")));
            }
    }

    void windowOutlinesShapeTheirWindows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("cut");
        QTest::newRow("login") << "image/login.png" << 0;
        // The main window is 515 high without its advertisement strip.
        QTest::newRow("main") << "image/main.png" << 515;
    }

    void windowOutlinesShapeTheirWindows()
    {
        QFETCH(QString, name);
        QFETCH(int, cut);
        const QImage img = QImage(name).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!img.isNull());
        const int w = img.width(), h = img.height();
        for (const QPoint &corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
            QVERIFY2(alphaAt(img, corner.x(), corner.y()) == 0, qPrintable(QStringLiteral("corner %1,%2").arg(corner.x()).arg(corner.y())));
        QCOMPARE(alphaAt(img, w / 2, h / 2), 255);
        QCOMPARE(alphaAt(img, w / 2, 1), 255);
        QCOMPARE(alphaAt(img, 1, h / 2), 255);
        // A window mask is one bit deep; half-transparent edge pixels would
        // be drawn over an undefined backing store.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int a = alphaAt(img, x, y);
                QVERIFY2(a == 0 || a == 255, qPrintable(QStringLiteral("alpha %1 at %2,%3").arg(a).arg(x).arg(y)));
            }
        const QRegion mask(QPixmap(name).mask());
        QVERIFY(mask.contains(QPoint(w / 2, h / 2)));
        QVERIFY(!mask.contains(QPoint(0, 0)));
        if (cut > 0) {
            QCOMPARE(alphaAt(img, 0, cut - 1), 0);
            QCOMPARE(alphaAt(img, w - 1, cut - 1), 0);
            QCOMPARE(alphaAt(img, w / 2, cut - 1), 255);
        }
    }

    // A style-sheet picture decoded ahead is the one the style sheet's own
    // load of the file gets. Afterwards the file is overwritten with bytes
    // that do not decode, keeping its size and time: only a picture found in
    // the cache under load's own key still comes out whole.
    void stylePictureDecodedAheadIsTheOneTheFileLoads()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString ahead = dir.filePath(QStringLiteral("ahead.png"));
        const QString plain = dir.filePath(QStringLiteral("plain.png"));
        for (const QString &copy : {ahead, plain})
            QVERIFY(QFile::copy(QStringLiteral("image/user_1.png"), copy));
        const QImage picture = QImage(ahead).convertToFormat(QImage::Format_ARGB32_Premultiplied);

        SkinPicture::prefetch(QStringLiteral("image/login.png"), {ahead});
        QVERIFY(!SkinPicture::load(QStringLiteral("image/login.png")).isNull());
        QTRY_VERIFY(SkinPicture::claimForStyle());

        for (const QString &file : {ahead, plain}) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            const QDateTime modified = f.fileTime(QFileDevice::FileModificationTime);
            const qint64 size = f.size();
            QVERIFY(f.write(QByteArray(int(size), 'x')) == size);
            QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
        }
        QVERIFY(QPixmap(plain).isNull());
        QCOMPARE(QPixmap(ahead).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), picture);
    }

    void loginAnimationPlays()
    {
        QImageReader reader(QStringLiteral("image/300600.gif"));
        QVERIFY(reader.canRead());
        QCOMPARE(QString::fromLatin1(reader.format()), QStringLiteral("gif"));
        QVERIFY(reader.supportsAnimation());
        QCOMPARE(reader.loopCount(), -1);
        QVector<QImage> frames;
        for (int i = 0; i < 100 && reader.canRead(); ++i) {
            const QImage f = reader.read();
            if (f.isNull())
                break;
            QCOMPARE(f.size(), QSize(300, 600));
            QVERIFY(reader.nextImageDelay() > 0);
            frames.append(f.convertToFormat(QImage::Format_RGB32));
        }
        QVERIFY2(frames.size() >= 4, qPrintable(QStringLiteral("%1 frames").arg(frames.size())));
        QCOMPARE(frames.size(), reader.imageCount());
        // Frames after the first store only what changed: the rest of the
        // picture must come through each frame unchanged, and something moves.
        const QRgb body = frames[0].pixel(150, 585);
        const QRgb header = frames[0].pixel(20, 60);
        QVERIFY(qBlue(header) > 150 && qRed(header) < 120);
        QVERIFY(qGray(body) > 200);
        int moving = 0;
        for (int i = 1; i < frames.size(); ++i) {
            QVERIFY(near(frames[i].pixel(150, 585), body, 0));
            QVERIFY(near(frames[i].pixel(20, 60), header, 0));
            QVERIFY(near(frames[i].pixel(299, 599), frames[0].pixel(299, 599), 0));
            moving += frames[i] != frames[i - 1];
        }
        QCOMPARE(moving, frames.size() - 1);
    }

    void everyPictureTheClientNamesIsProvided()
    {
        const QString source = qEnvironmentVariable("NUVOXA_SOURCE_DIR");
        if (source.isEmpty() || !QDir(source).exists())
            QSKIP("NUVOXA_SOURCE_DIR is not set");
        const QRegularExpression named(QStringLiteral("image/([A-Za-z0-9_./-]+\\.(?:png|gif))"));
        QStringList files;
        for (const char *dir : {"app", "platform", "widgets", "login", "mainwindow", "records", "audio", "settings", "forms"}) {
            QDirIterator it(source + QLatin1Char('/') + QLatin1String(dir),
                            {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.ui")}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        }
        // The style sheet names most of them; a misspelt one draws nothing, silently.
        files << source + QStringLiteral("/image/nuvoxa.qss");
        QStringList missing;
        int found = 0;
        for (const QString &file : files) {
            QFile f(file);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
            auto m = named.globalMatch(QString::fromUtf8(f.readAll()));
            while (m.hasNext()) {
                const QString name = m.next().captured(1);
                ++found;
                if (!m_names.contains(name))
                    missing << QFileInfo(f.fileName()).fileName() + QStringLiteral(": image/") + name;
            }
        }
        missing.removeDuplicates();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
        if (found == 0)
            QSKIP("the client's sources name no pictures yet");
    }
};

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
