// The incoming-call window with the main window, on the voice-library test
// double: every way a ringing call ends, the dial page of an answered call,
// the history's "in" and "miss" entries and word of the call in the tray.
#include "../audio/scripteddevices.h"
#include "app/globals.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "core/recordstore.h"
#include "mainwindow/callstate.h"
#include "mainwindow/incomingcall.h"
#include "mainwindow/mianwindow.h"
#include "platform/notifications.h"
#include "testutil.h"
#include "windowdriver.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

class RecordingNotifications : public Notifications
{
public:
    QStringList notes;
    void show(const QString &summary, const QString &body) override { notes << summary + ": " + body; }
};

const char *const kCaller = "13900139000";

}  // namespace

class TestIncomingCall : public QObject
{
    Q_OBJECT

private:
    MianWindow *w = nullptr;
    RecordingNotifications notifications;
    AudioScript script;
    ScriptedDevices *devices = nullptr;

    template<typename T> T *child(const char *name) { return WindowDriver::child<T>(w, name); }
    IncomingCall *window() { return TestUtil::topLevel<IncomingCall>(); }
    void poll() { QMetaObject::invokeMethod(w, "onTimerOut"); }
    void ring(const char *number, const char *name)
    {
        CallSdkDouble::deliverIncoming(number, name);
        QCoreApplication::processEvents();
    }
    void end()
    {
        CallSdkDouble::deliverState("DISCONNCTD");
        QCoreApplication::processEvents();
    }
    // The flashing tray icon is blank every other half second.
    bool trayBlank()
    {
        const QImage icon = w->findChild<QSystemTrayIcon *>()->icon().pixmap(16, 16).toImage();
        return icon.isNull() || qAlpha(icon.pixel(8, 8)) == 0;
    }
    QStringList historyTypes()
    {
        QStringList out;
        for (const PHONEDATA &e : HistoryStore("1001").load())
            out << e.num + e.type;
        return out;
    }

private slots:
    void initTestCase() { Startup::installLook(); }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
        Notifications::setInstance(&notifications);
        notifications.notes.clear();
        script.playbackNeverFinishes = true;
        devices = new ScriptedDevices(script);
        g_account = "1001";
        g_callState = 0;
        ContactStore("1001").save("张三", kCaller);
        w = new MianWindow;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        CallSdkDouble::clearCalls();
    }

    void cleanup()
    {
        delete w;
        w = nullptr;
        delete devices;
        Notifications::setInstance(nullptr);
    }

    void ringingCallEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("inTray");
        QTest::addColumn<int>("answerResult");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("libraryCall");
        QTest::newRow("answered") << "接听" << false << 1 << "in" << "answer_call";
        QTest::newRow("answered from the tray") << "接听" << true << 1 << "in" << "answer_call";
        QTest::newRow("caller gave up just before the answer") << "接听" << false << 0 << "miss" << "answer_call";
        QTest::newRow("declined") << "拒绝" << false << 1 << "miss" << "decline_call";
        QTest::newRow("closed") << "close" << false << 1 << "miss" << "decline_call";
        QTest::newRow("caller gave up") << "caller" << false << 1 << "miss" << "";
        QTest::newRow("45 s unanswered") << "timeout" << true << 1 << "miss" << "decline_call";
    }

    void ringingCallEnds()
    {
        QFETCH(QString, how);
        QFETCH(bool, inTray);
        QFETCH(int, answerResult);
        QFETCH(QString, entry);
        QFETCH(QString, libraryCall);
        CallSdkDouble::setAnswerResult(answerResult);
        if (inTray)
            w->hide();

        ring(kCaller, "Caller's own name");
        IncomingCall *incoming = window();
        QVERIFY(incoming && incoming->isVisible());
        QCOMPARE(incoming->findChild<QLabel *>("lbNumber")->text(), QString(kCaller));
        QCOMPARE(incoming->findChild<QLabel *>("lbName")->text(), QString("张三")); // the contact, not the caller's word
        QCOMPARE(script.playbackOpen.load(), 1);
        QVERIFY(!script.playedBlocks().isEmpty());
        QCOMPARE(notifications.notes, inTray ? QStringList{"来电: 张三 13900139000"} : QStringList());
        auto *noAnswer = incoming->findChild<QTimer *>("noAnswer");
        QVERIFY(noAnswer->isActive() && noAnswer->remainingTime() > 44000);
        if (inTray)
            QTRY_VERIFY(trayBlank());
        else
            QVERIFY(!trayBlank());

        if (how == "caller") {
            end();
        } else if (how == "timeout") {
            noAnswer->start(0);
            QTRY_VERIFY(!incoming->isRinging());
        } else if (how == "close") {
            incoming->close();
        } else {
            QTest::mouseClick(incoming->findChild<QPushButton *>(how == "接听" ? "pbAnswer" : "pbDecline"),
                              Qt::LeftButton);
        }
        if (!libraryCall.isEmpty())
            QCOMPARE(CallSdkDouble::countOf(libraryCall.toStdString()), 1);
        QVERIFY(!incoming->isVisible());
        QCOMPARE(script.playbackOpen.load(), 0); // the ring stopped
        QCOMPARE(historyTypes(), QStringList{kCaller + entry});
        auto *history = child<QListWidget>("listWidget");
        QCOMPARE(history->item(0)->text(), QString(kCaller));

        auto *hangUp = child<QPushButton>("pushButton_3");
        if (entry == "in") {
            // The dial page as for an outgoing call, the window in front.
            QVERIFY(w->isVisible());
            QVERIFY(!hangUp->isHidden());
            QCOMPARE(child<QListWidget>("listWidget_2")->item(0)->text(), QString("您与 13900139000 通话 00:00:00"));
            CallSdkDouble::deliverState("CONFIRMED");
            poll();
            QMetaObject::invokeMethod(w, "onTimerOut_1");
            QCOMPARE(child<QListWidget>("listWidget_2")->item(0)->text(), QString("您与 13900139000 通话 00:00:01"));
            end();
            poll();
            QVERIFY(hangUp->isHidden());
            QCOMPARE(child<QListWidget>("listWidget_2")->item(0)->text(), QString("  手机 - 直接拨打"));
        } else {
            QVERIFY(hangUp->isHidden());
            QCOMPARE(w->isVisible(), !inTray);
            if (inTray)
                QCOMPARE(notifications.notes.last(), QString("未接来电: 13900139000"));
        }
        QTest::qWait(600);
        QVERIFY(!trayBlank()); // no more flashing
        // Nothing of the ended call is left to act on.
        end();
        QCOMPARE(historyTypes().size(), 1);
    }

    void earlierCallsEndIsNotLostToARing()
    {
        // An answered call ends and the next caller rings before the poll
        // has seen the end: the first call's display still ends.
        ring(kCaller, "");
        QTest::mouseClick(window()->findChild<QPushButton *>("pbAnswer"), Qt::LeftButton);
        CallSdkDouble::deliverState("CONFIRMED");
        poll();
        CallSdkDouble::deliverState("DISCONNCTD");
        ring("13700137000", "");
        QVERIFY(child<QPushButton>("pushButton_3")->isHidden());
        QVERIFY(window()->isRinging());
        QCOMPARE(window()->findChild<QLabel *>("lbName")->text(), QString());
        // An unknown caller rings as well.
        end();
        ring("", "");
        QCOMPARE(window()->findChild<QLabel *>("lbNumber")->text(), QString("未知号码"));
    }

    void historyShowsEachDirection()
    {
        HistoryStore store("1001");
        store.write({"24.05.01 10:00", kCaller, "out", "张三"});
        store.write({"24.05.01 10:05", kCaller, "in", "张三"});
        store.write({"24.05.01 10:09", "13700137000", "miss", ""});
        delete w;
        w = new MianWindow;
        w->show();
        QTest::mouseClick(child<QToolButton>("tb3"), Qt::LeftButton);
        auto *history = child<QListWidget>("listWidget");
        QCOMPARE(history->count(), 3);
        QStringList pictures;
        QVERIFY(QTest::qWaitForWindowExposed(w));
        for (int i = 0; i < history->count(); ++i) {
            QWidget *record = nullptr;
            QTRY_VERIFY((record = history->itemWidget(history->item(i))));
            pictures << record->findChild<QToolButton *>("toolButton_3")->accessibleName();
        }
        // Ordered by number and type: 137…miss, 139…in, 139…out.
        QCOMPARE(pictures, QStringList({"未接来电", "呼入电话", "呼出电话"}));
        QTest::qWait(50);
        TestUtil::saveScreenshot(w, "history-in-out-missed");
        // Deleting one entry leaves the other of the same number.
        history->setCurrentRow(1);
        QMetaObject::invokeMethod(w, "emitDelete", Q_ARG(QListWidgetItem *, history->item(1)));
        QCOMPARE(historyTypes(), QStringList({"13700137000miss", QString(kCaller) + "out"}));
    }
};

QTEST_MAIN(TestIncomingCall)
#include "test_incomingcall.moc"
