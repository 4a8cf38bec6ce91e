#include "audio/audiodevice.h"

#include <atomic>

namespace {

// Read by the audio test's workers, set by tests before they start.
std::atomic<AudioDevices *> g_replacement{nullptr};

}  // namespace

AudioDevices &AudioDevices::instance()
{
    static AudioDevices soundServer;
    AudioDevices *replacement = g_replacement.load();
    return replacement ? *replacement : soundServer;
}

void AudioDevices::setInstance(AudioDevices *devices)
{
    g_replacement.store(devices);
}
