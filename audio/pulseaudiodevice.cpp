#include "audio/pulseaudiodevice.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int ConnectTimeoutMs = 2000;
constexpr int RequestTimeoutMs = 2000;

const pa_sample_spec TestFormat = {PA_SAMPLE_S16LE, 44100, 2};
// A quarter second in that format, the unit the audio test plays.
constexpr int AudioBlockBytes = 44100;

void wakeWaiter(pa_stream *, void *pulse)
{
    static_cast<PulseContext *>(pulse)->wake();
}

// Lock held: waits until the stream is connected or has failed.
bool waitConnected(PulseContext &pulse, pa_stream *stream)
{
    pulse.waitFor(
        [stream] {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            return state != PA_STREAM_UNCONNECTED && state != PA_STREAM_CREATING;
        },
        RequestTimeoutMs);
    return pa_stream_get_state(stream) == PA_STREAM_READY;
}

// Lock held.
void dropStream(pa_stream *&stream)
{
    if (!stream)
        return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

void forget(pa_operation *operation)
{
    if (operation)
        pa_operation_unref(operation);
}

}  // namespace

PulseCaptureDevice::PulseCaptureDevice(const QByteArray &source)
    : m_pulse("Nuvoxa audio test")
    , m_source(source)
{
}

PulseCaptureDevice::~PulseCaptureDevice()
{
    stop();
    close();
}

QStringList PulseCaptureDevice::inputNames()
{
    QStringList names;
    if (!m_pulse.connect(ConnectTimeoutMs))
        return names;
    PulseLocker locker(m_pulse);
    pa_operation *op = pa_context_get_source_info_list(
        m_pulse.context(),
        [](pa_context *, const pa_source_info *info, int eol, void *userdata) {
            // A monitor replays an output; it is no input device.
            if (!eol && info && info->monitor_of_sink == PA_INVALID_INDEX)
                static_cast<QStringList *>(userdata)->append(QString::fromUtf8(info->description));
        },
        &names);
    m_pulse.waitOperation(op, RequestTimeoutMs);
    return names;
}

bool PulseCaptureDevice::open(DataNotify notify)
{
    if (!m_pulse.connect(ConnectTimeoutMs))
        return false;
    PulseLocker locker(m_pulse);
    dropStream(m_stream);
    m_notify = std::move(notify);
    m_running = false;
    m_stream = pa_stream_new(m_pulse.context(), "Audio test input", &TestFormat, nullptr);
    if (!m_stream)
        return false;
    pa_stream_set_state_callback(m_stream, &wakeWaiter, &m_pulse);
    pa_stream_set_read_callback(m_stream, &PulseCaptureDevice::readable, this);
    // Fragments of a few capture buffers keep the data flowing in small steps.
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = 4096;
    const int flags = PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY;
    if (pa_stream_connect_record(m_stream, m_source.isEmpty() ? nullptr : m_source.constData(),
                                 &attr, pa_stream_flags_t(flags))
            < 0
        || !waitConnected(m_pulse, m_stream)) {
        dropStream(m_stream);
        return false;
    }
    return true;
}

bool PulseCaptureDevice::addBuffer(CaptureBuffer *buffer)
{
    buffer->recorded = 0;
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_queue.push_back(buffer);
    return true;
}

bool PulseCaptureDevice::start()
{
    PulseLocker locker(m_pulse);
    if (!m_stream)
        return false;
    m_running = true;
    forget(pa_stream_cork(m_stream, 0, nullptr, nullptr));
    return true;
}

void PulseCaptureDevice::stop()
{
    {
        PulseLocker locker(m_pulse);
        m_running = false;
        if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
            forget(pa_stream_cork(m_stream, 1, nullptr, nullptr));
            forget(pa_stream_flush(m_stream, nullptr, nullptr));
        }
    }
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_queue.clear();
}

void PulseCaptureDevice::close()
{
    PulseLocker locker(m_pulse);
    m_running = false;
    dropStream(m_stream);
    m_notify = nullptr;
}

void PulseCaptureDevice::readable(pa_stream *stream, size_t, void *self)
{
    auto *device = static_cast<PulseCaptureDevice *>(self);
    while (pa_stream_readable_size(stream) > 0) {
        const void *data = nullptr;
        size_t length = 0;
        if (pa_stream_peek(stream, &data, &length) < 0 || length == 0)
            return;
        if (device->m_running)
            device->deliver(static_cast<const char *>(data), length);
        pa_stream_drop(stream);
    }
}

void PulseCaptureDevice::deliver(const char *data, size_t length)
{
    // Only this thread takes buffers off the queue, so the front stays put
    // between the two locked looks; the notification may queue again.
    while (length > 0) {
        CaptureBuffer *buffer;
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            if (m_queue.empty())
                return;
            buffer = m_queue.front();
        }
        const size_t n = std::min(length, size_t(buffer->length - buffer->recorded));
        // A hole in the stream (no data) is silence.
        if (data) {
            std::memcpy(buffer->data + buffer->recorded, data, n);
            data += n;
        } else {
            std::memset(buffer->data + buffer->recorded, 0, n);
        }
        buffer->recorded += int(n);
        length -= n;
        if (buffer->recorded == buffer->length) {
            {
                std::lock_guard<std::mutex> guard(m_queueLock);
                m_queue.pop_front();
            }
            if (m_notify)
                m_notify(buffer);
        }
    }
}

PulsePlaybackDevice::PulsePlaybackDevice()
    : m_pulse("Nuvoxa audio test")
{
}

PulsePlaybackDevice::~PulsePlaybackDevice()
{
    close();
}

bool PulsePlaybackDevice::open(DoneNotify notify)
{
    if (!m_pulse.connect(ConnectTimeoutMs))
        return false;
    PulseLocker locker(m_pulse);
    dropStream(m_stream);
    m_notify = std::move(notify);
    m_pending = false;
    m_stream = pa_stream_new(m_pulse.context(), "Audio test output", &TestFormat, nullptr);
    if (!m_stream)
        return false;
    pa_stream_set_state_callback(
        m_stream,
        [](pa_stream *stream, void *self) {
            auto *device = static_cast<PulsePlaybackDevice *>(self);
            const pa_stream_state_t state = pa_stream_get_state(stream);
            // A stream that dies never finishes playing: count it as played.
            if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
                device->finish();
            device->m_pulse.wake();
        },
        this);
    // Room for one block: playback starts as soon as a block is written, and
    // the output runs no further behind than that.
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(AudioBlockBytes);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr)
            < 0
        || !waitConnected(m_pulse, m_stream)) {
        dropStream(m_stream);
        return false;
    }
    return true;
}

bool PulsePlaybackDevice::write(const char *data, int length)
{
    PulseLocker locker(m_pulse);
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY
        || pa_stream_write(m_stream, data, size_t(length), nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return false;
    m_pending = true;
    // Draining also starts playback of a block shorter than the server's
    // start threshold.
    pa_operation *drain = pa_stream_drain(
        m_stream,
        [](pa_stream *, int, void *self) { static_cast<PulsePlaybackDevice *>(self)->finish(); },
        this);
    if (!drain) {
        m_pending = false;
        return false;
    }
    pa_operation_unref(drain);
    return true;
}

void PulsePlaybackDevice::finish()
{
    if (!m_pending)
        return;
    m_pending = false;
    if (m_notify)
        m_notify();
}

void PulsePlaybackDevice::reset()
{
    PulseLocker locker(m_pulse);
    m_pending = false;
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY)
        forget(pa_stream_flush(m_stream, nullptr, nullptr));
}

void PulsePlaybackDevice::close()
{
    PulseLocker locker(m_pulse);
    m_pending = false;
    // Disconnecting cancels a drain still under way, so its callback never
    // runs after this.
    dropStream(m_stream);
    m_notify = nullptr;
}

std::unique_ptr<CaptureDevice> AudioDevices::createCapture()
{
    return std::make_unique<PulseCaptureDevice>();
}

std::unique_ptr<PlaybackDevice> AudioDevices::createPlayback()
{
    return std::make_unique<PulsePlaybackDevice>();
}
