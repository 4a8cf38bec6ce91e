// The ringback tone the caller hears while the far end rings.
#ifndef CALLSDK_TONE_H
#define CALLSDK_TONE_H

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace callsdk {

// One cycle of the tone, 16-bit mono at 8 kHz: 450 Hz for one second, then
// four seconds of silence.
std::vector<short> ringbackCycle();

// Plays the ringback on a PulseAudio stream and thread of its own. The SIP
// stack's own ringback is torn down when the far end answers, before the ACK
// goes out, and that teardown held every answered call up by several
// milliseconds; this one is told to stop and nobody waits for it.
class Ringback
{
public:
    // How long the tone waits before it connects to the sound server: a far
    // end that answers at once answers a few milliseconds after it rings,
    // and connecting then only competes with the call's answer and its ACK
    // for the processor. Short enough that nobody hears the tone come late.
    static constexpr std::chrono::milliseconds kHold{20};

    ~Ringback();
    // Starts the tone on `sink` (PulseAudio's name; empty: the default).
    void start(const std::string &sink);
    // Stops the tone without waiting.
    void stop();

private:
    struct Flag
    {
        std::mutex m;
        std::condition_variable cv;
        bool stopped = false;
    };
    std::shared_ptr<Flag> stop_;
};

}  // namespace callsdk

#endif
