#ifndef NUVOXA_BENCH_CALLCOUNTER_H
#define NUVOXA_BENCH_CALLCOUNTER_H

// Counts the voice library's call reports for the benchmarks that place
// calls: register onState with OnCallState, then wait for the counters.

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace BenchCalls {

inline std::mutex g_mutex;
inline std::condition_variable g_cv;
inline int g_confirmed = 0;
inline int g_ended = 0;

inline void onState(char *state)
{
    {
        std::lock_guard<std::mutex> lk(g_mutex);
        if (std::strcmp(state, "CONFIRMED") == 0)
            ++g_confirmed;
        else if (std::strcmp(state, "DISCONNCTD") == 0)
            ++g_ended;
    }
    g_cv.notify_all();
}

// Waits until *counter reaches target; false after ms milliseconds.
inline bool waitCount(int *counter, int target, int ms)
{
    std::unique_lock<std::mutex> lk(g_mutex);
    return g_cv.wait_for(lk, std::chrono::milliseconds(ms), [&] { return *counter >= target; });
}

}  // namespace BenchCalls

#endif
