#include "soundserver.h"

#include <QDir>
#include <QRegularExpression>
#include <QThread>

#include <cmath>
#include <cstring>

SoundServer::~SoundServer()
{
    stop();
}

bool SoundServer::start()
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    m_folder = runtime + QStringLiteral("/sound-server");
    QDir(m_folder).removeRecursively();
    QDir().mkpath(m_folder);
    const QString socket = m_folder + QStringLiteral("/native");
    qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());

    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.setStandardOutputFile(QProcess::nullDevice());
    m_daemon.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--disable-shm=yes"), QStringLiteral("--log-level=error"),
                    QStringLiteral("-L"),
                    QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1")
                        .arg(socket),
                    QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=out"),
                    QStringLiteral("-L"), QStringLiteral("module-null-source source_name=mic"),
                    QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=tone")});
    if (!m_daemon.waitForStarted(5000))
        return false;
    for (int i = 0; i < 100; ++i) {
        bool ok = false;
        pactl({QStringLiteral("info")}, &ok);
        if (ok) {
            pactl({QStringLiteral("set-default-sink"), QStringLiteral("out")});
            pactl({QStringLiteral("set-default-source"), QStringLiteral("mic")});
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

bool SoundServer::playTone()
{
    m_tone.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_tone.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("sox -q -n -t raw -r 44100 -c 2 -b 16 -e signed-integer - "
                                 "synth 600 sine %1 vol 0.5 | pacat --device=tone --latency-msec=50 --rate=44100 "
                                 "--channels=2 --format=s16le --raw")
                      .arg(ToneHz)});
    if (!m_tone.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    Recorder monitor("tone.monitor", clock);
    if (!monitor.start())
        return false;
    while (clock.elapsed() < 10000) {
        QThread::msleep(50);
        const QVector<Recorder::Window> windows = monitor.windows(50);
        if (!windows.isEmpty() && hasTone(windows.last()))
            return true;
    }
    return false;
}

void SoundServer::stop()
{
    if (m_tone.state() != QProcess::NotRunning) {
        m_tone.kill();
        m_tone.waitForFinished(5000);
    }
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

QString SoundServer::pactl(const QStringList &arguments, bool *ok)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    const bool finished = process.waitForFinished(10000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

int SoundServer::volumePercent(const QString &kind, const QString &name)
{
    const QString text = pactl({QStringLiteral("get-%1-volume").arg(kind), name});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("(\\d+)%")).match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

Recorder::Recorder(const QByteArray &source, const QElapsedTimer &clock)
    : m_device(source)
    , m_clock(clock)
{
    for (CaptureBuffer &buffer : m_buffers) {
        buffer.data = new char[4096];
        buffer.length = 4096;
    }
}

Recorder::~Recorder()
{
    stop();
    m_device.close();
    for (CaptureBuffer &buffer : m_buffers)
        delete[] buffer.data;
}

bool Recorder::start()
{
    const bool opened = m_device.open([this](CaptureBuffer *buffer) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_data.append(buffer->data, buffer->recorded);
            m_arrivals.append({m_data.size(), m_clock.nsecsElapsed() / 1e9});
        }
        m_device.addBuffer(buffer);
    });
    if (!opened)
        return false;
    for (CaptureBuffer &buffer : m_buffers)
        m_device.addBuffer(&buffer);
    return m_device.start();
}

bool Recorder::waitForSound(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (!m_data.isEmpty())
                return true;
        }
        QThread::msleep(10);
    }
    return false;
}

void Recorder::stop()
{
    m_device.stop();
}

QVector<Recorder::Window> Recorder::windows(int ms) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const int frames = 44100 * ms / 1000;
    const int bytes = frames * 4;
    QVector<Window> result;
    int arrival = 0;
    for (qint64 start = 0; start + bytes <= m_data.size(); start += bytes) {
        const auto *samples = reinterpret_cast<const qint16 *>(m_data.constData() + start);
        double sum = 0;
        int crossings = 0;
        for (int i = 0; i < frames; ++i) {
            const double left = samples[2 * i] / 32768.0;
            sum += left * left;
            if (i > 0 && (samples[2 * i - 2] < 0) != (samples[2 * i] < 0))
                ++crossings;
        }
        while (arrival < m_arrivals.size() - 1 && m_arrivals[arrival].first < start + bytes)
            ++arrival;
        result.append({m_arrivals.value(arrival).second, std::sqrt(sum / frames),
                       crossings / 2.0 / (ms / 1000.0)});
    }
    return result;
}

bool hasTone(const Recorder::Window &window)
{
    return window.rms > 0.05 && std::abs(window.hertz - SoundServer::ToneHz) < 40;
}

bool isSilent(const Recorder::Window &window)
{
    return window.rms < 0.001;
}
