// The dial pad's long press, with a clock the test sets.
#include "mainwindow/keyhold.h"

#include <QTest>

class TestKeyHold : public QObject
{
    Q_OBJECT

private slots:
    void longPastASecond_data()
    {
        QTest::addColumn<QTime>("pressed");
        QTest::addColumn<QTime>("released");
        QTest::addColumn<bool>("isLong");
        QTest::newRow("1000 ms") << QTime(12, 0, 0) << QTime(12, 0, 1) << false;
        QTest::newRow("1001 ms") << QTime(12, 0, 0) << QTime(12, 0, 1, 1) << true;
        QTest::newRow("over midnight") << QTime(23, 59, 59, 500) << QTime(0, 0, 1) << true;
        QTest::newRow("short over midnight") << QTime(23, 59, 59, 500) << QTime(0, 0, 0, 400) << false;
    }

    void longPastASecond()
    {
        QFETCH(QTime, pressed);
        QFETCH(QTime, released);
        QFETCH(bool, isLong);
        QTime now;
        KeyHold hold([&now] { return now; });
        now = released;
        QVERIFY(!hold.isLong());  // never pressed
        now = pressed;
        hold.press();
        now = released;
        QCOMPARE(hold.isLong(), isLong);
    }
};

QTEST_GUILESS_MAIN(TestKeyHold)
#include "test_keyhold.moc"
