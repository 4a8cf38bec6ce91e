// Measures another program from the outside, the same way for the client
// and for the peers it is compared with. Prints NAME=value lines.
//
//   probe window [--settle S] [--idle S] [--timeout S] -- CMD ARGS...
//     start -> first window of the process mapped on $DISPLAY (X MapNotify
//     of a window whose _NET_WM_PID is the process); then, after S seconds,
//     resident memory (RSS and PSS), and CPU (user + system) over the idle
//     seconds.
//   probe cli --ready RE --dial TEXT --established RE [--hangup TEXT]
//             [--quit TEXT] [--calls N] [--idle S] [--proxy-port P] -- CMD ARGS...
//     runs a console SIP client on a terminal: start -> a line matching
//     --ready, or with "--ready wire" the proxy's 200 to its REGISTER on the
//     wire (registered); resident memory (RSS, PSS) and idle CPU; then per call the
//     dial command -> INVITE and ACK on the wire (with --proxy-port) and ->
//     a line matching --established.
#include "sniff.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// The value of the "KEY:" line of a /proc/PID file that counts kB, in MiB.
double procMiB(pid_t pid, const char *file, const char *key)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/%s", int(pid), file);
    FILE *f = std::fopen(path, "r");
    if (!f)
        return -1;
    char line[256];
    const size_t keyLength = std::strlen(key);
    double kb = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, keyLength) == 0)
            kb = std::atof(line + keyLength);
    }
    std::fclose(f);
    return kb < 0 ? -1 : kb / 1024.0;
}

double rssMiB(pid_t pid)
{
    return procMiB(pid, "status", "VmRSS:");
}

// RSS counts every shared library page the process touches in full; PSS
// splits each shared page among the processes that map it, so it says what
// the process costs the machine beside the others.
double pssMiB(pid_t pid)
{
    return procMiB(pid, "smaps_rollup", "Pss:");
}

// utime + stime of the process and its threads, in seconds.
double cpuSeconds(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    FILE *f = std::fopen(path, "r");
    if (!f)
        return -1;
    char buf[2048];
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    const char *p = std::strrchr(buf, ')');
    if (!p)
        return -1;
    unsigned long long utime = 0, stime = 0;
    // Fields after the command: state(3) ... utime(14) stime(15).
    std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime);
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

void idleFigures(pid_t pid, double idleSeconds)
{
    std::printf("rss_mib=%.1f\n", rssMiB(pid));
    std::printf("pss_mib=%.1f\n", pssMiB(pid));
    std::fflush(stdout);
    if (idleSeconds <= 0)
        return;
    double c0 = cpuSeconds(pid);
    Clock::time_point w0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    double c1 = cpuSeconds(pid);
    std::printf("idle_cpu_pct=%.3f\n", 100.0 * (c1 - c0) / (msSince(w0) / 1000.0));
    std::fflush(stdout);
}

void stopChild(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

long windowPid(Display *dpy, Window w)
{
    Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data) ==
            Success &&
        data && items == 1)
        pid = long(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

int windowMode(double settle, double idle, double timeout, char **cmd)
{
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "probe: no X display\n");
        return 2;
    }
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);
    Clock::time_point t0 = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        execvp(cmd[0], cmd);
        _exit(127);
    }
    double mapped = -1;
    while (mapped < 0 && msSince(t0) < timeout * 1000) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == MapNotify && !ev.xmap.override_redirect && windowPid(dpy, ev.xmap.window) == pid) {
                mapped = msSince(t0);
                break;
            }
        }
        if (mapped >= 0)
            break;
        pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
        poll(&pfd, 1, 20);
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "probe: the program ended before showing a window\n");
            return 1;
        }
    }
    XCloseDisplay(dpy);
    std::printf("window_ms=%.1f\n", mapped);
    std::fflush(stdout);
    if (mapped >= 0 && (settle > 0 || idle > 0)) {
        std::this_thread::sleep_for(std::chrono::duration<double>(settle));
        idleFigures(pid, idle);
    }
    stopChild(pid);
    return mapped < 0 ? 1 : 0;
}

struct Console {
    int fd = -1;
    pid_t pid = -1;
    std::string out;

    // Reads output until the regular expression matches text that arrived
    // after `from`; the position after the match, or npos on timeout.
    size_t waitFor(const std::regex &re, size_t from, double seconds)
    {
        Clock::time_point t0 = Clock::now();
        for (;;) {
            std::smatch m;
            std::string tail = out.substr(std::min(from, out.size()));
            if (std::regex_search(tail, m, re))
                return from + size_t(m.position(0) + m.length(0));
            double left = seconds * 1000 - msSince(t0);
            if (left <= 0)
                return std::string::npos;
            pollfd pfd{fd, POLLIN, 0};
            if (poll(&pfd, 1, int(std::min(left, 50.0)) + 1) > 0) {
                char buf[4096];
                ssize_t n = read(fd, buf, sizeof buf);
                if (n <= 0)
                    return std::string::npos;
                out.append(buf, size_t(n));
            }
        }
    }
    void send(const std::string &text)
    {
        std::string line = text + "\n";
        if (write(fd, line.data(), line.size()) < 0)
            std::perror("probe: write");
    }
    void drain()
    {
        char buf[4096];
        pollfd pfd{fd, POLLIN, 0};
        while (poll(&pfd, 1, 0) > 0) {
            ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, size_t(n));
        }
    }
};

int cliMode(const std::string &ready, const std::string &dial, const std::string &established,
            const std::string &hangup, const std::string &quit, int calls, double idle, int proxyPort, char **cmd)
{
    SipSniffer sniffer;
    if (proxyPort > 0 && !sniffer.start(proxyPort))
        std::fprintf(stderr, "probe: no capture on lo; wire figures left out\n");
    Console c;
    termios tio{};
    cfmakeraw(&tio);
    tio.c_oflag |= OPOST | ONLCR;
    winsize ws{40, 160, 0, 0};
    Clock::time_point t0 = Clock::now();
    c.pid = forkpty(&c.fd, nullptr, &tio, &ws);
    if (c.pid == 0) {
        execvp(cmd[0], cmd);
        _exit(127);
    }
    if (c.pid < 0)
        return 2;
    std::regex readyRe(ready == "wire" ? std::string("(?!)") : ready), estRe(established);
    size_t pos = std::string::npos;
    if (ready == "wire") {
        // Registered once the proxy's 200 to a REGISTER is on the wire.
        double r0 = realNow() - msSince(t0) / 1000.0;
        for (int k = 0; k < 2000 && pos == std::string::npos; ++k) {
            for (const SipPacket &p : sniffer.since(r0)) {
                if (p.srcPort == proxyPort && p.first.rfind("SIP/2.0 200", 0) == 0 &&
                    p.cseq.find("REGISTER") != std::string::npos)
                    pos = c.out.size();
            }
            if (pos == std::string::npos)
                c.waitFor(readyRe, c.out.size(), 0.01);
        }
    } else {
        pos = c.waitFor(readyRe, 0, 20);
    }
    if (pos == std::string::npos) {
        std::fprintf(stderr, "probe: not ready; output:\n%s\n", c.out.c_str());
        stopChild(c.pid);
        return 1;
    }
    std::printf("ready_ms=%.1f\n", msSince(t0));
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    c.drain();
    idleFigures(c.pid, idle);
    c.drain();
    int status = 0;
    for (int i = 0; i < calls; ++i) {
        c.drain();
        size_t from = c.out.size();
        double r0 = realNow();
        Clock::time_point d0 = Clock::now();
        c.send(dial);
        size_t end = c.waitFor(estRe, from, 10);
        double est = end == std::string::npos ? -1 : msSince(d0);
        CallWire wire;
        if (proxyPort > 0) {
            for (int k = 0; k < 100 && wire.ack < 0; ++k) {
                wire = callWire(sniffer.since(r0), r0, proxyPort);
                if (wire.ack < 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        std::printf("established_ms=%.3f\n", est);
        printWire(stdout, wire);
        std::fflush(stdout);
        if (est < 0) {
            std::fprintf(stderr, "probe: no established line; output:\n%s\n", c.out.substr(from).c_str());
            status = 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (!hangup.empty())
            c.send(hangup);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        c.drain();
    }
    if (!quit.empty()) {
        c.send(quit);
        for (int i = 0; i < 30 && waitpid(c.pid, nullptr, WNOHANG) != c.pid; ++i) {
            c.drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    stopChild(c.pid);
    if (std::getenv("PROBE_SHOW_OUTPUT"))
        std::fprintf(stderr, "%s\n", c.out.c_str());
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: probe window|cli [options] -- CMD ARGS...\n");
        return 2;
    }
    std::string mode = argv[1];
    double settle = 0, idle = 0, timeout = 30;
    std::string ready, dial, established, hangup, quit;
    int calls = 0, proxyPort = 0;
    int i = 2;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        std::string a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : "";
        if (a == "--settle") settle = std::atof(v);
        else if (a == "--idle") idle = std::atof(v);
        else if (a == "--timeout") timeout = std::atof(v);
        else if (a == "--ready") ready = v;
        else if (a == "--dial") dial = v;
        else if (a == "--established") established = v;
        else if (a == "--hangup") hangup = v;
        else if (a == "--quit") quit = v;
        else if (a == "--calls") calls = std::atoi(v);
        else if (a == "--proxy-port") proxyPort = std::atoi(v);
        else {
            std::fprintf(stderr, "probe: unknown option %s\n", a.c_str());
            return 2;
        }
        ++i;
    }
    if (i + 1 >= argc) {
        std::fprintf(stderr, "probe: no command after --\n");
        return 2;
    }
    char **cmd = argv + i + 1;
    signal(SIGPIPE, SIG_IGN);
    if (mode == "window")
        return windowMode(settle, idle, timeout, cmd);
    if (mode == "cli")
        return cliMode(ready, dial, established, hangup, quit, calls, idle, proxyPort, cmd);
    std::fprintf(stderr, "probe: unknown mode %s\n", mode.c_str());
    return 2;
}
