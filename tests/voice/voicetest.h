// Helpers shared by the voice library tests: the call-state recorder, the
// test stack's addresses, the library's log and a tone detector.
#ifndef NUVOXA_VOICETEST_H
#define NUVOXA_VOICETEST_H

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace voicetest {

// Receives the library's call-state texts. Like the client's state function,
// it answers "DISCONNCTD" with call_hangup() on the calling thread.
class Recorder {
public:
    static Recorder &instance();
    static void stateFunction(char *state);

    void clear();
    QStringList states() const;
    int count(const QString &state) const;
    // Waits until `state` has arrived `times` times in total.
    bool waitFor(const QString &state, int times, std::chrono::milliseconds limit) const;
    std::vector<std::thread::id> threads() const;
};

// The stack's demo account (NUVOXA_DEMO = account:password).
QByteArray demoAccount();
QByteArray demoPassword();
// getServerIp + loginServer with the demo account.
bool loginDemo();

// Lines of the library's log file that contain `text`.
int logCount(const QString &text);
QString logText();

// Runs a command; its standard output, or an empty array on failure.
QByteArray runTool(const QString &program, const QStringList &args, int timeoutMs = 10000);
// One SQL statement on the stack database (NUVOXA_DB) through sqlite3, or
// psql when it is a postgresql:// URL.
QString sql(const QString &statement);

// Records `ms` milliseconds of PulseAudio's default sink monitor (8 kHz mono s16).
std::vector<short> recordSink(int ms);
// A PulseAudio of the test's own: a null speaker and, as the microphone, a
// tone of `hz` played in real time, both the defaults. start() points
// PULSE_SERVER at it.
class PrivatePulse {
public:
    ~PrivatePulse();
    bool start(int hz);

private:
    QString dir_;
    qint64 pid_ = 0;
    QProcess tone_;
};

// Relative strength of a frequency in a recording: energy at `hz` (Goertzel)
// over the whole signal's energy, 0..1. Near 1 for a clean tone of that
// frequency, near 0 for silence or other tones.
double toneShare(const std::vector<short> &samples, double hz, int rate = 8000);
// The strongest frequency of a recording (2 Hz steps).
double dominantFrequency(const std::vector<short> &samples, int rate = 8000);
double rms(const std::vector<short> &samples);
// The strongest frequency in the speaker once `hz` is there: a call's first
// audio may come late on a loaded machine or a sanitizer build, so it
// listens for up to 6 s in windows of 750 ms.
double heardTone(double hz);

// A one-answer HTTP server on a free loopback port: every request gets
// `serverAnswer` with status 200.
class FakeCloud {
public:
    explicit FakeCloud(const QByteArray &serverAnswer);
    ~FakeCloud();
    QByteArray host() const;
    int requests() const { return requests_; }

private:
    QByteArray answer_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

// A UDP port on loopback that nothing listens on (at the time of the call).
int freeUdpPort();
// A UDP socket on loopback that receives and never answers; *fd is to be closed.
int udpSink(int *fd);

} // namespace voicetest

#endif
