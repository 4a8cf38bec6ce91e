#include "engine.h"

#include "paths.h"
#include "pulsewatch.h"
#include "soundopen.h"
#include "tone.h"

#include <linphone/core.h>
#include <linphone/logging.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <arpa/inet.h>
#include <dirent.h>
#include <dlfcn.h>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace callsdk {
namespace {

using namespace std::chrono_literals;

const auto kCommandWait = 3000ms;  // longest wait for one engine command
const auto kStartWait = 15000ms;  // longest wait for the core to come up
const auto kStopWait = 5000ms;  // longest wait for the engine to stop
const auto kPulseWait = 2000ms;  // longest wait for the sound server's defaults
// How long a new call may take to ring, answer or fail before make_call
// reports it started.
const auto kRefusalWait = 1000ms;
// The core handles the SIP messages that arrived when it is iterated: while a
// registration or a call is being set up (or torn down) every answer is
// handled at once (three answers lie on a call's way to its ACK, each waiting
// up to a period); a running call needs the core for its timers and keys
// only, and an idle core for refreshes and the odd incoming request.
const auto kSetupPeriod = 200us;
// The same when the engine wakes up for every SIP packet (UDP signalling):
// then only what the core does by itself (timers, steps it puts off to its
// next round) waits for the period.
const auto kWatchedSetupPeriod = 1ms;
const auto kCallPeriod = 20ms;
const auto kIdlePeriod = 100ms;
const auto kRetryHangup = 500ms;  // a pending hang-up is repeated this often
const auto kAuthLinger = 3000ms;  // credentials kept after a logout for the un-REGISTER
const auto kDtmfSpacing = 150ms;  // from one key's start to the next
const size_t kDtmfQueueMax = 64;
// The client gives up on an unanswered call itself; the core's own limit
// only ends calls that nobody answers or declines at all.
const int kIncomingLimitS = 60;
const size_t kNumberMax = 64;
const size_t kDisplayNameMax = 64;  // bytes

// The caller's number as the client may show, store and dial it back: the
// dial-pad characters only, else nothing.
std::string callerNumber(const char *user)
{
    std::string number = user ? user : "";
    if (number.size() > kNumberMax
        || number.find_first_not_of("0123456789*#+") != std::string::npos)
        return std::string();
    return number;
}

// The display name from the far end: whole UTF-8 characters without control
// characters, cut at kDisplayNameMax bytes. Anything malformed ends it.
std::string callerName(const char *name)
{
    std::string out;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(name ? name : "");
    while (*p) {
        int len = *p < 0x80       ? 1
            : (*p & 0xE0) == 0xC0 ? 2
            : (*p & 0xF0) == 0xE0 ? 3
            : (*p & 0xF8) == 0xF0 ? 4
                                  : 0;
        if (len == 0 || (len == 2 && *p < 0xC2) || (len == 4 && *p > 0xF4))
            break;
        for (int i = 1; i < len; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return out;
        }
        if (len == 1 && (*p < 0x20 || *p == 0x7F))
            break;
        if (out.size() + len > kDisplayNameMax)
            break;
        out.append(reinterpret_cast<const char *>(p), len);
        p += len;
    }
    return out;
}

// Call progress as reported to the state function; never goes backwards.
enum Stage { StageNone, StageCalling, StageEarly, StageConnecting, StageConfirmed };

struct CallInfo
{
    int stage = StageNone;
    bool ringing = false;  // incoming, neither answered nor turned away yet
    bool ended = false;
    bool hangupRequested = false;
    Clock::time_point lastHangup;
    uint64_t serial = 0;  // outgoing calls: the number make_call gave it
};

const char *const kLogDomain = "callsdk";

void note(const std::string &line)
{
    bctbx_log(kLogDomain, BCTBX_LOG_MESSAGE, "%s", line.c_str());
}

// The UDP socket the core signals on, or -1: the core does not tell, so it
// is found among the process's sockets by its port.
int sipSocket(LinphoneCore *core)
{
    LinphoneTransports *used = linphone_core_get_transports_used(core);
    const int port = used ? linphone_transports_get_udp_port(used) : 0;
    if (used)
        linphone_transports_unref(used);
    DIR *dir = port > 0 ? opendir("/proc/self/fd") : nullptr;
    if (!dir)
        return -1;
    int found = -1;
    while (dirent *e = readdir(dir)) {
        const int fd = std::atoi(e->d_name);
        int type = 0;
        socklen_t len = sizeof type;
        sockaddr_storage addr{};
        socklen_t addrLen = sizeof addr;
        if (fd <= 0 || fd == dirfd(dir) || getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len) != 0
            || type != SOCK_DGRAM
            || getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &addrLen) != 0)
            continue;
        int bound = 0;
        if (addr.ss_family == AF_INET)
            bound = ntohs(reinterpret_cast<const sockaddr_in *>(&addr)->sin_port);
        else if (addr.ss_family == AF_INET6)
            bound = ntohs(reinterpret_cast<const sockaddr_in6 *>(&addr)->sin6_port);
        if (bound == port) {
            found = fd;
            break;
        }
    }
    closedir(dir);
    return found;
}

// The one SRTP suite offered and accepted on TLS.
const char *const kSrtpSuite = "AES_CM_128_HMAC_SHA1_80";
const char *const kSystemCaBundle = "/etc/ssl/certs/ca-certificates.crt";
const long kMaxCaFile = 4 * 1024 * 1024;

// Appends a PEM file to `out`; false when it cannot be read or is too big
// to be a certificate bundle.
bool appendPem(const std::string &path, std::string *out)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string data;
    char buf[16384];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && data.size() <= size_t(kMaxCaFile))
        data.append(buf, n);
    bool ok = !std::ferror(f) && data.size() <= size_t(kMaxCaFile);
    std::fclose(f);
    if (!ok)
        return false;
    out->append(data);
    out->push_back('\n');
    return true;
}

// The authorities a TLS proxy's certificate must chain to: the system store
// plus the service's own authority when one is named.
std::string trustedAuthorities()
{
    std::string pem;
    if (!appendPem(kSystemCaBundle, &pem))
        note("system certificate store not readable");
    std::string extra = caFile();
    if (!extra.empty() && !appendPem(extra, &pem))
        note("extra certificate authority file not readable: " + extra);
    return pem;
}

struct Job
{
    std::function<void()> fn;
    bool done = false;
};

class Engine
{
public:
    ~Engine() { shutdown(); }

    bool onEngineThread()
    {
        std::lock_guard<std::mutex> lk(m_);
        return takesCommands() && std::this_thread::get_id() == engineId_;
    }

    // What became of a command. A TimedOut command is still queued and runs
    // later, so fn must own everything it touches.
    enum class Outcome { Done, TimedOut, Unavailable };

    // Runs fn on the engine thread (inline when already there).
    Outcome run(std::function<void()> fn, std::chrono::milliseconds wait = kCommandWait)
    {
        if (onEngineThread()) {
            fn();
            return Outcome::Done;
        }
        Clock::time_point deadline = Clock::now() + wait;
        if (!ensureStarted(wait))
            return Outcome::Unavailable;
        auto job = std::make_shared<Job>();
        job->fn = std::move(fn);
        std::unique_lock<std::mutex> lk(m_);
        if (life_ != Life::Running)
            return Outcome::Unavailable;
        queue_.push_back(job);
        wake();
        if (doneCv_.wait_until(lk, deadline, [&] { return job->done; }))
            return Outcome::Done;
        lk.unlock();
        note("a command did not finish in time; it runs later");
        return Outcome::TimedOut;
    }

    // fn's result when it ran in time, else `fallback`.
    template <class T, class F>
    T call(F f, T fallback, std::chrono::milliseconds wait = kCommandWait)
    {
        auto result = std::make_shared<T>(fallback);
        if (run([result, f]() { *result = f(); }, wait) != Outcome::Done)
            return fallback;
        return *result;
    }

    int login(const std::string &account, const std::string &password, const std::string &host,
        int port, bool tls, Clock::time_point deadline);
    void logout()
    {
        run([this] { dropAccount(true); });
    }
    int makeCall(const std::string &number, bool g729);
    void hangup()
    {
        run([this] { hangupNow(); });
    }
    void dtmf(char key)
    {
        run([this, key] { dtmfNow(key); });
    }
    void setStateFunction(StateFunction f) { stateFunction_.store(f); }
    void setIncomingFunction(IncomingFunction f) { incomingFunction_.store(f); }
    int answer()
    {
        return call<int>([this] { return answerNow(); }, 0);
    }
    void decline()
    {
        run([this] { declineNow(); });
    }
    void log(const std::string &line)
    {
        // Only once the log file is set up: before that the lines would go
        // to the console.
        std::lock_guard<std::mutex> lk(m_);
        if (takesCommands())
            note(line);
    }
    void shutdown();

private:
    // The engine thread's life. Stopping: asked to stop (also while still
    // Starting), commands already queued still run. Closing: the core is being
    // destroyed. Finished: the thread has left (stopped, or the core could not
    // be made). Closed: shutdown is done with the thread.
    enum class Life { Idle, Starting, Running, Stopping, Closing, Finished, Closed };
    bool takesCommands() const { return life_ == Life::Running || life_ == Life::Stopping; }
    // Wakes the engine thread, whether it waits on wakeCv_ or in waitForSip.
    void wake()
    {
        wakeCv_.notify_all();
        if (wakeFd_ >= 0) {
            const uint64_t one = 1;
            ssize_t written = write(wakeFd_, &one, sizeof one);
            (void)written;  // a full counter wakes it as well
        }
    }
    // Waits for a SIP packet, a wake() or `until`; true when a packet is there.
    bool waitForSip(Clock::time_point until);
    void findSipSocket();

    bool ensureStarted(std::chrono::milliseconds wait);
    void threadMain();
    bool createCore();
    void destroyCore();
    std::chrono::microseconds period() const;
    void housekeeping();

    void dropAccount(bool keepAuthForUnregister);
    void setSipPort(int udpPort);
    void hangupNow();
    // The current call when it is an incoming call that still rings.
    LinphoneCall *ringingCall();
    int answerNow();
    void declineNow();
    void takeIncoming(LinphoneCall *call);
    void dtmfNow(char key);
    void sendQueuedDtmf();
    enum class Start { Started, Refused, PreviousStillEnding };
    Start startCall(const std::string &number, bool g729);
    // Whether the service refused the call just started (402) before it
    // rang; false once it rings or after kRefusalWait.
    bool refusedAtOnce();
    void chooseCodecs(bool g729);
    // Makes PulseAudio's default devices the core's defaults and, with a
    // call, that call's devices.
    void chooseSoundDevices(bool reloadWhenMissing, LinphoneCall *call = nullptr);
    // The same with defaults already known (`havePulse` false: none).
    void useSoundDevices(
        const PulseDefaults &pd, bool havePulse, bool reloadWhenMissing, LinphoneCall *call);
    // Asks the sound server to confirm its defaults for a new call without
    // waiting; applyConfirmedDevices gives the call its devices once the
    // answer is in.
    void confirmDevicesLater(LinphoneCall *call);
    void applyConfirmedDevices();
    void deliver(const char *text);
    void advance(LinphoneCall *call, int stage, const char *text);
    void finish(LinphoneCall *call);

    // The engine that owns the core `lc`.
    static Engine &of(LinphoneCore *lc);
    static void onCallState(
        LinphoneCore *lc, LinphoneCall *call, LinphoneCallState state, const char *message);
    static void onRegistration(LinphoneCore *lc, LinphoneAccount *account,
        LinphoneRegistrationState state, const char *message);
    static void onDtmf(LinphoneCore *lc, LinphoneCall *call, int dtmf);

    // Shared with the callers; guarded by m_.
    std::mutex m_;
    std::condition_variable wakeCv_;
    int wakeFd_ = -1;  // an eventfd; set before the engine thread starts
    std::condition_variable doneCv_;
    std::deque<std::shared_ptr<Job>> queue_;
    std::thread thread_;
    std::thread::id engineId_;
    Life life_ = Life::Idle;
    bool exitHookSet_ = false;
    int attempts_ = 0;  // login attempts so far
    int regAttempt_ = 0;  // the attempt that owns the account
    int regResult_ = 0;  // its registration: 0 pending, 1 ok, -1 failed
    std::mutex startMutex_;
    std::atomic<StateFunction> stateFunction_{nullptr};
    std::atomic<IncomingFunction> incomingFunction_{nullptr};
    std::atomic<bool> quiet_{false};  // no state texts while shutting down

    // Engine thread only.
    LinphoneCore *core_ = nullptr;
    LinphoneAccount *account_ = nullptr;
    bool registering_ = false;
    LinphoneCall *current_ = nullptr;
    std::map<LinphoneCall *, CallInfo> calls_;
    // Outgoing calls by serial: the last one started, the last one that got
    // beyond its INVITE (ringing, answered or ended), the last one the
    // service refused for want of money (402).
    uint64_t startedSerial_ = 0;
    uint64_t settledSerial_ = 0;
    uint64_t refusedSerial_ = 0;
    std::set<LinphoneCall *> turnedAway_;  // incoming calls answered busy, until released
    Clock::time_point clearAuthAt_{};
    bool clearAuthPending_ = false;
    std::string folder_;
    std::string soundDevices_;
    int codecsFor_ = -1;  // the G.729 choice the codec list was last set for
    std::deque<char> dtmfQueue_;
    Clock::time_point nextDtmf_{};
    int sipFd_ = -1;  // see sipSocket
    bool tlsSignalling_ = false;
    std::string reloadedFor_;  // the defaults that last made us look for new devices
    std::string playbackSink_;  // PulseAudio's name of the device calls play on
    bool devicesPending_ = false;  // see confirmDevicesLater
    uint64_t devicesTicket_ = 0;
    Clock::time_point devicesAskedAt_;
    LinphoneCall *devicesFor_ = nullptr;  // a reference while pending
    Ringback ringback_;
    PulseWatch pulse_;
};

// ---------------------------------------------------------------------------
// Start and stop.

bool Engine::ensureStarted(std::chrono::milliseconds wait)
{
    std::lock_guard<std::mutex> startLock(startMutex_);
    std::unique_lock<std::mutex> lk(m_);
    if (life_ == Life::Idle) {
        life_ = Life::Starting;
        // For the life of the process, as the engine.
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        thread_ = std::thread([this] { threadMain(); });
    }
    doneCv_.wait_for(lk, std::min(wait, kStartWait), [&] { return life_ != Life::Starting; });
    if (life_ == Life::Running && !exitHookSet_) {
        // Exit handlers run in reverse order of registration, and the SIP and
        // media libraries register some of theirs while the core is created:
        // registering now stops the engine before any of them runs.
        exitHookSet_ = true;
        std::atexit([] { callsdk_engine_table()->shutdown(); });
    }
    return life_ == Life::Running;
}

void Engine::shutdown()
{
    std::unique_lock<std::mutex> lk(m_);
    if (life_ == Life::Idle || life_ == Life::Stopping || life_ == Life::Closing
        || life_ == Life::Closed)
        return;
    if (life_ == Life::Running && std::this_thread::get_id() == engineId_) {
        // Called from a state function: the thread cannot wait for itself.
        life_ = Life::Stopping;
        wake();
        lk.unlock();
        thread_.detach();
        return;
    }
    quiet_ = true;
    if (life_ != Life::Finished)
        life_ = Life::Stopping;
    wake();
    bool done = doneCv_.wait_for(lk, kStopWait, [&] { return life_ == Life::Finished; });
    life_ = Life::Closed;
    lk.unlock();
    if (done && thread_.joinable())
        thread_.join();
    else if (thread_.joinable())
        thread_.detach();  // never hang the process on a stuck core
}

void Engine::threadMain()
{
    {
        std::lock_guard<std::mutex> lk(m_);
        engineId_ = std::this_thread::get_id();
    }
    bool ok = createCore();
    {
        std::lock_guard<std::mutex> lk(m_);
        if (!ok)
            life_ = Life::Finished;
        else if (life_ == Life::Starting)
            life_ = Life::Running;
    }
    doneCv_.notify_all();
    if (!ok)
        return;

    Clock::time_point next = Clock::now();
    Clock::time_point lastIterate = next;
    for (;;) {
        std::deque<std::shared_ptr<Job>> jobs;
        bool packet = false;
        {
            std::unique_lock<std::mutex> lk(m_);
            auto woken = [&] { return life_ == Life::Stopping || !queue_.empty(); };
            if (sipFd_ >= 0 && wakeFd_ >= 0) {
                // A packet the core has not read yet would end the wait at
                // once: right after a round the socket is left alone for a
                // moment.
                const Clock::time_point watchFrom = lastIterate + kSetupPeriod;
                if (watchFrom < next)
                    wakeCv_.wait_until(lk, watchFrom, woken);
                if (!woken() && Clock::now() < next) {
                    lk.unlock();
                    packet = waitForSip(next);
                    lk.lock();
                }
            } else {
                wakeCv_.wait_until(lk, next, woken);
            }
            if (life_ == Life::Stopping && queue_.empty())
                break;
            jobs.swap(queue_);
        }
        for (auto &job : jobs) {
            job->fn();
            std::lock_guard<std::mutex> lk(m_);
            job->done = true;
        }
        if (!jobs.empty())
            doneCv_.notify_all();
        applyConfirmedDevices();
        Clock::time_point now = Clock::now();
        if (now >= next || packet) {
            linphone_core_iterate(core_);
            housekeeping();
            lastIterate = now;
            // What the core puts off to its next round after a packet (the
            // INVITE sent again with credentials after a challenge) comes
            // soon.
            next = now + (packet ? std::chrono::microseconds(kSetupPeriod) : period());
        } else if (next > now + period()) {
            // A command started something that needs the core sooner.
            next = now + period();
        }
    }

    {
        std::lock_guard<std::mutex> lk(m_);
        life_ = Life::Closing;
        // Commands that raced with the stop are dropped; their callers time out.
        queue_.clear();
    }
    destroyCore();
    {
        std::lock_guard<std::mutex> lk(m_);
        if (life_ == Life::Closing)
            life_ = Life::Finished;
    }
    doneCv_.notify_all();
}

// NUVOXA_ECHO_CANCELLATION=0 (or "off") turns the canceller and the echo
// limiter off, for measurements and for test tones they would take for echo.
bool echoCancellationWanted()
{
    const char *v = std::getenv("NUVOXA_ECHO_CANCELLATION");
    return !v || (std::strcmp(v, "0") != 0 && strcasecmp(v, "off") != 0);
}

bool Engine::createCore()
{
    folder_ = privateFolder();
    if (folder_.empty())
        return false;

    // Everything goes to callsdk.log; the console handler is silenced.
    LinphoneLoggingService *logs = linphone_logging_service_get();
    linphone_logging_service_set_log_level_mask(
        logs, LinphoneLogLevelWarning | LinphoneLogLevelError | LinphoneLogLevelFatal);
    // The file handler starts a new numbered file each time the log is full
    // and never removes one: keep only the current file and its predecessor.
    if (DIR *dir = opendir(folder_.c_str())) {
        while (dirent *e = readdir(dir)) {
            if (std::strncmp(e->d_name, "callsdk.log_", 12) == 0)
                unlink((folder_ + e->d_name).c_str());
        }
        closedir(dir);
    }
    std::string logFile = folder_ + "callsdk.log";
    struct stat st;
    if (stat(logFile.c_str(), &st) == 0 && st.st_size > 1024 * 1024)
        rename(logFile.c_str(), (logFile + ".old").c_str());
    bctbx_list_t *handlers = bctbx_list_copy(bctbx_get_log_handlers());
    for (bctbx_list_t *it = handlers; it; it = bctbx_list_next(it))
        bctbx_remove_log_handler(static_cast<bctbx_log_handler_t *>(bctbx_list_get_data(it)));
    bctbx_list_free(handlers);
    bctbx_add_log_handler(
        bctbx_create_file_log_handler(4 * 1024 * 1024, folder_.c_str(), "callsdk.log"));
    bctbx_set_log_level_mask(
        kLogDomain, BCTBX_LOG_MESSAGE | BCTBX_LOG_WARNING | BCTBX_LOG_ERROR | BCTBX_LOG_FATAL);

    std::string plugins = folder_ + "plugins";
    mkdir(plugins.c_str(), 0700);
    // Nothing from an earlier run (accounts, credentials, call logs) is kept
    // or registered again: these are the files earlier versions kept.
    for (const char *name : {"linphonerc", "linphone.db", "call-history.db", "zrtp-secrets.db"})
        unlink((folder_ + name).c_str());

    LinphoneFactory *factory = linphone_factory_get();
    linphone_factory_set_config_dir(factory, folder_.c_str());
    linphone_factory_set_data_dir(factory, folder_.c_str());
    linphone_factory_set_download_dir(factory, folder_.c_str());
    linphone_factory_set_msplugins_dir(factory, plugins.c_str());

    LinphoneCoreCbs *cbs = linphone_factory_create_core_cbs(factory);
    linphone_core_cbs_set_call_state_changed(cbs, &Engine::onCallState);
    linphone_core_cbs_set_account_registration_state_changed(cbs, &Engine::onRegistration);
    linphone_core_cbs_set_dtmf_received(cbs, &Engine::onDtmf);

    // The configuration lives in memory only and everything in it is set at
    // every start. With a file the core rewrote it during calls (the codec
    // list, each challenge clearing the credentials' section, its
    // once-a-second save): a rename on the engine thread between a packet
    // and the answer to it.
    LinphoneConfig *cfg = linphone_config_new(nullptr);
    // Nor does the core keep databases: the client keeps its own call
    // history, and chat and ZRTP are not used. The core's call log database
    // was written (three fsyncs) at the end of every call on the engine
    // thread, and creating the three took some 50 ms of the start.
    for (const char *key : {"uri", "call_logs_db_uri", "zrtp_secrets_db_uri"})
        linphone_config_set_string(cfg, "storage", key, "null");
    linphone_config_set_int(cfg, "sip", "store_auth_info", 0);
    linphone_config_set_int(cfg, "misc", "store_auth_info", 0);
    linphone_config_set_int(cfg, "sip", "register_only_when_network_is_up", 0);
    linphone_config_set_int(cfg, "sip", "auto_net_state_mon", 0);
    linphone_config_set_int(cfg, "misc", "history_max_size", 0);
    // No error tones when a call fails or ends: the window shows what
    // happened, and a tone started while the sound server is gone crashes
    // inside the media library.
    linphone_config_set_int(cfg, "sound", "tone_indications", 0);
    core_ = linphone_factory_create_core_with_config_3(factory, cfg, nullptr);
    linphone_config_unref(cfg);
    if (!core_) {
        linphone_core_cbs_unref(cbs);
        return false;
    }
    // The callbacks find their engine through the core, not a global.
    linphone_core_set_user_data(core_, this);
    linphone_core_add_callbacks(core_, cbs);
    linphone_core_cbs_unref(cbs);

    linphone_core_clear_accounts(core_);
    linphone_core_clear_all_auth_info(core_);

    setSipPort(LC_SIP_TRANSPORT_RANDOM);
    linphone_core_set_audio_port(core_, -1);

    linphone_core_enable_video_capture(core_, FALSE);
    linphone_core_enable_video_display(core_, FALSE);
    LinphoneVideoActivationPolicy *vp = linphone_factory_create_video_activation_policy(factory);
    linphone_video_activation_policy_set_automatically_initiate(vp, FALSE);
    linphone_video_activation_policy_set_automatically_accept(vp, FALSE);
    linphone_core_set_video_activation_policy(core_, vp);
    linphone_video_activation_policy_unref(vp);

    linphone_core_set_use_rfc2833_for_dtmf(core_, TRUE);
    linphone_core_set_use_info_for_dtmf(core_, FALSE);
    linphone_core_set_media_encryption(core_, LinphoneMediaEncryptionNone);
    // A TLS proxy must show a certificate for its address from a trusted
    // authority; nothing here ever relaxes that.
    linphone_core_verify_server_certificates(core_, TRUE);
    linphone_core_verify_server_cn(core_, TRUE);
    linphone_core_set_srtp_crypto_suites(core_, kSrtpSuite);
    // Calls are encrypted with SRTP on TLS and not at all on UDP, never with
    // ZRTP; yet the SIP stack builds a ZRTP context for every call in case
    // the far end offers it (about 1 ms before each INVITE, 7 ms at the
    // first call of a process, which opens the ZRTP cache). Its switch for
    // that is exported but not declared in its headers: looked up, and left
    // alone when a version of the stack lacks it.
    using ZrtpSwitch = void (*)(LinphoneCore *, bool_t);
    if (auto zrtpOff = reinterpret_cast<ZrtpSwitch>(
            dlsym(RTLD_DEFAULT, "linphone_core_set_zrtp_not_available_simulation")))
        zrtpOff(core_, TRUE);
    // Laptop speakers reach the microphone: without the canceller the far
    // end hears itself. The media library's canceller also runs its noise
    // suppressor on what leaves for the far end. On its own it takes
    // anything from 2 to 50 dB off the echo, call by call, as its adaptive
    // filter happens to converge; the echo limiter, which turns the
    // microphone down while the far end's voice is loud in the speaker,
    // makes up the rest. While both talk, the near end is turned down too:
    // the limiter's double-talk threshold tells the near voice from a
    // canceller's miss only by level, and one low enough to keep the near
    // voice let the echo through in the calls where the canceller had not
    // converged. Figures: the echo rows of the README's benchmark table.
    bool cancelEcho = echoCancellationWanted();
    linphone_core_enable_echo_cancellation(core_, cancelEcho ? TRUE : FALSE);
    linphone_core_enable_echo_limiter(core_, cancelEcho ? TRUE : FALSE);
    const char *canceller = linphone_core_get_echo_canceller_filter_name(core_);
    note(std::string("echo cancellation ")
        + (cancelEcho
                ? std::string("on (") + (canceller ? canceller : "default") + ", echo limiter)"
                : "off"));
    // A call whose far end or path is gone ends after this long without
    // media, and the window goes back to idle.
    linphone_core_set_nortp_timeout(core_, 15);
    linphone_core_set_inc_timeout(core_, kIncomingLimitS);
    linphone_core_set_user_agent(core_, "Nuvoxa", "1.0");
    // The ringback is ours (see Ringback).
    linphone_core_set_ringback(core_, nullptr);
    linphone_core_set_ring(core_, nullptr);

    if (linphone_core_start(core_) != 0) {
        linphone_core_unref(core_);
        core_ = nullptr;
        return false;
    }
    openSoundDevicesOnMediaThread(linphone_core_get_ms_factory(core_));
    findSipSocket();
    chooseSoundDevices(false);
    note("core started");
    return true;
}

void Engine::destroyCore()
{
    if (!core_)
        return;
    if (current_) {
        linphone_call_terminate(current_);
    }
    ringback_.stop();
    if (devicesFor_) {
        linphone_call_unref(devicesFor_);
        devicesFor_ = nullptr;
    }
    devicesPending_ = false;
    dropAccount(true);
    linphone_core_stop(core_);
    if (current_) {
        linphone_call_unref(current_);
        current_ = nullptr;
    }
    calls_.clear();
    turnedAway_.clear();
    linphone_core_unref(core_);
    core_ = nullptr;
    pulse_.stop();
}

void Engine::chooseSoundDevices(bool reloadWhenMissing, LinphoneCall *call)
{
    PulseDefaults pd;
    const bool havePulse = pulse_.defaults(&pd, kPulseWait);
    useSoundDevices(pd, havePulse, reloadWhenMissing, call);
}

void Engine::confirmDevicesLater(LinphoneCall *call)
{
    if (devicesFor_)
        linphone_call_unref(devicesFor_);
    devicesFor_ = nullptr;
    devicesPending_ = false;
    const uint64_t ticket = pulse_.check();
    if (!ticket) {
        // No answer to confirm yet (the first call, or the server came
        // back): wait for one.
        chooseSoundDevices(true, call);
        return;
    }
    devicesPending_ = true;
    devicesTicket_ = ticket;
    devicesAskedAt_ = Clock::now();
    devicesFor_ = call ? linphone_call_ref(call) : nullptr;
}

void Engine::applyConfirmedDevices()
{
    PulseDefaults pd;
    bool ok = false;
    if (!devicesPending_)
        return;
    const bool answered = pulse_.confirmed(devicesTicket_, &pd, &ok);
    // A server that never answers leaves the call on the devices it has,
    // and must not keep the engine polling at set-up speed for good.
    if (!answered && Clock::now() - devicesAskedAt_ < kPulseWait)
        return;
    devicesPending_ = false;
    LinphoneCall *call = devicesFor_;
    devicesFor_ = nullptr;
    if (!answered) {
        note("the sound server did not confirm its devices: the call keeps the last known");
        if (call)
            linphone_call_unref(call);
        return;
    }
    auto it = call ? calls_.find(call) : calls_.end();
    LinphoneCall *live = it != calls_.end() && !it->second.ended ? call : nullptr;
    if (ok)
        useSoundDevices(pd, true, true, live);
    else
        chooseSoundDevices(true, live);  // the connection is gone: a new one
    if (call)
        linphone_call_unref(call);
}

void Engine::useSoundDevices(
    const PulseDefaults &pd, bool havePulse, bool reloadWhenMissing, LinphoneCall *call)
{
    // The card names of the sound layer are PulseAudio's device descriptions.
    LinphoneAudioDevice *input = nullptr, *output = nullptr;
    LinphoneAudioDevice *pulseIn = nullptr, *pulseOut = nullptr;
    bctbx_list_t *devices = linphone_core_get_extended_audio_devices(core_);
    for (bctbx_list_t *it = devices; it; it = bctbx_list_next(it)) {
        LinphoneAudioDevice *d = static_cast<LinphoneAudioDevice *>(bctbx_list_get_data(it));
        const char *n = linphone_audio_device_get_device_name(d);
        const char *drv = linphone_audio_device_get_driver_name(d);
        std::string name = n ? n : "";
        if (!drv || std::string(drv).find("Pulse") == std::string::npos)
            continue;
        bool canRecord =
            linphone_audio_device_has_capability(d, LinphoneAudioDeviceCapabilityRecord);
        bool canPlay = linphone_audio_device_has_capability(d, LinphoneAudioDeviceCapabilityPlay);
        if (canRecord && !input && havePulse && (name == pd.sourceDescription || name == pd.source))
            input = d;
        if (canPlay && !output && havePulse && (name == pd.sinkDescription || name == pd.sink))
            output = d;
        if (canRecord && !pulseIn)
            pulseIn = d;
        if (canPlay && !pulseOut)
            pulseOut = d;
    }
    std::string defaults = pd.source + "\n" + pd.sink;
    if (havePulse)
        playbackSink_ = pd.sink;
    // A list that was just read (at start, or after a reload) already has
    // every device of these defaults: looking again at a call would only
    // hold that call up.
    if (havePulse && !reloadWhenMissing)
        reloadedFor_ = defaults;
    if (havePulse && reloadWhenMissing && (!input || !output) && defaults != reloadedFor_) {
        reloadedFor_ = defaults;
        // A device that appeared after the core started: look again.
        bctbx_list_free_with_data(devices, (bctbx_list_free_func)linphone_audio_device_unref);
        linphone_core_reload_sound_devices(core_);
        useSoundDevices(pd, havePulse, false, call);
        return;
    }
    if (!input)
        input = pulseIn;
    if (!output)
        output = pulseOut;
    const char *inId = input ? linphone_audio_device_get_id(input) : nullptr;
    const char *outId = output ? linphone_audio_device_get_id(output) : nullptr;
    std::string chosen = std::string(inId ? inId : "-") + " / " + (outId ? outId : "-");
    if (chosen != soundDevices_) {
        soundDevices_ = chosen;
        note("sound devices (capture / playback): " + chosen + "; PulseAudio defaults: " + pd.source
            + " / " + pd.sink);
    }
    // Setting a default rewrites the core's sound settings on the engine
    // thread, in the middle of the call's set-up: only when it changed.
    auto idOf = [](const LinphoneAudioDevice *d) {
        const char *id = d ? linphone_audio_device_get_id(d) : nullptr;
        return std::string(id ? id : "");
    };
    if (input && idOf(input) != idOf(linphone_core_get_default_input_audio_device(core_)))
        linphone_core_set_default_input_audio_device(core_, input);
    if (output && idOf(output) != idOf(linphone_core_get_default_output_audio_device(core_)))
        linphone_core_set_default_output_audio_device(core_, output);
    if (call && input)
        linphone_call_set_input_audio_device(call, input);
    if (call && output)
        linphone_call_set_output_audio_device(call, output);
    bctbx_list_free_with_data(devices, (bctbx_list_free_func)linphone_audio_device_unref);
}

bool Engine::waitForSip(Clock::time_point until)
{
    auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now());
    if (left < 0ns)
        left = 0ns;
    const timespec timeout{static_cast<time_t>(left.count() / 1000000000),
        static_cast<long>(left.count() % 1000000000)};
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {sipFd_, POLLIN, 0}};
    if (ppoll(fds, 2, &timeout, nullptr) <= 0)
        return false;
    if (fds[0].revents & POLLIN) {
        uint64_t count;
        ssize_t n = read(wakeFd_, &count, sizeof count);
        (void)n;  // another thread's wake may have emptied it first
    }
    return (fds[1].revents & POLLIN) != 0;
}

void Engine::findSipSocket()
{
    sipFd_ = sipSocket(core_);
    note(sipFd_ >= 0 ? "SIP socket watched" : "SIP socket not found: the core is polled");
}

std::chrono::microseconds Engine::period() const
{
    // Over TLS the packets arrive on a connection of the core's that is not
    // watched.
    const std::chrono::microseconds setup =
        sipFd_ >= 0 && !tlsSignalling_ ? kWatchedSetupPeriod : kSetupPeriod;
    if (registering_ || devicesPending_)
        return setup;
    for (const auto &entry : calls_) {
        const CallInfo &info = entry.second;
        if (info.ringing && !info.ended && !info.hangupRequested)
            continue;  // nothing to hurry while the user decides
        if (info.ended || info.hangupRequested || info.stage < StageConfirmed)
            return setup;
    }
    return calls_.empty() ? kIdlePeriod : kCallPeriod;
}

void Engine::housekeeping()
{
    Clock::time_point now = Clock::now();
    if (clearAuthPending_ && now >= clearAuthAt_) {
        clearAuthPending_ = false;
        if (!account_)
            linphone_core_clear_all_auth_info(core_);
    }
    sendQueuedDtmf();
    // A hang-up asked for before the far end answered anything may not take
    // at once: repeat it until the call ends.
    if (current_) {
        auto it = calls_.find(current_);
        if (it != calls_.end() && it->second.hangupRequested && !it->second.ended
            && now - it->second.lastHangup >= kRetryHangup) {
            it->second.lastHangup = now;
            linphone_call_terminate(current_);
        }
    }
}

// ---------------------------------------------------------------------------
// Registration.

int Engine::login(const std::string &account, const std::string &password, const std::string &host,
    int port, bool tls, Clock::time_point deadline)
{
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (wait <= 0ms)
        return -1;
    // The attempt number ties the account to this call: if the command runs
    // late, after this call gave up, the clean-up below still finds it.
    int attempt;
    {
        std::lock_guard<std::mutex> lk(m_);
        attempt = ++attempts_;
    }
    int added = call<int>(
        [this, account, password, host, port, tls, attempt]() -> int {
            dropAccount(false);
            linphone_core_clear_all_auth_info(core_);
            clearAuthPending_ = false;
            LinphoneFactory *factory = linphone_factory_get();
            LinphoneAddress *identity =
                linphone_factory_create_address(factory, ("sip:" + host).c_str());
            if (!identity)
                return 0;
            if (linphone_address_set_username(identity, account.c_str()) != 0) {
                linphone_address_unref(identity);
                return 0;
            }
            LinphoneAuthInfo *auth = linphone_factory_create_auth_info(factory, account.c_str(),
                nullptr, password.c_str(), nullptr, nullptr, host.c_str());
            linphone_core_add_auth_info(core_, auth);
            linphone_auth_info_unref(auth);

            LinphoneAccountParams *params = linphone_core_create_account_params(core_);
            linphone_account_params_set_identity_address(params, identity);
            std::string server = "sip:" + host + ":" + std::to_string(port)
                + (tls ? ";transport=tls" : ";transport=udp");
            // Keys for SRTP travel in the SDP, so only a TLS signalling path
            // keeps them secret: SRTP is required there, and a far end
            // without it is refused rather than heard in clear.
            linphone_core_set_media_encryption(
                core_, tls ? LinphoneMediaEncryptionSRTP : LinphoneMediaEncryptionNone);
            linphone_core_set_media_encryption_mandatory(core_, tls ? TRUE : FALSE);
            // Read at each login: the authority file may have been renewed.
            if (tls)
                linphone_core_set_root_ca_data(core_, trustedAuthorities().c_str());
            linphone_account_params_set_server_addr(params, server.c_str());
            linphone_account_params_set_register_enabled(params, TRUE);
            linphone_account_params_set_expires(params, 600);
            linphone_address_unref(identity);
            LinphoneAccount *acc = linphone_core_create_account(core_, params);
            linphone_account_params_unref(params);
            if (!acc) {
                linphone_core_clear_all_auth_info(core_);
                return 0;
            }
            {
                std::lock_guard<std::mutex> lk(m_);
                regAttempt_ = attempt;
                regResult_ = 0;
            }
            account_ = acc;
            registering_ = true;
            tlsSignalling_ = tls;
            linphone_core_add_account(core_, acc);
            linphone_core_set_default_account(core_, acc);
            return 1;
        },
        0, wait);

    int result = -1;
    if (added) {
        std::unique_lock<std::mutex> lk(m_);
        doneCv_.wait_until(lk, deadline,
            [&] { return regAttempt_ != attempt || regResult_ != 0 || life_ != Life::Running; });
        result = regAttempt_ == attempt ? regResult_ : -1;
    }
    if (result == 1)
        return 0;
    // Refused, failed or too slow: take the account away so it does not keep
    // trying in the background. Commands run in order, so this also catches
    // an account added after the wait above gave up.
    run(
        [this, attempt] {
            bool same;
            {
                std::lock_guard<std::mutex> lk(m_);
                same = regAttempt_ == attempt;
            }
            if (same) {
                // A REGISTER that got no answer lives on in the SIP stack and
                // is retransmitted for half a minute: closing the socket
                // first ends it, then the account goes.
                bool renew = registering_ && calls_.empty();
                if (renew)
                    setSipPort(LC_SIP_TRANSPORT_DISABLED);
                dropAccount(false);
                linphone_core_clear_all_auth_info(core_);
                if (renew) {
                    setSipPort(LC_SIP_TRANSPORT_RANDOM);
                    findSipSocket();
                    note("SIP socket renewed after an unanswered registration");
                }
            }
        },
        500ms);
    return -1;
}

void Engine::setSipPort(int udpPort)
{
    LinphoneTransports *tp = linphone_factory_create_transports(linphone_factory_get());
    linphone_transports_set_udp_port(tp, udpPort);
    linphone_transports_set_tcp_port(tp, LC_SIP_TRANSPORT_DISABLED);
    // TLS only connects out: requests from the proxy come back over the
    // connection the client opened, so no TLS port listens.
    linphone_transports_set_tls_port(tp,
        udpPort == LC_SIP_TRANSPORT_DISABLED ? LC_SIP_TRANSPORT_DISABLED
                                             : LC_SIP_TRANSPORT_DONTBIND);
    linphone_transports_set_dtls_port(tp, LC_SIP_TRANSPORT_DISABLED);
    linphone_core_set_transports(core_, tp);
    linphone_transports_unref(tp);
}

void Engine::dropAccount(bool keepAuthForUnregister)
{
    if (!core_)
        return;
    {
        std::lock_guard<std::mutex> lk(m_);
        if (regResult_ == 0)
            regResult_ = -1;  // a waiting login gives up
    }
    doneCv_.notify_all();
    registering_ = false;
    if (!account_) {
        return;
    }
    bool registered = linphone_account_get_state(account_) == LinphoneRegistrationOk;
    linphone_core_remove_account(core_, account_);  // sends the un-REGISTER when registered
    linphone_account_unref(account_);
    account_ = nullptr;
    if (keepAuthForUnregister && registered) {
        // The registrar challenges the un-REGISTER too; credentials go a bit later.
        clearAuthPending_ = true;
        clearAuthAt_ = Clock::now() + kAuthLinger;
    } else {
        linphone_core_clear_all_auth_info(core_);
    }
}

Engine &Engine::of(LinphoneCore *lc)
{
    return *static_cast<Engine *>(linphone_core_get_user_data(lc));
}

void Engine::onRegistration(LinphoneCore *lc, LinphoneAccount *account,
    LinphoneRegistrationState state, const char *message)
{
    Engine &e = of(lc);
    note(std::string("registration ") + linphone_registration_state_to_string(state) + " "
        + (message ? message : ""));
    if (account != e.account_ || !e.registering_)
        return;
    int result = 0;
    if (state == LinphoneRegistrationOk)
        result = 1;
    else if (state == LinphoneRegistrationFailed)
        result = -1;
    if (!result)
        return;
    e.registering_ = false;
    {
        std::lock_guard<std::mutex> lk(e.m_);
        e.regResult_ = result;
    }
    e.doneCv_.notify_all();
}

// ---------------------------------------------------------------------------
// Calls.

int Engine::makeCall(const std::string &number, bool g729)
{
    // A call that is being hung up may take a moment to end; a new call waits
    // for it instead of failing (the user hangs up and dials again).
    bool inline_ = onEngineThread();
    Clock::time_point until = Clock::now() + 2000ms;
    for (;;) {
        Start r =
            call<Start>([this, number, g729] { return startCall(number, g729); }, Start::Refused);
        if (r != Start::PreviousStillEnding) {
            if (r != Start::Started)
                return 0;
            return !inline_ && refusedAtOnce() ? 0 : 1;
        }
        if (inline_ || Clock::now() >= until)
            return 0;
        std::this_thread::sleep_for(20ms);
    }
}

bool Engine::refusedAtOnce()
{
    const uint64_t serial = call<uint64_t>([this] { return startedSerial_; }, 0);
    const Clock::time_point until = Clock::now() + kRefusalWait;
    while (serial && Clock::now() < until) {
        const int seen = call<int>(
            [this, serial] {
                return refusedSerial_ == serial ? 2 : settledSerial_ >= serial ? 1 : 0;
            },
            1);
        if (seen)
            return seen == 2;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

Engine::Start Engine::startCall(const std::string &number, bool g729)
{
    if (!account_ || linphone_account_get_state(account_) != LinphoneRegistrationOk) {
        note("call refused: not registered");
        return Start::Refused;
    }
    if (current_) {
        auto it = calls_.find(current_);
        if (it != calls_.end() && it->second.hangupRequested)
            return Start::PreviousStillEnding;
        note("call refused: a call is running");
        return Start::Refused;
    }
    chooseCodecs(g729);
    const LinphoneAccountParams *ap = linphone_account_get_params(account_);
    LinphoneAddress *to = linphone_address_clone(linphone_account_params_get_identity_address(ap));
    if (!to)
        return Start::Refused;
    if (linphone_address_set_username(to, number.c_str()) != 0) {
        linphone_address_unref(to);
        return Start::Refused;
    }
    LinphoneCallParams *params = linphone_core_create_call_params(core_, nullptr);
    linphone_call_params_enable_video(params, FALSE);
    LinphoneCall *call = linphone_core_invite_address_with_params(core_, to, params);
    linphone_call_params_unref(params);
    linphone_address_unref(to);
    if (!call) {
        note("invite failed");
        return Start::Refused;
    }
    // Follow PulseAudio's current defaults: the user may have switched
    // devices since the last call. The sound server's confirmation of the
    // last known ones is not waited for here: the proxy's challenge to this
    // INVITE came while the engine waited for it (0.3-1 ms) and waited in
    // turn. The answer is in long before the far end can answer, and the
    // devices are only opened after the ACK.
    auto it = calls_.find(call);
    bool alive = it != calls_.end() && !it->second.ended;
    const uint64_t serial = ++startedSerial_;
    if (alive)
        it->second.serial = serial;
    else
        settledSerial_ = serial;
    confirmDevicesLater(alive ? call : nullptr);
    it = calls_.find(call);
    if (it == calls_.end() || !it->second.ended)
        current_ = linphone_call_ref(call);
    return Start::Started;
}

void Engine::chooseCodecs(bool g729)
{
    // Setting the list rebuilds the core's codec settings on the way to the
    // INVITE: only when the choice changes.
    if (codecsFor_ == int(g729))
        return;
    codecsFor_ = int(g729);
    // G.729 first when wanted, absent otherwise; the rest keep their order.
    bctbx_list_t *types = linphone_core_get_audio_payload_types(core_);
    bctbx_list_t *ordered = nullptr;
    LinphonePayloadType *g = nullptr;
    for (bctbx_list_t *it = types; it; it = bctbx_list_next(it)) {
        LinphonePayloadType *pt = static_cast<LinphonePayloadType *>(bctbx_list_get_data(it));
        const char *mime = linphone_payload_type_get_mime_type(pt);
        if (mime && strcasecmp(mime, "G729") == 0)
            g = pt;
        else
            ordered = bctbx_list_append(ordered, pt);
    }
    if (g) {
        linphone_payload_type_enable(g, g729 ? TRUE : FALSE);
        ordered = g729 ? bctbx_list_prepend(ordered, g) : bctbx_list_append(ordered, g);
    }
    linphone_core_set_audio_payload_types(core_, ordered);
    std::string offer;
    for (bctbx_list_t *it = ordered; it; it = bctbx_list_next(it)) {
        LinphonePayloadType *pt = static_cast<LinphonePayloadType *>(bctbx_list_get_data(it));
        if (linphone_payload_type_enabled(pt))
            offer += std::string(" ") + linphone_payload_type_get_mime_type(pt);
    }
    note("audio offer:" + offer);
    bctbx_list_free(ordered);
    bctbx_list_free_with_data(types, (bctbx_list_free_func)linphone_payload_type_unref);
}

void Engine::hangupNow()
{
    if (!current_)
        return;
    auto it = calls_.find(current_);
    if (it != calls_.end()) {
        if (it->second.ended)
            return;
        it->second.hangupRequested = true;
        it->second.lastHangup = Clock::now();
    }
    linphone_call_terminate(current_);
}

LinphoneCall *Engine::ringingCall()
{
    if (!current_)
        return nullptr;
    auto it = calls_.find(current_);
    if (it == calls_.end() || !it->second.ringing || it->second.ended)
        return nullptr;
    LinphoneCallState st = linphone_call_get_state(current_);
    if (st != LinphoneCallIncomingReceived && st != LinphoneCallIncomingEarlyMedia)
        return nullptr;
    return current_;
}

int Engine::answerNow()
{
    LinphoneCall *call = ringingCall();
    if (!call)
        return 0;
    calls_[call].ringing = false;
    chooseSoundDevices(true, call);
    LinphoneCallParams *params = linphone_core_create_call_params(core_, call);
    linphone_call_params_enable_video(params, FALSE);
    int r = linphone_call_accept_with_params(call, params);
    linphone_call_params_unref(params);
    if (r != 0) {
        note("answer failed");
        return 0;
    }
    return 1;
}

void Engine::declineNow()
{
    LinphoneCall *call = ringingCall();
    if (!call)
        return;
    calls_[call].ringing = false;
    linphone_call_decline(call, LinphoneReasonDeclined);
}

void Engine::takeIncoming(LinphoneCall *call)
{
    // One call at a time: a second caller hears busy and the first call
    // goes on undisturbed. So does a caller when nobody takes calls.
    bool busy = current_ != nullptr;
    for (const auto &entry : calls_) {
        if (entry.first != call && !entry.second.ended)
            busy = true;
    }
    IncomingFunction f = incomingFunction_.load();
    if (busy || !f || quiet_) {
        note(busy ? "incoming call turned away: busy" : "incoming call turned away: not taken");
        turnedAway_.insert(call);
        linphone_call_decline(call, LinphoneReasonBusy);
        return;
    }
    CallInfo &info = calls_[call];
    info.ringing = true;
    current_ = linphone_call_ref(call);
    const LinphoneAddress *from = linphone_call_get_remote_address(call);
    std::string number = callerNumber(from ? linphone_address_get_username(from) : nullptr);
    std::string name = callerName(from ? linphone_address_get_display_name(from) : nullptr);
    note("incoming call rings");
    std::vector<char> numberText(number.begin(), number.end());
    numberText.push_back('\0');
    std::vector<char> nameText(name.begin(), name.end());
    nameText.push_back('\0');
    f(numberText.data(), nameText.data());
}

void Engine::dtmfNow(char key)
{
    if (!current_)
        return;
    LinphoneCallState st = linphone_call_get_state(current_);
    if (st != LinphoneCallStreamsRunning && st != LinphoneCallConnected
        && st != LinphoneCallOutgoingEarlyMedia)
        return;
    // A key sent while the previous key's event is still on the wire is
    // lost: keys wait their turn and go out at least kDtmfSpacing apart.
    if (dtmfQueue_.size() < kDtmfQueueMax)
        dtmfQueue_.push_back(key);
    sendQueuedDtmf();
}

void Engine::sendQueuedDtmf()
{
    if (!current_) {
        dtmfQueue_.clear();
        return;
    }
    Clock::time_point now = Clock::now();
    if (dtmfQueue_.empty() || now < nextDtmf_)
        return;
    char key = dtmfQueue_.front();
    dtmfQueue_.pop_front();
    linphone_call_send_dtmf(current_, key);
    nextDtmf_ = now + kDtmfSpacing;
    note(std::string("dtmf sent ") + key);
}

void Engine::deliver(const char *text)
{
    note(std::string("state ") + text);
    StateFunction f = stateFunction_.load();
    if (!f || quiet_)
        return;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s", text);
    f(buf);
}

void Engine::advance(LinphoneCall *call, int stage, const char *text)
{
    CallInfo &info = calls_[call];
    if (info.ended || stage <= info.stage)
        return;
    info.stage = stage;
    deliver(text);
}

void Engine::finish(LinphoneCall *call)
{
    auto it = calls_.find(call);
    if (it == calls_.end() || it->second.ended)
        return;
    it->second.ended = true;
    if (current_ == call) {
        current_ = nullptr;
        linphone_call_unref(call);
    }
    deliver("DISCONNCTD");
}

void Engine::onCallState(
    LinphoneCore *lc, LinphoneCall *call, LinphoneCallState state, const char *message)
{
    Engine &e = of(lc);
    note((std::string("call state ") + linphone_call_state_to_string(state) + " "
        + (message ? message : "")));
    bool incoming = linphone_call_get_dir(call) == LinphoneCallIncoming;
    if (incoming && state == LinphoneCallIncomingReceived) {
        e.takeIncoming(call);
        return;
    }
    if (incoming && e.turnedAway_.count(call)) {
        if (state == LinphoneCallReleased)
            e.turnedAway_.erase(call);
        return;
    }
    auto known = e.calls_.find(call);
    if (!incoming && known != e.calls_.end() && known->second.serial
        && state != LinphoneCallOutgoingInit && state != LinphoneCallOutgoingProgress) {
        e.settledSerial_ = std::max(e.settledSerial_, known->second.serial);
        const LinphoneErrorInfo *error = linphone_call_get_error_info(call);
        if (state == LinphoneCallError && error
            && linphone_error_info_get_protocol_code(error) == 402)
            e.refusedSerial_ = known->second.serial;
    }
    if (!incoming && state == LinphoneCallOutgoingRinging)
        e.ringback_.start(e.playbackSink_);
    else if (!incoming && state != LinphoneCallOutgoingInit
        && state != LinphoneCallOutgoingProgress)
        e.ringback_.stop();
    switch (state) {
    case LinphoneCallOutgoingInit:
    case LinphoneCallOutgoingProgress:
        e.advance(call, StageCalling, "CALLING");
        break;
    case LinphoneCallOutgoingRinging:
    case LinphoneCallOutgoingEarlyMedia:
        e.advance(call, StageEarly, "EARLY");
        break;
    case LinphoneCallConnected:
        e.advance(call, StageConnecting, "CONNECTING");
        break;
    case LinphoneCallStreamsRunning: {
        const LinphoneCallParams *p = linphone_call_get_current_params(call);
        const LinphonePayloadType *pt =
            p ? linphone_call_params_get_used_audio_payload_type(p) : nullptr;
        if (pt)
            note((std::string("audio codec ") + linphone_payload_type_get_mime_type(pt) + "/"
                + std::to_string(linphone_payload_type_get_clock_rate(pt))));
        e.advance(call, StageConfirmed, "CONFIRMED");
        break;
    }
    case LinphoneCallEnd:
    case LinphoneCallError:
        e.finish(call);
        break;
    case LinphoneCallReleased:
        e.finish(call);
        e.calls_.erase(call);
        break;
    default:
        break;
    }
}

void Engine::onDtmf(LinphoneCore *, LinphoneCall *, int dtmf)
{
    char key = static_cast<char>(dtmf);
    note(std::string("dtmf received ") + key);
}

}  // namespace

}  // namespace callsdk

// The process's one engine, reached only through this table; the SIP stack's
// callbacks find it through the core's user data.
extern "C" __attribute__((visibility("default"))) const callsdk::EngineTable *callsdk_engine_table()
{
    using namespace callsdk;
    static Engine engine;
    static const EngineTable table = {
        [](const std::string &account, const std::string &password, const std::string &host,
            int port, bool tls, Clock::time_point deadline) {
            return engine.login(account, password, host, port, tls, deadline);
        },
        [] { engine.logout(); },
        [](const std::string &number, bool g729) { return engine.makeCall(number, g729); },
        [] { engine.hangup(); },
        [](char key) { engine.dtmf(key); },
        [](StateFunction function) { engine.setStateFunction(function); },
        [](const std::string &line) { engine.log(line); },
        [] { engine.shutdown(); },
        [](IncomingFunction function) { engine.setIncomingFunction(function); },
        [] { return engine.answer(); },
        [] { engine.decline(); },
    };
    return &table;
}
