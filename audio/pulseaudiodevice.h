#ifndef NUVOXA_AUDIO_PULSEAUDIODEVICE_H
#define NUVOXA_AUDIO_PULSEAUDIODEVICE_H

#include "audio/audiodevice.h"
#include "audio/pulsecontext.h"

#include <QByteArray>

#include <deque>
#include <mutex>

// Records from the sound server's default source (or a named one). Incoming
// sound fills the queued buffers in order; each full buffer goes back through
// the data notification. Sound arriving while no buffer is queued is dropped.
class PulseCaptureDevice : public CaptureDevice
{
public:
    explicit PulseCaptureDevice(const QByteArray &source = QByteArray());
    ~PulseCaptureDevice() override;

    QStringList inputNames() override;
    bool open(DataNotify notify) override;
    bool addBuffer(CaptureBuffer *buffer) override;
    bool start() override;
    void stop() override;
    void close() override;

private:
    static void readable(pa_stream *stream, size_t length, void *self);
    void deliver(const char *data, size_t length);

    PulseContext m_pulse;
    QByteArray m_source;
    pa_stream *m_stream = nullptr;
    DataNotify m_notify;
    bool m_running = false;  // guarded by the context lock
    std::mutex m_queueLock;
    std::deque<CaptureBuffer *> m_queue;
};

// Plays to the sound server's default sink. The done notification comes when
// the server has played out everything written.
class PulsePlaybackDevice : public PlaybackDevice
{
public:
    PulsePlaybackDevice();
    ~PulsePlaybackDevice() override;

    bool open(DoneNotify notify) override;
    bool write(const char *data, int length) override;
    void reset() override;
    void close() override;

private:
    void finish();

    PulseContext m_pulse;
    pa_stream *m_stream = nullptr;
    DoneNotify m_notify;
    bool m_pending = false;  // guarded by the context lock
};

#endif
