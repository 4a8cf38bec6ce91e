#include "audio/audiotestring.h"

#include <QLoggingCategory>
#include <QThread>

#include <algorithm>
#include <cstring>

// The test's traces are diagnostics only; enable with
// QT_LOGGING_RULES="nuvoxa.audiotest.debug=true".
Q_LOGGING_CATEGORY(lcAudioTest, "nuvoxa.audiotest", QtInfoMsg)

AudioTestRing g_audioTestRing;

AudioTestRing::AudioTestRing()
{
    // Block 1 first, then 7 down to 2, each inserted right after block 1.
    head = new AudioBlock;
    head->number = 1;
    head->next = head;
    for (int number = BlockCount; number >= 2; --number) {
        auto *block = new AudioBlock;
        block->number = number;
        block->next = head->next;
        head->next = block;
    }
    resetCursors();
}

void AudioTestRing::resetCursors()
{
    captureCursor = head;
    playbackCursor = head;
}

void AudioTestRing::clearBlocks()
{
    if (workers.load() != 0)
        return;
    AudioBlock *block = head;
    do {
        block->full.store(0);
        std::memset(block->data, 0, AudioBlock::Size);
        block = block->next;
    } while (block != head);
}

AudioBlock *AudioTestRing::seek(AudioBlock *&cursor, int full)
{
    int looked = 0;
    while (cursor->full.load() != full) {
        if (stop.load())
            return nullptr;
        cursor = cursor->next;
        // A whole round without a match: the other side is behind; let it run.
        if (++looked % BlockCount == 0)
            QThread::msleep(1);
    }
    return cursor;
}

void AudioTestRing::captureCycle(CaptureDevice &device)
{
    const QStringList inputs = device.inputNames();
    qCDebug(lcAudioTest) << "input devices:" << inputs.size();
    for (const QString &name : inputs)
        qCDebug(lcAudioTest) << "  " << name;

    const bool opened =
        device.open([this, &device](CaptureBuffer *buffer) { captureData(buffer, device); });
    if (!opened)
        qCDebug(lcAudioTest) << "cannot open the input device";
    for (CaptureBuffer &header : captureHeaders) {
        header.data = new char[CaptureBufferSize];
        header.length = CaptureBufferSize;
        header.recorded = 0;
        if (opened)
            device.addBuffer(&header);
    }

    fillCount.store(0);
    // Without an input device the wait below lasts until the test is stopped.
    if (AudioBlock *block = seek(captureCursor, 0)) {
        std::memset(block->data, 0, AudioBlock::Size);
        if (opened)
            device.start();
        while (fillCount.load() < AudioBlock::Size && !stop.load())
            QThread::msleep(1);
        if (fillCount.load() == AudioBlock::Size) {
            block->full.store(1);
            qCDebug(lcAudioTest) << "captured block" << block->number;
            captureCursor = block->next;
        }
    }

    if (opened)
        device.stop();
    for (CaptureBuffer &header : captureHeaders) {
        delete[] header.data;
        header.data = nullptr;
    }
    if (opened)
        device.close();
    QThread::msleep(5);
    if (stop.load())
        qCDebug(lcAudioTest) << "capture ends";
}

void AudioTestRing::captureData(CaptureBuffer *buffer, CaptureDevice &device)
{
    const int filled = fillCount.load();
    if (filled == AudioBlock::Size)
        return;
    const int n = std::min(AudioBlock::Size - filled, buffer->recorded);
    std::memcpy(captureCursor->data + filled, buffer->data, size_t(n));
    fillCount.store(filled + n);
    device.addBuffer(buffer);
}

void AudioTestRing::playbackFinished()
{
    playbackDone.store(true);
}

void AudioTestRing::playbackCycle(PlaybackDevice &device)
{
    const bool opened = device.open([this] { playbackFinished(); });
    if (!opened)
        qCDebug(lcAudioTest) << "cannot open the output device";

    if (AudioBlock *block = seek(playbackCursor, 1)) {
        qCDebug(lcAudioTest) << "playing block" << block->number;
        playbackDone.store(false);
        // What cannot be played counts as played, so capture can go on.
        if (!opened || !device.write(block->data, AudioBlock::Size)) {
            qCDebug(lcAudioTest) << "cannot play block" << block->number;
            playbackDone.store(true);
        }
        while (!playbackDone.load() && !stop.load())
            QThread::msleep(1);
        std::memset(block->data, 0, AudioBlock::Size);
        block->full.store(0);
        qCDebug(lcAudioTest) << "played block" << block->number;
        playbackCursor = block->next;
    }

    if (opened) {
        device.reset();
        QThread::msleep(1);
        device.close();
    }
    QThread::msleep(2);
}
