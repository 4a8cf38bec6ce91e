// The client on a screen scaled to 200 %: the skin is drawn from its
// double-size pictures rather than blown up, window shapes follow the
// scale, and pictures of the login and main windows are saved as
// build/screenshots/scale2-<window>.png.
#include "app/startup.h"
#include "callsdk_double.h"
#include "everywindow.h"
#include "testutil.h"

#include <QImageReader>
#include <QTest>

#include <memory>

namespace {

// Sum of the colour differences of two pictures of one size.
qint64 distance(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return sum;
}

}  // namespace

class TestScaling : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        Startup::installLook();
        qputenv("NUVOXA_CLOUD_HOST", "127.0.0.1:9");
        qputenv("NUVOXA_WEB_HOST", "web.example:8080");
    }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
    }

    void windowsAreSharpAndShaped_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("outline");
        QTest::newRow("login") << 0 << "pbLogin" << "image/loginbutton_1" << "image/login.png";
        QTest::newRow("main") << 2 << "d1" << "image/keyboard/1" << "image/main.png";
    }

    void windowsAreSharpAndShaped()
    {
        QFETCH(int, index);
        QFETCH(QString, control);
        QFETCH(QString, picture);
        std::unique_ptr<QWidget> window(EveryWindow::kWindows[index].make());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QString name = QString::fromLatin1(EveryWindow::kWindows[index].window);
        TestUtil::saveScreenshot(window.get(), QStringLiteral("scale2-") + name);

        // The shape is the outline in the window's own units, not in the
        // screen's pixels: as large as the plain outline picture.
        QFETCH(QString, outline);
        QCOMPARE(window->mask().boundingRect(), QRect(QPoint(0, 0), QImageReader(outline).size()));

        // A control is drawn from the double-size picture: closer to it than
        // to the plain picture enlarged.
        QWidget *widget = window->findChild<QWidget *>(control);
        QVERIFY(widget);
        const QImage shown = widget->grab().toImage();
        QCOMPARE(shown.size(), widget->size() * 2);
        const QImage large = QImage(picture + QStringLiteral("@2x.png")).scaled(shown.size());
        const QImage enlarged = QImage(picture + QStringLiteral(".png")).scaled(shown.size());
        QVERIFY(!large.isNull() && !enlarged.isNull());
        const qint64 toLarge = distance(shown, large), toEnlarged = distance(shown, enlarged);
        QVERIFY2(toLarge < toEnlarged, qPrintable(QStringLiteral("%1 against %2").arg(toLarge).arg(toEnlarged)));
    }

    // Start-up decodes the login window's picture ahead of the window; the
    // window drawn from it and shaped by it is the one that reads it itself.
    void prefetchedSkinDrawsTheSameLoginWindow()
    {
        auto build = [](bool prefetch) {
            if (prefetch)
                Widget::prefetchSkin();
            auto window = std::make_unique<Widget>();
            window->show();
            return window;
        };
        const auto plain = build(false);
        const auto prefetched = build(true);
        QVERIFY(QTest::qWaitForWindowExposed(plain.get()));
        QVERIFY(QTest::qWaitForWindowExposed(prefetched.get()));
        QCOMPARE(prefetched->mask(), plain->mask());
        QCOMPARE(prefetched->grab().toImage(), plain->grab().toImage());
    }
};

int main(int argc, char *argv[])
{
    // As a user's desktop at 200 %; the scale is read when the application starts.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestScaling test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_scaling.moc"
