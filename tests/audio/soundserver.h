#ifndef NUVOXA_TESTS_AUDIO_SOUNDSERVER_H
#define NUVOXA_TESTS_AUDIO_SOUNDSERVER_H

#include "audio/pulseaudiodevice.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <mutex>

// A private sound server for one test: a daemon on a socket in the test's
// runtime folder, with a null sink "out" (default output), a null source
// "mic" (default input, silence) and a null sink "tone" whose monitor
// "tone.monitor" carries a 1000 Hz tone once playTone() has started it (a
// clocked input, unlike the server's own sine source, which delivers as fast
// as it is read). Points PULSE_SERVER of this process at it.
class SoundServer
{
public:
    static constexpr int ToneHz = 1000;

    ~SoundServer();
    bool start();
    void stop();
    // Plays the tone into "tone" until stop(); true once its monitor carries it.
    bool playTone();
    // Runs pactl against the server; its standard output.
    QString pactl(const QStringList &arguments, bool *ok = nullptr);
    // Percent pactl shows for a sink or source ("get-sink-volume out").
    int volumePercent(const QString &kind, const QString &name);

private:
    QProcess m_daemon;
    QProcess m_tone;
    QString m_folder;
};

// Records a device of the server (e.g. "out.monitor") in the test format and
// notes when each piece arrived, counted from `clock`.
class Recorder
{
public:
    Recorder(const QByteArray &source, const QElapsedTimer &clock);
    ~Recorder();
    bool start();
    void stop();
    // Waits until sound has arrived: a null sink that has just been created
    // renders its first piece only after a second or two.
    bool waitForSound(int timeoutMs);

    struct Window
    {
        double arrivedSeconds;  // when its last byte arrived
        double rms;             // 0 to 1
        double hertz;           // from zero crossings of the left channel
    };
    // The recording cut into windows of `ms` milliseconds.
    QVector<Window> windows(int ms) const;

private:
    PulseCaptureDevice m_device;
    const QElapsedTimer &m_clock;
    CaptureBuffer m_buffers[8];
    mutable std::mutex m_lock;
    QByteArray m_data;
    QVector<QPair<qint64, double>> m_arrivals;  // bytes so far, seconds
};

// The tone is there: loud enough and at its frequency.
bool hasTone(const Recorder::Window &window);
// Nothing audible.
bool isSilent(const Recorder::Window &window);

#endif
