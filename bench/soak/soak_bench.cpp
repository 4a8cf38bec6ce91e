// Soak run of the voice library against the local service stack: CALLS calls
// (default 200) to the echo gateway, each set up, held briefly and hung up,
// with a log-out and a fresh log-in every 50 calls, as a client does over a
// long day. Every 50 calls it prints resident memory, open descriptors and
// threads; it fails when they keep growing after the first round (the first
// 50 calls load the media plugins and warm the allocator).
// The stack's addresses come from the environment (run-soak-bench.sh).
#include "callcounter.h"
#include "callsdk.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

using namespace BenchCalls;

long statusKb(const char *key)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, n) == 0)
            value = std::atol(line + n);
    }
    std::fclose(f);
    return value;
}

int countEntries(const char *path)
{
    DIR *dir = opendir(path);
    if (!dir)
        return -1;
    int n = 0;
    while (const dirent *e = readdir(dir)) {
        if (e->d_name[0] != '.')
            ++n;
    }
    closedir(dir);
    return n - 1;  // the descriptor of this very listing
}

struct Sample
{
    int calls;
    long rssKb;
    int fds;
    long threads;
};

bool login(std::string account, std::string password)
{
    getServerIp();
    return loginServer(&account[0], &password[0], 1) != -1;
}

} // namespace

int main(int argc, char **argv)
{
    const char *demo = std::getenv("NUVOXA_DEMO");
    if (!demo || !std::strchr(demo, ':')) {
        std::fprintf(stderr, "soak_bench: NUVOXA_DEMO (account:password) is not set; use run-soak-bench.sh\n");
        return 2;
    }
    const int calls = argc > 1 ? std::max(50, std::atoi(argv[1])) : 200;
    const std::string account(demo, std::strchr(demo, ':'));
    const std::string password(std::strchr(demo, ':') + 1);
    char number[] = "13800138000";  // echo gateway: answers at once

    OnCallState(onState);
    if (!login(account, password)) {
        std::fprintf(stderr, "soak_bench: registration failed\n");
        return 1;
    }
    std::vector<Sample> samples;
    const Clock::time_point start = Clock::now();
    std::printf("| calls | RSS | open descriptors | threads | elapsed |\n|---|---|---|---|---|\n");
    for (int i = 1; i <= calls; ++i) {
        if (make_call(number) != 1) {
            std::fprintf(stderr, "soak_bench: make_call %d failed\n", i);
            return 1;
        }
        if (!waitCount(&g_confirmed, i, 15000)) {
            std::fprintf(stderr, "soak_bench: call %d not CONFIRMED\n", i);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        call_hangup();
        if (!waitCount(&g_ended, i, 15000)) {
            std::fprintf(stderr, "soak_bench: call %d not DISCONNCTD\n", i);
            return 1;
        }
        if (i % 50 == 0) {
            // Let the engine release the call before measuring.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const Sample s{i, statusKb("VmRSS:"), countEntries("/proc/self/fd"), statusKb("Threads:")};
            samples.push_back(s);
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            std::printf("| %d | %.1f MB | %d | %ld | %.0f s |\n", s.calls, s.rssKb / 1024.0, s.fds, s.threads,
                        seconds);
            std::fflush(stdout);
            callSdkDestroy();
            if (i < calls && !login(account, password)) {
                std::fprintf(stderr, "soak_bench: registration after %d calls failed\n", i);
                return 1;
            }
        }
    }

    // Bounded: after the first round, no steady growth. Allow a little
    // allocator slack for memory and none for descriptors or threads.
    const Sample &first = samples.front();
    const Sample &last = samples.back();
    const long rssGrowthKb = last.rssKb - first.rssKb;
    const bool bounded = rssGrowthKb < 8 * 1024 && last.fds <= first.fds + 2 && last.threads <= first.threads + 1;
    std::printf("growth after the first %d calls: RSS %+.1f MB, descriptors %+d, threads %+ld: %s\n", first.calls,
                rssGrowthKb / 1024.0, last.fds - first.fds, last.threads - first.threads,
                bounded ? "bounded" : "GROWING");
    return bounded ? 0 : 1;
}
