// One-way audio latency of a direct call, per codec: a tone burst enters the
// microphone (a source over a null sink this program plays into in real
// time), travels to the echo gateway and back and is heard on the speaker
// (the default sink's monitor, recorded by this program). Half the round trip
// is the one-way figure. The library runs with its default jitter buffer.
//
// The echo gateway speaks PCMU, PCMA and G.729 only. Opus is measured against
// an echo peer instead when one is named: a registered SIP client that
// answers with Opus only and plays back what it hears (run-product-bench.sh
// runs linphonec so, its capture being its own speaker's monitor). That round
// trip passes a jitter buffer and a sound card each way, as two one-way
// paths do.
//
// The first call of a process is reported apart: its playback runs up to a
// second behind at first (the media library's flow control reports well over
// a second queued for the speaker after 5 s) and catches up over about ten
// seconds as that flow control drops audio. Later calls do not. A silent
// sound played through the speaker at start-up does not prevent it.
//
//   audiopath_bench [BURSTS=5] [OPUS_ECHO_PEER]
//   audiopath_bench --first-call [BURSTS=5]   (the first call alone, for a
//                                              run of fresh processes)
//
// Each call prints the median of its bursts and the worst burst; the first
// call's bursts start one second into the call, the others' after 1.5 s.
//
// With --echo it measures the echo a talking far end gets back instead: the
// client's speaker reaches its microphone as on a laptop (the microphone is
// the speaker's monitor, 6 dB down). The far end is a registered peer on a
// sound server of its own whose microphone is a null sink ("peer_mic_in")
// this program talks into and whose speaker ("peer_speaker") it listens to.
// After 2 s of far-end speech (the canceller's convergence) the level the far
// end hears back is taken over 4 s, as a loss against what it said; then the
// far end falls silent and a near-end talker's loss on its way to the far end
// is taken the same way, so that a canceller that mutes everything shows,
// and once more while both talk (the near end's speech is what the far end
// hears beyond the echo it got alone), so that a limiter that mutes the
// near end whenever the far end speaks shows too. Speech is noise shaped
// into syllables. Run once with the library's defaults and once with
// NUVOXA_ECHO_CANCELLATION=0 to compare.
//
// With DELAY_MS the air takes that long (echo_path_ms says what it took):
// this program records the speaker's monitor and plays it, 6 dB down, into a
// second null sink whose monitor is the microphone. Both sinks run on one
// sound server's clock, so once its buffers are full the delay holds still,
// as between a speaker and a microphone on one sound card. PulseAudio's
// loopback module does not: it keeps adjusting its rate and buffer to its
// target latency, the delay moves all the time, and no canceller follows it
// (3 dB, 9 dB with its rate adjustment off). At most 40 ms may wait unread
// on the recording side; older audio is dropped so that a stalled bench
// cannot stretch the path.
//
//   audiopath_bench --echo PEER PEER_PULSE_SERVER [DELAY_MS]
//
// Needs the service stack's environment (NUVOXA_DEMO, NUVOXA_CLOUD_HOST,
// PULSE_SERVER of a private PulseAudio), as run-product-bench.sh sets it.
#include "callcounter.h"
#include "callsdk.h"

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const int kRate = 8000;
const int kChunk = 160; // 20 ms

using namespace BenchCalls;

std::string run(const std::string &cmd)
{
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
        out += buf;
    pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

double seconds(Clock::time_point t) { return std::chrono::duration<double>(t.time_since_epoch()).count(); }

// A PulseAudio stream served by a thread of its own until finish().
struct StreamThread {
    pa_simple *pa = nullptr;
    std::atomic<bool> stop{false};
    std::thread thread;

    bool open(pa_stream_direction_t direction, const std::string &device, const char *name, const pa_buffer_attr &attr,
              const char *server = nullptr)
    {
        pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, 1};
        int err = 0;
        pa = pa_simple_new(server, "audiopath_bench", direction, device.c_str(), name, &spec, nullptr, &attr, &err);
        return pa != nullptr;
    }
    // Records `monitor` in 10 ms blocks on the thread, handing each block to
    // `block` until stopped.
    // A `maxlength` bounds what may wait unread: older blocks are dropped.
    template <class Block>
    bool record(const std::string &monitor, const char *name, Block block, const char *server = nullptr,
                uint32_t maxlength = uint32_t(-1))
    {
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.fragsize = 80 * sizeof(short);
        attr.maxlength = maxlength;
        if (!open(PA_STREAM_RECORD, monitor, name, attr, server))
            return false;
        thread = std::thread([this, block] {
            std::vector<short> buf(80);
            while (!stop) {
                int err = 0;
                if (pa_simple_read(pa, buf.data(), buf.size() * sizeof(short), &err) < 0)
                    break;
                block(buf);
            }
        });
        return true;
    }
    void finish()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
        if (pa)
            pa_simple_free(pa);
    }
};

// Plays the microphone's signal in real time while a call is up: silence, or
// a 40 ms 1 kHz burst when asked, into a null sink whose monitor is the
// default source; remembers when the burst's first sample reaches the
// monitor. Nothing is played between calls.
struct Feeder : StreamThread {
    std::atomic<bool> active{false};
    std::atomic<bool> burst{false};
    std::atomic<double> burstAt{0};

    bool start(const std::string &sink)
    {
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.tlength = 2 * kChunk * sizeof(short); // 40 ms
        if (!open(PA_STREAM_PLAYBACK, sink, "microphone", attr))
            return false;
        thread = std::thread([this] {
            std::vector<short> chunk(kChunk);
            while (!stop) {
                if (!active) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                bool tone = burst.exchange(false);
                for (int i = 0; i < kChunk; ++i)
                    chunk[i] = tone ? short(16000 * std::sin(2 * M_PI * 1000 * i / kRate)) : 0;
                int err = 0;
                if (tone) {
                    // Played after what the stream still holds.
                    pa_usec_t lat = pa_simple_get_latency(pa, &err);
                    burstAt = seconds(Clock::now()) + lat / 1e6;
                }
                // Blocks while the stream is full: real time.
                if (pa_simple_write(pa, chunk.data(), chunk.size() * sizeof(short), &err) < 0)
                    break;
                if (tone && pa_simple_write(pa, chunk.data(), chunk.size() * sizeof(short), &err) < 0)
                    break; // the burst's second half
            }
        });
        return true;
    }
};

// Records the monitor; the time the first loud sample was played after `since`.
struct Listener : StreamThread {
    std::atomic<double> since{1e300};
    std::atomic<double> heard{0};

    bool start(const std::string &monitor)
    {
        return record(monitor, "monitor", [this](const std::vector<short> &buf) {
            double now = seconds(Clock::now());
            int err = 0;
            pa_usec_t lat = pa_simple_get_latency(pa, &err);
            for (size_t i = 0; i < buf.size(); ++i) {
                if (std::abs(int(buf[i])) < 3000)
                    continue;
                // When this sample was played: the read time less what
                // followed it and what still waits in the stream.
                double t = now - double(buf.size() - i) / kRate - lat / 1e6;
                if (t > since && heard == 0)
                    heard = t;
                break;
            }
        });
    }
};

// Plays speech (or silence) in real time into a sink and adds up the energy
// of what it played while counting.
struct Talker : StreamThread {
    std::atomic<bool> talking{false};
    std::atomic<bool> counting{false};
    std::mutex m;
    double energy = 0;
    long samples = 0;

    bool start(const std::string &sink, const char *server, unsigned seed)
    {
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.tlength = 2 * kChunk * sizeof(short);
        if (!open(PA_STREAM_PLAYBACK, sink, "talker", attr, server))
            return false;
        thread = std::thread([this, seed] {
            std::vector<short> chunk(kChunk);
            unsigned state = seed;
            long t = 0;
            while (!stop) {
                bool on = talking;
                double sum = 0;
                for (int i = 0; i < kChunk; ++i, ++t) {
                    state = state * 1103515245u + 12345u;
                    double noise = (double((state >> 8) & 0xffff) / 32768.0) - 1.0;
                    // Three syllables a second.
                    double envelope = std::pow(std::sin(M_PI * 3.0 * t / kRate), 2);
                    chunk[i] = on ? short(12000 * noise * envelope) : 0;
                    sum += double(chunk[i]) * chunk[i];
                }
                if (counting) {
                    std::lock_guard<std::mutex> lk(m);
                    energy += sum;
                    samples += kChunk;
                }
                int err = 0;
                if (pa_simple_write(pa, chunk.data(), chunk.size() * sizeof(short), &err) < 0)
                    break;
            }
        });
        return true;
    }
};

// The air between speaker and microphone, with a delay (see the top of the
// file): the playback stream's buffer, plus what waits on the recording
// side, about 20 ms.
struct Air : StreamThread {
    pa_simple *out = nullptr;

    bool start(const std::string &monitor, const std::string &sink, int delayMs)
    {
        pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, 1};
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.tlength = uint32_t(std::max(10, delayMs - 20) * kRate / 1000 * sizeof(short));
        attr.prebuf = attr.tlength;
        int err = 0;
        out = pa_simple_new(nullptr, "audiopath_bench", PA_STREAM_PLAYBACK, sink.c_str(), "air", &spec, nullptr, &attr,
                            &err);
        return out && record(monitor, "air", [this](const std::vector<short> &buf) {
            std::vector<short> half(buf.size());
            for (size_t i = 0; i < buf.size(); ++i)
                half[i] = short(buf[i] / 2);
            int e = 0;
            pa_simple_write(out, half.data(), half.size() * sizeof(short), &e);
        }, nullptr, 4 * 80 * sizeof(short));
    }
    // Speaker to microphone as it stands: what waits in both streams.
    double delayMs()
    {
        int err = 0;
        return (pa_simple_get_latency(pa, &err) + pa_simple_get_latency(out, &err)) / 1000.0;
    }
    void finishAir()
    {
        finish();
        if (out)
            pa_simple_free(out);
    }
};

// Adds up the energy of what a device plays while counting.
struct Meter : StreamThread {
    std::atomic<bool> counting{false};
    std::mutex m;
    double energy = 0;
    long samples = 0;

    bool start(const std::string &monitor, const char *server)
    {
        return record(monitor, "meter", [this](const std::vector<short> &buf) {
            if (!counting)
                return;
            double sum = 0;
            for (short v : buf)
                sum += double(v) * v;
            std::lock_guard<std::mutex> lk(m);
            energy += sum;
            samples += long(buf.size());
        }, server);
    }
};

template <class T> double meanPower(T &stream)
{
    std::lock_guard<std::mutex> lk(stream.m);
    return stream.samples ? stream.energy / stream.samples : 0;
}

template <class T> void resetCount(T &stream)
{
    std::lock_guard<std::mutex> lk(stream.m);
    stream.energy = 0;
    stream.samples = 0;
}

// How far `power` is above `reference`.
double decibels(double power, double reference)
{
    return 10 * std::log10(std::max(power, 1e-3) / std::max(reference, 1e-3));
}

// The echo a talking far end hears back; see the top of the file.
int measureEcho(const std::string &peer, const std::string &peerServer, int delayMs, const std::string &account,
                std::string password)
{
    // The speaker's monitor, 6 dB down, is the microphone: at once, or
    // through a delayed path of our own.
    std::string speaker = run("pactl get-default-sink");
    std::string airSink, air;
    Air delayed;
    bool pathUp;
    if (delayMs > 0) {
        airSink = run("pactl load-module module-null-sink sink_name=bench_air_in rate=8000 channels=1");
        air = run("pactl load-module module-remap-source master=bench_air_in.monitor source_name=bench_air");
        pathUp = !airSink.empty() && !air.empty() && delayed.start(speaker + ".monitor", "bench_air_in", delayMs);
    } else {
        air = run("pactl load-module module-remap-source master=" + speaker + ".monitor source_name=bench_air");
        pathUp = !air.empty();
    }
    std::string oldSource = run("pactl get-default-source");
    run("pactl set-default-source bench_air");
    if (delayMs <= 0)
        run("pactl set-source-volume bench_air 0.5");

    Talker far, near;
    Meter heard;
    int status = 0;
    if (!pathUp || !far.start("peer_mic_in", peerServer.c_str(), 1) ||
        !heard.start("peer_speaker.monitor", peerServer.c_str()) || !near.start(speaker, nullptr, 7)) {
        std::fprintf(stderr, "audiopath_bench: the echo path or the peer's sound server is not there\n");
        status = 1;
    }
    OnCallState(onState);
    getServerIp();
    std::string name = account;
    if (!status && loginServer(&name[0], &password[0], 1) == -1) {
        std::fprintf(stderr, "audiopath_bench: registration failed\n");
        status = 1;
    }
    EnaleG729(0);
    // The first call of a process plays up to a second late for its first
    // seconds (see above), far beyond the canceller's 250 ms: the measured
    // call is the second.
    std::string gateway = "13800138000", callee = peer;
    if (!status && (make_call(&gateway[0]) != 1 || !waitCount(&g_confirmed, 1, 10000)))
        status = 1;
    if (!status) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        call_hangup();
        waitCount(&g_ended, 1, 10000);
    }
    if (!status && (make_call(&callee[0]) != 1 || !waitCount(&g_confirmed, 2, 10000)))
        status = 1;
    if (status)
        std::fprintf(stderr, "audiopath_bench: a call did not connect\n");
    if (!status) {
        using std::chrono::milliseconds;
        std::this_thread::sleep_for(milliseconds(1000)); // both sides' playback under way
        far.talking = true;
        std::this_thread::sleep_for(milliseconds(2000)); // the canceller converges
        far.counting = heard.counting = true;
        std::this_thread::sleep_for(milliseconds(4000));
        far.counting = heard.counting = false;
        double farPower = meanPower(far), echoPower = meanPower(heard);
        double echoLoss = decibels(farPower, echoPower);
        if (delayMs > 0)
            std::printf("echo_path_ms=%.0f\n", delayed.delayMs());
        // Both talk: what the far end hears beyond the echo it got alone is
        // the near end's speech.
        resetCount(heard);
        near.talking = true;
        std::this_thread::sleep_for(milliseconds(1000));
        near.counting = heard.counting = true;
        std::this_thread::sleep_for(milliseconds(3000));
        near.counting = heard.counting = false;
        near.talking = false;
        double doubleTalkLoss = decibels(meanPower(near), meanPower(heard) - echoPower);
        resetCount(near);
        far.talking = false;
        std::this_thread::sleep_for(milliseconds(1000)); // the echo's tail dies away
        resetCount(heard);
        near.talking = true;
        std::this_thread::sleep_for(milliseconds(1000));
        near.counting = heard.counting = true;
        std::this_thread::sleep_for(milliseconds(3000));
        near.counting = heard.counting = false;
        near.talking = false;
        double nearLoss = decibels(meanPower(near), meanPower(heard));
        std::printf("echo_loss_db=%.1f\nnear_end_loss_db=%.1f\ndouble_talk_near_end_loss_db=%.1f\n", echoLoss,
                    nearLoss, doubleTalkLoss);
        std::fflush(stdout);
        call_hangup();
        waitCount(&g_ended, 2, 10000);
    }
    callSdkDestroy();
    far.finish();
    near.finish();
    heard.finish();
    delayed.finishAir();
    run("pactl set-default-source " + oldSource);
    if (!air.empty())
        run("pactl unload-module " + air);
    if (!airSink.empty())
        run("pactl unload-module " + airSink);
    return status;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const bool echo = argc > 1 && std::strcmp(argv[1], "--echo") == 0;
    if (echo && argc < 4) {
        std::fprintf(stderr, "usage: audiopath_bench --echo PEER PEER_PULSE_SERVER [DELAY_MS]\n");
        return 2;
    }
    const bool firstOnly = argc > 1 && std::strcmp(argv[1], "--first-call") == 0;
    const int countArg = firstOnly ? 2 : 1;
    int bursts = argc > countArg && !echo ? std::max(1, std::atoi(argv[countArg])) : 5;
    const std::string opusPeer = argc > 2 && !echo && !firstOnly ? argv[2] : "";
    const char *demo = std::getenv("NUVOXA_DEMO");
    if (!demo || !std::strchr(demo, ':') || !std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr, "audiopath_bench: NUVOXA_DEMO and PULSE_SERVER must be set\n");
        return 2;
    }
    std::string account(demo, std::strchr(demo, ':'));
    std::string password(std::strchr(demo, ':') + 1);

    if (echo)
        return measureEcho(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 0, account, password);

    // The library lists no monitor sources: the microphone is a source of
    // its own over the null sink's monitor.
    std::string module = run("pactl load-module module-null-sink sink_name=bench_mic_in rate=8000 channels=1");
    std::string remap = run("pactl load-module module-remap-source master=bench_mic_in.monitor source_name=bench_mic");
    std::string oldSource = run("pactl get-default-source");
    run("pactl set-default-source bench_mic");
    std::string monitor = run("pactl get-default-sink") + ".monitor";

    Feeder feeder;
    Listener listener;
    if (module.empty() || remap.empty() || !listener.start(monitor) || !feeder.start("bench_mic_in")) {
        std::fprintf(stderr, "audiopath_bench: PulseAudio set-up failed\n");
        listener.finish();
        feeder.finish();
        return 1;
    }

    OnCallState(onState);
    getServerIp();
    int status = 0;
    if (loginServer(&account[0], &password[0], 1) == -1) {
        std::fprintf(stderr, "audiopath_bench: registration failed\n");
        status = 1;
    }
    struct Codec {
        const char *name;
        int g729;
        std::string callee;
    };
    const std::string gateway = "13800138000";
    // The first call of a process is reported apart (see above).
    std::vector<Codec> codecs{{"PCMU_first_call", 0, gateway}, {"PCMU", 0, gateway}, {"G729", 1, gateway}};
    if (firstOnly)
        codecs.resize(1);
    if (!opusPeer.empty())
        codecs.push_back({"OPUS", 0, opusPeer});
    int calls = 0;
    for (Codec &codec : codecs) {
        if (status)
            break;
        EnaleG729(codec.g729);
        if (make_call(&codec.callee[0]) != 1 || !waitCount(&g_confirmed, ++calls, 10000)) {
            std::fprintf(stderr, "audiopath_bench: the call did not connect\n");
            status = 1;
            break;
        }
        feeder.active = true;
        // The jitter buffer settles; the first call is held to its first second.
        std::this_thread::sleep_for(std::chrono::milliseconds(calls == 1 ? 1000 : 1500));
        std::vector<double> oneWay;
        for (int b = 0; b < bursts; ++b) {
            listener.heard = 0;
            listener.since = seconds(Clock::now());
            feeder.burst = true;
            // Far enough apart that a late echo is not taken for the next
            // burst's.
            std::this_thread::sleep_for(std::chrono::milliseconds(2000));
            if (listener.heard > 0 && feeder.burstAt > 0)
                oneWay.push_back((listener.heard - feeder.burstAt) * 1000 / 2);
        }
        const double worst = oneWay.empty() ? -1 : *std::max_element(oneWay.begin(), oneWay.end());
        std::printf("audio_one_way_%s_ms=%.1f\naudio_one_way_%s_worst_ms=%.1f\naudio_bursts_heard_%s=%zu/%d\n",
                    codec.name, median(oneWay), codec.name, worst, codec.name, oneWay.size(), bursts);
        std::fflush(stdout);
        feeder.active = false;
        call_hangup();
        waitCount(&g_ended, calls, 10000);
    }
    callSdkDestroy();
    listener.finish();
    feeder.finish();
    run("pactl set-default-source " + oldSource);
    run("pactl unload-module " + remap);
    run("pactl unload-module " + module);
    return status;
}
