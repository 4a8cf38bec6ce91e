#ifndef NUVOXA_AUDIO_AUDIODEVICE_H
#define NUVOXA_AUDIO_AUDIODEVICE_H

#include <QStringList>

#include <functional>
#include <memory>

// The sound devices of the audio test: the default input and the default
// output, both in the test format (PCM, 2 channels, 44100 Hz, 16 bits).

// A buffer queued on the input device. The device fills it and hands it back
// through the data notification with `recorded` bytes in it.
struct CaptureBuffer
{
    char *data = nullptr;
    int length = 0;
    int recorded = 0;
};

class CaptureDevice
{
public:
    // Runs on the device's own thread.
    using DataNotify = std::function<void(CaptureBuffer *buffer)>;

    virtual ~CaptureDevice() = default;
    // Names of the input devices there are.
    virtual QStringList inputNames() = 0;
    virtual bool open(DataNotify notify) = 0;
    // Queues a buffer (again); may be called from the data notification.
    virtual bool addBuffer(CaptureBuffer *buffer) = 0;
    virtual bool start() = 0;
    // Stops capturing and forgets the queued buffers. No notification runs
    // after it returns, so the buffers may then be freed.
    virtual void stop() = 0;
    virtual void close() = 0;
};

class PlaybackDevice
{
public:
    // Runs on the device's own thread.
    using DoneNotify = std::function<void()>;

    virtual ~PlaybackDevice() = default;
    virtual bool open(DoneNotify notify) = 0;
    // Plays `length` bytes (copied before it returns); the done notification
    // follows once they have been played out.
    virtual bool write(const char *data, int length) = 0;
    // Stops playing and drops what is still queued.
    virtual void reset() = 0;
    virtual void close() = 0;
};

// Where the audio test gets its devices: the sound server unless a test puts
// its own in place.
class AudioDevices
{
public:
    virtual ~AudioDevices() = default;
    virtual std::unique_ptr<CaptureDevice> createCapture();
    virtual std::unique_ptr<PlaybackDevice> createPlayback();

    static AudioDevices &instance();
    // Replaces the instance (not owned); nullptr restores the sound server's.
    static void setInstance(AudioDevices *devices);
};

#endif
