// When a call's sound devices are opened.
#ifndef CALLSDK_SOUNDOPEN_H
#define CALLSDK_SOUNDOPEN_H

struct _MSFactory;

namespace callsdk {

// The SIP stack starts a call's audio streams when the 200 to its INVITE
// arrives and sends the ACK only once they are started; opening the
// PulseAudio capture and playback streams is the part of that start that
// waits for the sound server (two round trips each). After this, PulseAudio
// devices are opened by the media thread at its first tick of the call,
// right after the ACK is out, instead of on the engine thread before it.
// Covers the devices of `factory` found now and later (a reload of the
// device list included). Engine thread only. The media library keeps
// pointers into this library from then on: the engine library is never
// unloaded.
void openSoundDevicesOnMediaThread(_MSFactory *factory);

}  // namespace callsdk

#endif
