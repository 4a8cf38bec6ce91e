// The audio test's ring and its two workers, with scripted devices.
#include "../audio/scripteddevices.h"
#include "audio/audiotestring.h"
#include "audio/audiotestth.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

// Counts what the ring queues again.
class CountingCapture : public CaptureDevice
{
public:
    int queued = 0;
    QStringList inputNames() override { return {}; }
    bool open(DataNotify) override { return true; }
    bool addBuffer(CaptureBuffer *) override
    {
        ++queued;
        return true;
    }
    bool start() override { return true; }
    void stop() override {}
    void close() override {}
};

bool allEmpty()
{
    const AudioBlock *block = g_audioTestRing.head;
    do {
        if (block->full.load() || std::any_of(block->data, block->data + AudioBlock::Size,
                                              [](char c) { return c != 0; }))
            return false;
        block = block->next;
    } while (block != g_audioTestRing.head);
    return true;
}

// Runs both workers as the dialog does for `ms`, then stops them; returns
// how long the stop took.
qint64 runWorkers(int ms, int headStartMs = 100)
{
    g_audioTestRing.resetCursors();
    g_audioTestRing.stop.store(false);
    AudioTestTh capture;
    AudioTestTh1 playback;
    capture.start();
    QThread::msleep(headStartMs);
    playback.start();
    QThread::msleep(ms);
    QElapsedTimer stopping;
    stopping.start();
    g_audioTestRing.stop.store(true);
    capture.wait();
    playback.wait();
    const qint64 took = stopping.elapsed();
    g_audioTestRing.stop.store(false);
    return took;
}

}  // namespace

class TestAudioRing : public QObject
{
    Q_OBJECT

private slots:
    void ringRunsOneToSevenAndBackEmpty()
    {
        const AudioBlock *block = g_audioTestRing.head;
        for (int number = 1; number <= AudioTestRing::BlockCount; ++number) {
            QCOMPARE(block->number, number);
            block = block->next;
        }
        QCOMPARE(block, g_audioTestRing.head);
        QVERIFY(allEmpty());
        QCOMPARE(g_audioTestRing.captureCursor, g_audioTestRing.head);
        QCOMPARE(g_audioTestRing.playbackCursor, g_audioTestRing.head);
    }

    void captureNotificationFillsTheBlockExactly()
    {
        AudioTestRing &ring = g_audioTestRing;
        AudioBlock *block = ring.head->next;
        ring.captureCursor = block;
        CountingCapture device;
        char bytes[1024];
        std::fill(bytes, bytes + 1024, char(0x5a));
        CaptureBuffer buffer{bytes, 1024, 1024};

        ring.fillCount.store(0);
        ring.captureData(&buffer, device);
        QCOMPARE(ring.fillCount.load(), 1024);
        QCOMPARE(device.queued, 1);

        // 100 bytes short of full: 100 are taken, the rest dropped.
        ring.fillCount.store(AudioBlock::Size - 100);
        buffer.recorded = 1024;
        ring.captureData(&buffer, device);
        QCOMPARE(ring.fillCount.load(), AudioBlock::Size);
        QCOMPARE(device.queued, 2);
        QCOMPARE(block->data[AudioBlock::Size - 101], char(0));
        QVERIFY(std::all_of(block->data + AudioBlock::Size - 100, block->data + AudioBlock::Size,
                            [](char c) { return c == 0x5a; }));

        // Full: a further buffer changes nothing and is not queued again.
        std::fill(bytes, bytes + 1024, char(0x11));
        const QByteArray before(block->data, AudioBlock::Size);
        ring.captureData(&buffer, device);
        QCOMPARE(ring.fillCount.load(), AudioBlock::Size);
        QCOMPARE(device.queued, 2);
        QCOMPARE(QByteArray(block->data, AudioBlock::Size), before);
        QCOMPARE(ring.head->next->next->data[0], char(0));

        ring.clearBlocks();
        ring.fillCount.store(0);
        ring.resetCursors();
    }

    // Every block is played whole, once, in the order it was captured: with
    // capture ahead (the ring fills up and capture waits for room) and with
    // playback ahead (it waits for the block being filled).
    void playsWholeBlocksInCaptureOrder_data()
    {
        QTest::addColumn<int>("bytesPerBuffer");
        QTest::addColumn<int>("captureDelayUs");
        QTest::addColumn<int>("playbackUs");
        QTest::newRow("capture ahead") << 1000 << 0 << 30000;
        QTest::newRow("playback ahead") << 1024 << 500 << 0;
    }

    void playsWholeBlocksInCaptureOrder()
    {
        QFETCH(int, bytesPerBuffer);
        QFETCH(int, captureDelayUs);
        QFETCH(int, playbackUs);
        AudioScript script;
        script.bytesPerBuffer = bytesPerBuffer;
        script.captureDelayUs = captureDelayUs;
        script.playbackUs = playbackUs;
        ScriptedDevices devices(script);
        runWorkers(1200);

        const QList<QByteArray> played = script.playedBlocks();
        QVERIFY2(played.size() >= 10, qPrintable(QString::number(played.size())));
        for (int i = 0; i < played.size(); ++i) {
            const QByteArray &block = played[i];
            QCOMPARE(block.size(), AudioBlock::Size);
            // Cycle i + 1 filled it, and nothing else did.
            QCOMPARE(int(block.count(char(i + 1))), AudioBlock::Size);
        }
        QCOMPARE(script.captureOpen.load(), 0);
        QCOMPARE(script.playbackOpen.load(), 0);
        g_audioTestRing.clearBlocks();
    }

    void stopEndsWorkersWaitingForDevices_data()
    {
        QTest::addColumn<bool>("captureOpens");
        QTest::addColumn<bool>("playbackOpens");
        QTest::addColumn<bool>("playbackFinishes");
        QTest::newRow("no input device") << false << true << true;
        QTest::newRow("no devices at all") << false << false << true;
        QTest::newRow("output never finishes") << true << true << false;
    }

    void stopEndsWorkersWaitingForDevices()
    {
        QFETCH(bool, captureOpens);
        QFETCH(bool, playbackOpens);
        QFETCH(bool, playbackFinishes);
        AudioScript script;
        script.captureOpens = captureOpens;
        script.playbackOpens = playbackOpens;
        script.playbackNeverFinishes = !playbackFinishes;
        ScriptedDevices devices(script);
        const qint64 took = runWorkers(500);
        QVERIFY2(took < 200, qPrintable(QString::number(took)));
        QCOMPARE(script.captureOpen.load(), 0);
        QCOMPARE(script.playbackOpen.load(), 0);
        // Nothing is played that was not captured.
        if (!captureOpens)
            QVERIFY(script.playedBlocks().isEmpty());
        g_audioTestRing.clearBlocks();
    }

    void clearBlocksEmptiesEveryBlock()
    {
        AudioBlock *block = g_audioTestRing.head;
        do {
            block->full.store(1);
            std::fill(block->data, block->data + AudioBlock::Size, char(7));
            block = block->next;
        } while (block != g_audioTestRing.head);
        g_audioTestRing.clearBlocks();
        QVERIFY(allEmpty());
    }
};

QTEST_MAIN(TestAudioRing)
#include "test_audioring.moc"
