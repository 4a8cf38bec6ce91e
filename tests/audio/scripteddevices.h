#ifndef NUVOXA_TESTS_AUDIO_SCRIPTEDDEVICES_H
#define NUVOXA_TESTS_AUDIO_SCRIPTEDDEVICES_H

// Sound devices for the audio test that run on threads of their own, like a
// sound server's, and follow a script: capture delivers buffers filled with
// the number of its cycle (1, 2, 3, ...), playback logs what it is given and
// reports it played after a while.

#include "audio/audiodevice.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

struct AudioScript
{
    bool captureOpens = true;
    bool playbackOpens = true;
    int bytesPerBuffer = 1024;          // recorded bytes per data notification
    int captureDelayUs = 0;             // between notifications
    int playbackUs = 2000;              // from write to done
    bool playbackNeverFinishes = false;

    std::mutex lock;
    QList<QByteArray> played;
    int captureCycles = 0;
    std::atomic<int> captureOpen{0};  // devices open now
    std::atomic<int> playbackOpen{0};

    QList<QByteArray> playedBlocks()
    {
        std::lock_guard<std::mutex> guard(lock);
        return played;
    }
};

class ScriptedCapture : public CaptureDevice
{
public:
    explicit ScriptedCapture(AudioScript &script)
        : m_script(script)
    {
    }
    ~ScriptedCapture() override { stop(); }

    QStringList inputNames() override { return {QStringLiteral("Scripted input")}; }

    bool open(DataNotify notify) override
    {
        if (!m_script.captureOpens)
            return false;
        m_notify = std::move(notify);
        std::lock_guard<std::mutex> guard(m_script.lock);
        m_value = char((m_script.captureCycles++ % 250) + 1);
        ++m_script.captureOpen;
        return true;
    }

    bool addBuffer(CaptureBuffer *buffer) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_queue.push_back(buffer);
        m_wake.notify_all();
        return true;
    }

    bool start() override
    {
        m_running = true;
        m_feeder = std::thread([this] { feed(); });
        return true;
    }

    void stop() override
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_running = false;
            m_wake.notify_all();
        }
        if (m_feeder.joinable())
            m_feeder.join();
        std::lock_guard<std::mutex> guard(m_lock);
        m_queue.clear();
    }

    void close() override
    {
        --m_script.captureOpen;
        m_notify = nullptr;
    }

private:
    void feed()
    {
        for (;;) {
            CaptureBuffer *buffer;
            {
                std::unique_lock<std::mutex> guard(m_lock);
                m_wake.wait(guard, [this] { return !m_running || !m_queue.empty(); });
                if (!m_running)
                    return;
                buffer = m_queue.front();
                m_queue.pop_front();
            }
            if (m_script.captureDelayUs)
                std::this_thread::sleep_for(std::chrono::microseconds(m_script.captureDelayUs));
            buffer->recorded = std::min(m_script.bytesPerBuffer, buffer->length);
            std::fill(buffer->data, buffer->data + buffer->recorded, m_value);
            m_notify(buffer);
        }
    }

    AudioScript &m_script;
    DataNotify m_notify;
    char m_value = 0;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<CaptureBuffer *> m_queue;
    bool m_running = false;
    std::thread m_feeder;
};

class ScriptedPlayback : public PlaybackDevice
{
public:
    explicit ScriptedPlayback(AudioScript &script)
        : m_script(script)
    {
    }
    ~ScriptedPlayback() override { reset(); }

    bool open(DoneNotify notify) override
    {
        if (!m_script.playbackOpens)
            return false;
        m_notify = std::move(notify);
        ++m_script.playbackOpen;
        return true;
    }

    bool write(const char *data, int length) override
    {
        {
            std::lock_guard<std::mutex> guard(m_script.lock);
            m_script.played.append(QByteArray(data, length));
        }
        if (m_script.playbackNeverFinishes)
            return true;
        m_player = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::microseconds(m_script.playbackUs));
            m_notify();
        });
        return true;
    }

    void reset() override
    {
        if (m_player.joinable())
            m_player.join();
    }

    void close() override
    {
        --m_script.playbackOpen;
        m_notify = nullptr;
    }

private:
    AudioScript &m_script;
    DoneNotify m_notify;
    std::thread m_player;
};

class ScriptedDevices : public AudioDevices
{
public:
    explicit ScriptedDevices(AudioScript &script)
        : m_script(script)
    {
        AudioDevices::setInstance(this);
    }
    ~ScriptedDevices() override { AudioDevices::setInstance(nullptr); }

    std::unique_ptr<CaptureDevice> createCapture() override
    {
        return std::make_unique<ScriptedCapture>(m_script);
    }
    std::unique_ptr<PlaybackDevice> createPlayback() override
    {
        return std::make_unique<ScriptedPlayback>(m_script);
    }

private:
    AudioScript &m_script;
};

#endif
