#include "audio/ringtone.h"

#include "audio/audiodevice.h"

#include <QtEndian>

#include <cmath>

namespace {

const int kRate = 44100;
const int kBurstMs = 400;
const int kGapMs = 200;
const int kPauseMs = 2000;
const double kLevel = 0.25; // of full scale, for both tones together

}  // namespace

RingTone::RingTone(QObject *parent)
    : QObject(parent)
{
    // Each cycle ends in its pause: a late timer only makes a pause longer.
    m_timer.setInterval(cycleMs());
    connect(&m_timer, &QTimer::timeout, this, &RingTone::playCycle);
}

RingTone::~RingTone()
{
    stop();
}

int RingTone::cycleMs()
{
    return 2 * kBurstMs + kGapMs + kPauseMs;
}

QByteArray RingTone::cycle()
{
    const int frames = kRate * cycleMs() / 1000;
    QByteArray pcm(frames * 4, '\0');
    auto *out = reinterpret_cast<qint16 *>(pcm.data());
    const int burst = kRate * kBurstMs / 1000;
    const int secondStart = kRate * (kBurstMs + kGapMs) / 1000;
    for (int i = 0; i < frames; ++i) {
        const bool on = i < burst || (i >= secondStart && i < secondStart + burst);
        double v = 0;
        if (on) {
            const double t = double(i) / kRate;
            v = kLevel / 2 * (std::sin(2 * M_PI * 440 * t) + std::sin(2 * M_PI * 480 * t));
        }
        const qint16 sample = qToLittleEndian(qint16(std::lround(v * 32767)));
        out[2 * i] = sample;
        out[2 * i + 1] = sample;
    }
    return pcm;
}

void RingTone::start()
{
    if (m_device)
        return;
    std::unique_ptr<PlaybackDevice> device = AudioDevices::instance().createPlayback();
    if (!device || !device->open([] {}))
        return;
    m_device = std::move(device);
    if (m_cycle.isEmpty())
        m_cycle = cycle();
    playCycle();
    m_timer.start();
}

void RingTone::stop()
{
    m_timer.stop();
    if (!m_device)
        return;
    m_device->reset();
    m_device->close();
    m_device.reset();
}

void RingTone::playCycle()
{
    if (m_device && !m_device->write(m_cycle.constData(), m_cycle.size()))
        stop();
}
