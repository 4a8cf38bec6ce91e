#include "audio/audiotestth.h"

#include "audio/audiodevice.h"
#include "audio/audiotestring.h"

void AudioTestTh::run()
{
    ++g_audioTestRing.workers;
    {
        const std::unique_ptr<CaptureDevice> device = AudioDevices::instance().createCapture();
        do
            g_audioTestRing.captureCycle(*device);
        while (!g_audioTestRing.stop.load());
    }
    --g_audioTestRing.workers;
}

void AudioTestTh1::run()
{
    ++g_audioTestRing.workers;
    {
        const std::unique_ptr<PlaybackDevice> device = AudioDevices::instance().createPlayback();
        do
            g_audioTestRing.playbackCycle(*device);
        while (!g_audioTestRing.stop.load());
    }
    --g_audioTestRing.workers;
}
