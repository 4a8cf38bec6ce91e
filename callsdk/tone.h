// The ringback tone the caller hears while the far end rings.
#ifndef CALLSDK_TONE_H
#define CALLSDK_TONE_H

#include <string>

namespace callsdk {

// Writes a 16-bit mono WAV file: 450 Hz for one second, then four seconds of
// silence. True when the file was written.
bool writeRingback(const std::string &path);

}

#endif
