#include "tone.h"

#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace callsdk {

std::vector<short> ringbackCycle()
{
    const int rate = 8000;
    const int onSamples = rate;  // 1 s tone
    const int offSamples = 4 * rate;  // 4 s pause
    const double pi = 3.14159265358979323846;
    std::vector<short> out(size_t(onSamples + offSamples), 0);
    for (int i = 0; i < onSamples; ++i) {
        // 10 ms fade in and out so the tone starts and stops without clicks
        double edge = std::min(1.0, std::min(i, onSamples - 1 - i) / 80.0);
        out[size_t(i)] =
            short(std::lround(0.35 * edge * std::sin(2 * pi * 450.0 * i / rate) * 32767));
    }
    return out;
}

Ringback::~Ringback()
{
    stop();
}

void Ringback::start(const std::string &sink)
{
    stop();
    auto stop = std::make_shared<Flag>();
    stop_ = stop;
    // Never waited for: a stopped tone ends within one chunk on its own.
    std::thread([stop, sink] {
        auto stopped = [&stop] {
            std::lock_guard<std::mutex> lk(stop->m);
            return stop->stopped;
        };
        {
            std::unique_lock<std::mutex> lk(stop->m);
            if (stop->cv.wait_for(lk, kHold, [&] { return stop->stopped; }))
                return;
        }
        pa_sample_spec spec{PA_SAMPLE_S16LE, 8000, 1};
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = 8000 * 2 / 10;  // 100 ms queued: stops soon after being told
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        int err = 0;
        pa_simple *pa = pa_simple_new(nullptr, "callsdk", PA_STREAM_PLAYBACK,
            sink.empty() ? nullptr : sink.c_str(), "ringback", &spec, nullptr, &attr, &err);
        if (!pa)
            return;
        const std::vector<short> cycle = ringbackCycle();
        const size_t chunk = 160;  // 20 ms
        for (size_t pos = 0; !stopped(); pos = (pos + chunk) % cycle.size()) {
            if (pa_simple_write(pa, cycle.data() + pos, chunk * sizeof(short), &err) < 0)
                break;
        }
        pa_simple_flush(pa, &err);
        pa_simple_free(pa);
    }).detach();
}

void Ringback::stop()
{
    if (!stop_)
        return;
    {
        std::lock_guard<std::mutex> lk(stop_->m);
        stop_->stopped = true;
    }
    stop_->cv.notify_all();
}

}  // namespace callsdk
