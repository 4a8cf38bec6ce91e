// The title bar of frameless windows: dragging, minimise and close.
#include "app/startup.h"
#include "testutil.h"
#include "widgets/mytitlebar.h"

#include <QCloseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

// A frameless test window that records how it was asked to close.
class Window : public QWidget
{
public:
    int closeRequests = 0;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++closeRequests;
        event->ignore();
    }
};

}  // namespace

class TestTitleBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installLook(); }

    void dragKeepsThePointerOffset()
    {
        Window window;
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.resize(300, 200);
        window.move(100, 100);
        auto *bar = new MyTitleBar(&window);
        bar->setGeometry(0, 0, 301, 31);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Press 10 px right of the window's left edge, then drag.
        const QPoint press(10, 12);
        QMouseEvent down(QEvent::MouseButtonPress, press, bar->mapToGlobal(press), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &down);
        const QPoint target(450, 333);
        QMouseEvent move(QEvent::MouseMove, bar->mapFromGlobal(target), target, Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QCOMPARE(window.pos(), target - press);

        // The offset is in the window's coordinates: a bar placed lower in
        // its window still keeps the pointer over the same spot.
        bar->move(0, 40);
        const QPoint press2(25, 5);
        QMouseEvent down2(QEvent::MouseButtonPress, press2, bar->mapToGlobal(press2),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &down2);
        const QPoint target2(200, 220);
        QMouseEvent move2(QEvent::MouseMove, bar->mapFromGlobal(target2), target2, Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move2);
        QCOMPARE(window.pos(), target2 - QPoint(25, 45));
    }

    void buttonsReachTheParentWindow()
    {
        Window window;
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.resize(300, 200);
        auto *bar = new MyTitleBar(&window);
        bar->setGeometry(0, 0, 301, 31);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto *close = bar->findChild<QToolButton *>("close");
        auto *minimize = bar->findChild<QToolButton *>("minimize");
        QVERIFY(close && minimize);
        QCOMPARE(close->size(), QSize(24, 25));
        QCOMPARE(minimize->size(), QSize(23, 25));

        QTest::mouseClick(close, Qt::LeftButton);
        QCOMPARE(window.closeRequests, 1);

        QTest::mouseClick(minimize, Qt::LeftButton);
        QTRY_VERIFY(window.windowState() & Qt::WindowMinimized);
    }

    void screenshotShowsTheButtons()
    {
        QWidget window;
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.resize(300, 80);
        window.setStyleSheet("QWidget#host{background:rgb(28,108,216);}");
        window.setObjectName("host");
        auto *bar = new MyTitleBar(&window);
        bar->setGeometry(0, 0, 301, 31);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString path = TestUtil::saveScreenshot(&window, "titlebar");
        const QImage shot(path);
        QVERIFY(!shot.isNull());
        // The close button's area is drawn by its picture, not left as the
        // plain background.
        auto *close = bar->findChild<QToolButton *>("close");
        const QRect area(close->mapTo(&window, QPoint(0, 0)), close->size());
        QSet<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                colours.insert(shot.pixel(x, y));
        QVERIFY2(colours.size() > 3, "the close picture is missing");
    }
};

QTEST_MAIN(TestTitleBar)
#include "test_titlebar.moc"
