// Voice library figures against the local service stack:
//   core start and registration time, make_call -> CONFIRMED time against a
//   gateway that answers at once, idle CPU while registered, resident memory;
//   with the right to capture on lo (root) and UDP signalling, make_call ->
//   the first INVITE and the ACK of the 200 on the wire, the first call of
//   the process apart (BENCH_SIP_TRACE=1 prints each call's packets).
// The stack's addresses come from the environment (NUVOXA_CLOUD_HOST,
// NUVOXA_DEMO, PULSE_SERVER), as run-voice-bench.sh sets them.
#include "callcounter.h"
#include "callsdk.h"
#include "sniff.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

using namespace BenchCalls;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

long rssKb()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kb = std::atol(line + 6);
    }
    std::fclose(f);
    return kb;
}

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const char *demo = std::getenv("NUVOXA_DEMO");
    if (!demo || !std::strchr(demo, ':')) {
        std::fprintf(stderr, "voice_bench: NUVOXA_DEMO (account:password) is not set; use run-voice-bench.sh\n");
        return 2;
    }
    int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    std::string account(demo, std::strchr(demo, ':'));
    std::string password(std::strchr(demo, ':') + 1);
    const char *number = "13800138000"; // echo gateway: answers at once

    OnCallState(onState);
    getServerIp();

    // Core start: the first call into the engine creates the core.
    Clock::time_point t0 = Clock::now();
    call_hangup();
    double coreStart = msSince(t0);
    Clock::time_point t1 = Clock::now();
    if (loginServer(&account[0], &password[0], 1) == -1) {
        std::fprintf(stderr, "voice_bench: registration failed\n");
        return 1;
    }
    double registration = msSince(t1);
    double startToRegistered = msSince(t0);

    // Idle while registered.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    long rssRegistered = rssKb();
    double c0 = cpuSeconds();
    Clock::time_point w0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    double idleCpu = 100.0 * (cpuSeconds() - c0) / (msSince(w0) / 1000.0);

    // The wire, when it can be read: the SIP host's port is the proxy's.
    const char *sipHost = std::getenv("NUVOXA_SIP_HOST");
    const char *colon = sipHost ? std::strrchr(sipHost, ':') : nullptr;
    const int proxyPort = colon ? std::atoi(colon + 1) : 0;
    SipSniffer sniffer;
    const bool wire = proxyPort > 0 && !std::getenv("NUVOXA_SIP_TLS_HOST") && sniffer.start(proxyPort);
    std::vector<double> invites, acks;

    // Calls.
    std::vector<double> answer;
    long rssCall = -1;
    for (int i = 0; i < calls; ++i) {
        Clock::time_point c = Clock::now();
        const double dialled = realNow();
        if (make_call(const_cast<char *>(number)) != 1) {
            std::fprintf(stderr, "voice_bench: make_call failed\n");
            return 1;
        }
        if (!waitCount(&g_confirmed, i + 1, 10000)) {
            std::fprintf(stderr, "voice_bench: no CONFIRMED\n");
            return 1;
        }
        answer.push_back(msSince(c));
        if (wire) {
            CallWire w;
            for (int tries = 0; tries < 100 && w.ack < 0; ++tries) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                w = callWire(sniffer.since(dialled), dialled, proxyPort);
            }
            invites.push_back(w.invite * 1000);
            acks.push_back(w.ack * 1000);
            printWire(stderr, w);
            if (std::getenv("BENCH_SIP_TRACE")) {
                for (const SipPacket &p : sniffer.since(dialled))
                    std::fprintf(stderr, "%8.3f ms %5d -> %5d %s | %s\n", (p.t - dialled) * 1000, p.srcPort,
                                 p.dstPort, p.first.c_str(), p.cseq.c_str());
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(i == 0 ? 2000 : 300));
        if (i == 0)
            rssCall = rssKb();
        call_hangup();
        if (!waitCount(&g_ended, i + 1, 10000)) {
            std::fprintf(stderr, "voice_bench: no DISCONNCTD\n");
            return 1;
        }
    }
    callSdkDestroy();

    std::printf("| figure | value |\n|---|---|\n");
    std::printf("| core start | %.0f ms |\n", coreStart);
    std::printf("| registration (loginServer) | %.0f ms |\n", registration);
    std::printf("| core start -> registered | %.0f ms |\n", startToRegistered);
    std::printf("| make_call -> CONFIRMED (median of %d) | %.0f ms |\n", calls, median(answer));
    std::printf("| make_call -> CONFIRMED (worst) | %.0f ms |\n", *std::max_element(answer.begin(), answer.end()));
    if (wire && acks.size() > 1) {
        std::vector<double> laterInvites(invites.begin() + 1, invites.end());
        std::vector<double> laterAcks(acks.begin() + 1, acks.end());
        std::printf("| make_call -> INVITE on the wire, first call / later calls (median) | %.2f / %.2f ms |\n",
                    invites[0], median(laterInvites));
        std::printf("| make_call -> ACK of the 200 on the wire, first call / later calls (median) | %.1f / %.1f ms |\n",
                    acks[0], median(laterAcks));
    }
    std::printf("| idle CPU while registered (%d s) | %.2f %% |\n", idleSeconds, idleCpu);
    std::printf("| RSS registered | %.1f MB |\n", rssRegistered / 1024.0);
    std::printf("| RSS in a call | %.1f MB |\n", rssCall / 1024.0);
    return 0;
}
