// The ringback tone the caller hears while the far end rings.
#ifndef CALLSDK_TONE_H
#define CALLSDK_TONE_H

#include <atomic>
#include <memory>
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
    ~Ringback();
    // Starts the tone on `sink` (PulseAudio's name; empty: the default).
    void start(const std::string &sink);
    // Stops the tone without waiting.
    void stop();

private:
    std::shared_ptr<std::atomic<bool>> stop_;
};

}  // namespace callsdk

#endif
