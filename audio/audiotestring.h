#ifndef NUVOXA_AUDIO_AUDIOTESTRING_H
#define NUVOXA_AUDIO_AUDIOTESTRING_H

#include "audio/audiodevice.h"

#include <atomic>

// One quarter second of sound in the test format (11025 stereo frames of 16
// bits at 44.1 kHz).
struct AudioBlock
{
    static constexpr int Size = 44100;

    char data[Size] = {};
    // 1 from the moment capture has filled the block until playback has
    // played it: capture sets it, playback clears it.
    std::atomic<int> full{0};
    int number = 0;  // 1 to 7
    AudioBlock *next = nullptr;
};

// The seven blocks the audio test's capture worker fills and its playback
// worker plays, in a ring 1, 2, ..., 7, 1. The capture side (worker and its
// device's data notification) owns the capture cursor and the fill count; the
// playback side owns the playback cursor and the done mark; a block's full
// flag hands it over. No locks: the values both sides touch are atomic.
class AudioTestRing
{
public:
    static constexpr int BlockCount = 7;
    static constexpr int CaptureBufferCount = 4;
    static constexpr int CaptureBufferSize = 1024;

    AudioTestRing();
    AudioTestRing(const AudioTestRing &) = delete;
    AudioTestRing &operator=(const AudioTestRing &) = delete;

    // Only while no worker runs.
    void resetCursors();
    // Empties every block; refuses while a worker still runs.
    void clearBlocks();

    // One capture cycle: opens the input, fills the next free block, closes
    // the input. Gives up waiting when the stop flag is set.
    void captureCycle(CaptureDevice &device);
    // One playback cycle: opens the output, plays the next full block and
    // empties it, closes the output. Gives up waiting when the stop flag is
    // set.
    void playbackCycle(PlaybackDevice &device);

    // The input device's data notification: copies what still fits into the
    // capture cursor's block and queues the buffer again; the rest is dropped.
    // Once the block is complete, further buffers are left alone.
    void captureData(CaptureBuffer *buffer, CaptureDevice &device);
    // The output device's done notification.
    void playbackFinished();

    AudioBlock *head = nullptr;
    AudioBlock *captureCursor = nullptr;
    AudioBlock *playbackCursor = nullptr;
    std::atomic<int> fillCount{0};
    std::atomic<bool> playbackDone{false};
    std::atomic<bool> stop{false};
    // Workers inside their cycle loop. A worker leaving it hands everything
    // it wrote to whoever reads the count next.
    std::atomic<int> workers{0};
    CaptureBuffer captureHeaders[CaptureBufferCount];

private:
    // Moves `cursor` on until its block's full flag is `full`; null when the
    // stop flag ends the search.
    AudioBlock *seek(AudioBlock *&cursor, int full);
};

// The program's ring, built at static start-up and kept to the end.
extern AudioTestRing g_audioTestRing;

#endif
