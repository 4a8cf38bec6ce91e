// The audio test against a real sound server: what the default input picks
// up comes out of the default output about a second later.
#include "audio/audiotestring.h"
#include "audio/hltestaudio.h"
#include "soundserver.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QPushButton *button(QWidget *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}

bool ringEmpty()
{
    const AudioBlock *block = g_audioTestRing.head;
    do {
        if (block->full.load())
            return false;
        for (char byte : block->data)
            if (byte)
                return false;
        block = block->next;
    } while (block != g_audioTestRing.head);
    return true;
}

double seconds(const QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e9;
}

QString describe(const QVector<Recorder::Window> &windows)
{
    QString text;
    for (const Recorder::Window &w : windows)
        text += QStringLiteral("%1s rms %2 %3Hz\n")
                    .arg(w.arrivedSeconds, 0, 'f', 2)
                    .arg(w.rms, 0, 'f', 3)
                    .arg(w.hertz, 0, 'f', 0);
    return text;
}

}  // namespace

class TestAudioLoop : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY2(m_server.start(), "the private sound server did not start");
    }

    void cleanup()
    {
        m_server.stop();
    }

    void toneComesBackAboutOneSecondLater()
    {
        QVERIFY(m_server.playTone());
        m_server.pactl({QStringLiteral("set-default-source"), QStringLiteral("tone.monitor")});
        QElapsedTimer clock;
        clock.start();
        Recorder output("out.monitor", clock);
        QVERIFY(output.start());
        QVERIFY(output.waitForSound(10000));

        HLTestAudio dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const double started = seconds(clock);
        button(&dialog, "pushButtonx")->setChecked(true);
        QTest::qWait(1500);
        TestUtil::saveScreenshot(&dialog, QStringLiteral("audio_test_dialog_testing"));
        QTest::qWait(1500);
        const double stopped = seconds(clock);
        button(&dialog, "pushButtonx")->setChecked(false);
        output.stop();

        const QVector<Recorder::Window> windows = output.windows(50);
        int first = -1;
        for (int i = 0; i < windows.size() && first < 0; ++i)
            if (hasTone(windows[i]))
                first = i;
        QVERIFY2(first >= 0, qPrintable(describe(windows)));
        const double onset = windows[first].arrivedSeconds - started;
        // Quarter-second blocks with short gaps between them: mostly tone
        // from the onset to the stop.
        int during = 0;
        int toneWindows = 0;
        for (int i = first; i < windows.size() && windows[i].arrivedSeconds < stopped - 0.1; ++i) {
            ++during;
            toneWindows += hasTone(windows[i]) ? 1 : 0;
        }
        qInfo("tone came back %.2f s after the start; tone in %d of %d windows of 50 ms until the "
              "stop",
              onset, toneWindows, during);
        QVERIFY2(onset >= 0.8 && onset <= 1.5, qPrintable(describe(windows)));
        QVERIFY2(toneWindows * 10 >= during * 6, qPrintable(describe(windows)));
        QVERIFY(ringEmpty());
    }

    // Blocks captured before a stop are never played after the next start.
    void stopThenStartPlaysNoStaleSound()
    {
        QVERIFY(m_server.playTone());
        m_server.pactl({QStringLiteral("set-default-source"), QStringLiteral("tone.monitor")});
        HLTestAudio dialog;
        dialog.show();
        QPushButton *start = button(&dialog, "pushButtonx");
        // Capture runs ahead of playback: at the stop, captured tone is
        // still waiting in the ring.
        start->setChecked(true);
        QTest::qWait(1200);
        start->setChecked(false);
        QVERIFY(ringEmpty());

        m_server.pactl({QStringLiteral("set-default-source"), QStringLiteral("mic")});
        QElapsedTimer clock;
        clock.start();
        Recorder output("out.monitor", clock);
        QVERIFY(output.start());
        QVERIFY(output.waitForSound(10000));
        start->setChecked(true);
        QTest::qWait(2500);
        start->setChecked(false);
        output.stop();
        const QVector<Recorder::Window> windows = output.windows(50);
        QVERIFY(windows.size() > 40);
        for (const Recorder::Window &window : windows)
            QVERIFY2(isSilent(window), qPrintable(describe(windows)));
    }

    // Without any device the workers wait inside their cycles; stopping
    // still ends them at once.
    void stopWithoutDevicesEndsBothWorkers()
    {
        for (const QString &module : {QStringLiteral("module-null-source"),
                                      QStringLiteral("module-null-sink")})
            m_server.pactl({QStringLiteral("unload-module"), module});
        QVERIFY(!m_server.pactl({QStringLiteral("list"), QStringLiteral("short"),
                                 QStringLiteral("sources")})
                     .contains(QLatin1String("mic")));

        HLTestAudio dialog;
        dialog.show();
        QPushButton *start = button(&dialog, "pushButtonx");
        start->setChecked(true);
        QTest::qWait(1000);
        QElapsedTimer stopping;
        stopping.start();
        start->setChecked(false);
        qInfo("stopped in %lld ms", stopping.elapsed());
        QVERIFY(stopping.elapsed() < 3000);
        QCOMPARE(start->text(), QStringLiteral("开始测试"));
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("label_2"))->isHidden());
        QVERIFY(ringEmpty());
    }

    // The main window runs the dialog modally and discards it.
    void closingWhileTestingStopsTheTest()
    {
        QVERIFY(m_server.playTone());
        m_server.pactl({QStringLiteral("set-default-source"), QStringLiteral("tone.monitor")});
        auto *dialog = new HLTestAudio;
        QTimer::singleShot(0, dialog, [dialog] {
            button(dialog, "pushButtonx")->setChecked(true);
            QTimer::singleShot(1500, dialog, [dialog] { button(dialog, "pbClose")->click(); });
        });
        QElapsedTimer clock;
        clock.start();
        dialog->exec();
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!button(dialog, "pushButtonx")->isChecked());
        delete dialog;
        QVERIFY(ringEmpty());

        // Nothing plays any more.
        clock.restart();
        Recorder output("out.monitor", clock);
        QVERIFY(output.start());
        QVERIFY(output.waitForSound(10000));
        QTest::qWait(600);
        output.stop();
        for (const Recorder::Window &window : output.windows(50))
            QVERIFY(isSilent(window));

        HLTestAudio next;
        QCOMPARE(button(&next, "pushButtonx")->text(), QStringLiteral("开始测试"));
        QVERIFY(!button(&next, "pushButtonx")->isChecked());
        QVERIFY(next.findChild<QLabel *>(QStringLiteral("label_2"))->isHidden());
    }

private:
    SoundServer m_server;
};

QTEST_MAIN(TestAudioLoop)
#include "test_audioloop.moc"
