// PulseAudio's default devices as the sound server reports them, kept up to
// date on a connection of their own.
#ifndef CALLSDK_PULSEWATCH_H
#define CALLSDK_PULSEWATCH_H

#include <pulse/pulseaudio.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace callsdk {

struct PulseDefaults
{
    std::string sink;
    std::string source;
    std::string sinkDescription;
    std::string sourceDescription;
};

// Asking the sound server at each call costs a connection and three round
// trips on the engine thread, while the SIP answers of that call wait: the
// watch asks once, then again only when the server says that its defaults
// changed, and a call reads the last answer.
class PulseWatch
{
public:
    ~PulseWatch();
    // The last answer. Without one yet (first use, or the server went away
    // and came back) this (re)connects and waits up to `wait` for it; false
    // when there is none.
    bool defaults(PulseDefaults *out, std::chrono::milliseconds wait);
    // The same question as defaults() asks of a known answer, without
    // waiting for it: a ticket for confirmed(), or 0 when there is no answer
    // to confirm (then defaults() must wait).
    uint64_t check();
    // Whether the server has answered `ticket` and the answer is settled;
    // then `out` holds it, or false comes back in `*ok` when the connection
    // was lost meanwhile.
    bool confirmed(uint64_t ticket, PulseDefaults *out, bool *ok);
    // Closes the connection; the next question opens a new one.
    void stop();

private:
    void start();  // m_ held
    // Asks the server whether its defaults are still the last answer's:
    // the ticket of that question, 0 when it could not be asked; m_ held,
    // released meanwhile.
    uint64_t sendCheck(std::unique_lock<std::mutex> &lk);
    static void onCheck(pa_context *ctx, const pa_server_info *info, void *user);
    void ask(pa_context *ctx);  // on the sound server's thread, as the other callbacks
    static void onState(pa_context *ctx, void *user);
    static void onChange(
        pa_context *ctx, pa_subscription_event_type_t type, uint32_t index, void *user);
    static void onServerInfo(pa_context *ctx, const pa_server_info *info, void *user);
    static void onSinkInfo(pa_context *ctx, const pa_sink_info *info, int eol, void *user);
    static void onSourceInfo(pa_context *ctx, const pa_source_info *info, int eol, void *user);
    void answered(pa_context *ctx);  // one answer of the pending ones is in

    std::mutex m_;
    std::condition_variable cv_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *ctx_ = nullptr;
    bool failed_ = false;  // the connection is gone: the next question reconnects
    bool known_ = false;  // current_ holds an answer
    bool changing_ = false;  // a question is out: current_ may be old
    PulseDefaults current_;
    uint64_t checksAsked_ = 0;
    uint64_t checksAnswered_ = 0;
    // The sound server's thread only.
    PulseDefaults asking_;
    int pending_ = 0;
    bool askAgain_ = false;  // a change came while a question was out
};

}  // namespace callsdk

#endif
