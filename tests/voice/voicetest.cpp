#include "voicetest.h"

#include "callsdk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QCoreApplication>
#include <QProcessEnvironment>

#include <algorithm>
#include <arpa/inet.h>
#include <cmath>
#include <cstring>
#include <csignal>
#include <netinet/in.h>
#include <sys/wait.h>
#include <sys/socket.h>
#include <unistd.h>
#include <condition_variable>
#include <mutex>

namespace voicetest {
namespace {

std::mutex g_mutex;
std::condition_variable g_cv;
QStringList g_states;
std::vector<std::thread::id> g_threads;

QByteArray demoPart(int index)
{
    QByteArray demo = qgetenv("NUVOXA_DEMO");
    int colon = demo.indexOf(':');
    if (colon < 0)
        return QByteArray();
    return index == 0 ? demo.left(colon) : demo.mid(colon + 1);
}

QString dataFolder()
{
    QString dir = QString::fromLocal8Bit(qgetenv("NUVOXA_DATA_DIR"));
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

} // namespace

Recorder &Recorder::instance()
{
    static Recorder r;
    return r;
}

void Recorder::stateFunction(char *state)
{
    QString text = QString::fromUtf8(state);
    {
        std::lock_guard<std::mutex> lk(g_mutex);
        g_states << text;
        g_threads.push_back(std::this_thread::get_id());
    }
    g_cv.notify_all();
    if (text == QLatin1String("DISCONNCTD"))
        call_hangup();
}

void Recorder::clear()
{
    std::lock_guard<std::mutex> lk(g_mutex);
    g_states.clear();
    g_threads.clear();
}

QStringList Recorder::states() const
{
    std::lock_guard<std::mutex> lk(g_mutex);
    return g_states;
}

int Recorder::count(const QString &state) const
{
    std::lock_guard<std::mutex> lk(g_mutex);
    return g_states.count(state);
}

bool Recorder::waitFor(const QString &state, int times, std::chrono::milliseconds limit) const
{
    std::unique_lock<std::mutex> lk(g_mutex);
    return g_cv.wait_for(lk, limit, [&] { return g_states.count(state) >= times; });
}

std::vector<std::thread::id> Recorder::threads() const
{
    std::lock_guard<std::mutex> lk(g_mutex);
    return g_threads;
}

QByteArray demoAccount() { return demoPart(0); }
QByteArray demoPassword() { return demoPart(1); }

bool loginDemo()
{
    QByteArray account = demoAccount();
    QByteArray password = demoPassword();
    if (account.isEmpty())
        return false;
    getServerIp();
    return loginServer(account.data(), password.data(), 1) != -1;
}

QString logText()
{
    QFile f(dataFolder() + QStringLiteral("/temp/callsdk/callsdk.log"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

int logCount(const QString &text)
{
    return logText().count(text);
}

QByteArray runTool(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        return QByteArray();
    }
    return p.readAllStandardOutput();
}

QString sql(const QString &statement)
{
    QString db = QString::fromLocal8Bit(qgetenv("NUVOXA_DB"));
    if (db.isEmpty())
        return QString();
    if (db.startsWith(QLatin1String("postgres")))
        return QString::fromUtf8(runTool(QStringLiteral("psql"),
                                         {"-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", db, "-c", statement}))
            .trimmed();
    return QString::fromUtf8(runTool(QStringLiteral("sqlite3"), {db, statement})).trimmed();
}

std::vector<short> recordSink(int ms)
{
    QString sink = QString::fromUtf8(runTool(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")})).trimmed();
    std::vector<short> out;
    if (sink.isEmpty())
        return out;
    QProcess p;
    p.start(QStringLiteral("parec"), {QStringLiteral("--device=") + sink + QStringLiteral(".monitor"),
                                      QStringLiteral("--format=s16le"), QStringLiteral("--rate=8000"),
                                      QStringLiteral("--channels=1"), QStringLiteral("--raw"),
                                      QStringLiteral("--latency-msec=50")});
    if (!p.waitForStarted(3000))
        return out;
    QByteArray data;
    const int wanted = ms * 8 * 2;
    QElapsedTimer t;
    t.start();
    // The null sink runs slower than real time: read by size, with a generous limit.
    while (data.size() < wanted && t.elapsed() < ms * 4 + 3000) {
        p.waitForReadyRead(100);
        data += p.readAllStandardOutput();
    }
    p.kill();
    p.waitForFinished(1000);
    out.resize(size_t(data.size() / 2));
    std::memcpy(out.data(), data.constData(), out.size() * 2);
    return out;
}

PrivatePulse::~PrivatePulse()
{
    if (pid_ > 0) {
        ::kill(pid_t(pid_), SIGTERM);
        for (int i = 0; i < 50 && ::kill(pid_t(pid_), 0) == 0; ++i)
            QThread::msleep(50);
        int status;
        ::waitpid(pid_t(pid_), &status, WNOHANG);
    }
    if (tone_.state() != QProcess::NotRunning && !tone_.waitForFinished(3000)) {
        tone_.kill();
        tone_.waitForFinished(1000);
    }
    if (!dir_.isEmpty())
        QDir(dir_).removeRecursively();
}

bool PrivatePulse::start(int hz)
{
    QString base = QString::fromLocal8Bit(qgetenv("NUVOXA_DATA_DIR"));
    if (base.isEmpty())
        base = QDir::tempPath();
    dir_ = base + QStringLiteral("/pulse-%1").arg(QCoreApplication::applicationPid());
    QDir().mkpath(dir_ + "/home");
    QDir().mkpath(dir_ + "/runtime");
    QFile::setPermissions(dir_ + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QString socket = dir_ + "/native";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("PULSE_SERVER");
    env.insert("HOME", dir_ + "/home");
    env.insert("XDG_CONFIG_HOME", dir_ + "/home");
    env.insert("XDG_RUNTIME_DIR", dir_ + "/runtime");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(dir_ + "/pulseaudio.log");
    p.setStandardErrorFile(dir_ + "/pulseaudio.log", QIODevice::Append);
    p.setProgram(QStringLiteral("pulseaudio"));
    p.setArguments({"-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1", "--use-pid-file=no",
                    "--disable-shm=yes", "--realtime=no", "--high-priority=no",
                    "-L", "module-native-protocol-unix socket=" + socket + " auth-anonymous=1",
                    "-L", "module-null-sink sink_name=test_speaker",
                    // The microphone is a tone played in real time into a
                    // null sink, heard on its monitor. The server's own sine
                    // source delivers as fast as it is read: the call then
                    // sends more than real time, the echo overruns the
                    // receiving jitter buffer and G.729 calls go silent for
                    // a few hundred milliseconds.
                    "-L", "module-null-sink sink_name=test_mic_in rate=8000 channels=1",
                    "-L", "module-remap-source master=test_mic_in.monitor source_name=test_tone"});
    if (!p.startDetached(&pid_))
        return false;
    qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
    for (int i = 0; i < 100; ++i) {
        if (!runTool(QStringLiteral("pactl"), {QStringLiteral("info")}, 2000).isEmpty()) {
            runTool(QStringLiteral("pactl"), {QStringLiteral("set-default-sink"), QStringLiteral("test_speaker")});
            runTool(QStringLiteral("pactl"), {QStringLiteral("set-default-source"), QStringLiteral("test_tone")});
            // Ends with the server (pacat loses it, sox its pipe).
            tone_.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            tone_.start(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("sox -q -n -t raw -r 8000 -c 1 -b 16 -e signed-integer - synth 3600 sine %1 "
                                        "vol 0.5 2>/dev/null | pacat --device=test_mic_in --latency-msec=40 "
                                        "--rate=8000 --channels=1 --format=s16le --raw")
                             .arg(hz)});
            return tone_.waitForStarted(5000);
        }
        QThread::msleep(50);
    }
    return false;
}

namespace {

// |X(hz)|^2 of a window, normalised so that a pure sine gives its share of
// the window's energy (0..1).
double goertzelShare(const short *x, size_t n, double hz, int rate)
{
    const double pi = 3.14159265358979323846;
    double coeff = 2 * std::cos(2 * pi * hz / rate);
    double s1 = 0, s2 = 0, total = 0;
    for (size_t i = 0; i < n; ++i) {
        double v = x[i] / 32768.0;
        double s0 = v + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
        total += v * v;
    }
    if (total <= 1e-9)
        return 0;
    double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return std::min(1.0, power / (total * n / 2.0));
}

} // namespace

double toneShare(const std::vector<short> &samples, double hz, int rate)
{
    // A 0.5 s window from the middle; null sinks are not clocked exactly, so
    // the best match within 3 % of the frequency counts.
    size_t n = std::min<size_t>(samples.size(), size_t(rate / 2));
    if (n < 100)
        return 0;
    const short *x = samples.data() + (samples.size() - n) / 2;
    double best = 0;
    for (double f = hz * 0.97; f <= hz * 1.03; f += 1.0)
        best = std::max(best, goertzelShare(x, n, f, rate));
    return best;
}

double dominantFrequency(const std::vector<short> &samples, int rate)
{
    size_t n = std::min<size_t>(samples.size(), size_t(rate / 2));
    if (n < 100)
        return 0;
    const short *x = samples.data() + (samples.size() - n) / 2;
    double best = 0, bestF = 0;
    for (double f = 100; f <= rate / 2 - 100; f += 2.0) {
        double share = goertzelShare(x, n, f, rate);
        if (share > best) {
            best = share;
            bestF = f;
        }
    }
    return bestF;
}

double rms(const std::vector<short> &samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (short v : samples)
        sum += double(v) * v;
    return std::sqrt(sum / samples.size());
}

} // namespace voicetest

namespace voicetest {

FakeCloud::FakeCloud(const QByteArray &serverAnswer) : answer_(serverAnswer)
{
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(fd_, 8);
    thread_ = std::thread([this] {
        for (;;) {
            int c = accept(fd_, nullptr, nullptr);
            if (c < 0)
                return;
            char buf[4096];
            ssize_t got = recv(c, buf, sizeof buf, 0);
            if (got > 0) {
                QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n"
                                   "Content-Length: " + QByteArray::number(answer_.size()) + "\r\n\r\n" + answer_;
                (void)send(c, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
                requests_++;
            }
            close(c);
        }
    });
}

FakeCloud::~FakeCloud()
{
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
}

QByteArray FakeCloud::host() const
{
    return "127.0.0.1:" + QByteArray::number(port_);
}

int freeUdpPort()
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

int udpSink(int *fd)
{
    *fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(*fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(*fd, reinterpret_cast<sockaddr *>(&a), &len);
    return ntohs(a.sin_port);
}

double heardTone(double hz)
{
    double f = 0;
    for (int i = 0; i < 8; ++i) {
        f = dominantFrequency(recordSink(750));
        if (qAbs(f - hz) < 15)
            break;
    }
    return f;
}

} // namespace voicetest
