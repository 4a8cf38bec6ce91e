#include "audio/pulsecontext.h"

namespace {

struct Deadline
{
    pa_threaded_mainloop *mainloop;
    bool passed = false;
};

void deadlinePassed(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *userdata)
{
    auto *deadline = static_cast<Deadline *>(userdata);
    deadline->passed = true;
    pa_threaded_mainloop_signal(deadline->mainloop, 0);
}

}  // namespace

PulseContext::PulseContext(const char *clientName)
    : m_mainloop(pa_threaded_mainloop_new())
    , m_clientName(clientName)
{
    if (m_mainloop && pa_threaded_mainloop_start(m_mainloop) < 0) {
        pa_threaded_mainloop_free(m_mainloop);
        m_mainloop = nullptr;
    }
}

PulseContext::~PulseContext()
{
    if (!m_mainloop)
        return;
    lock();
    dropContext();
    unlock();
    pa_threaded_mainloop_stop(m_mainloop);
    pa_threaded_mainloop_free(m_mainloop);
}

void PulseContext::dropContext()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

bool PulseContext::connect(int timeoutMs)
{
    if (!m_mainloop)
        return false;
    PulseLocker locker(*this);
    if (ready())
        return true;
    dropContext();
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), m_clientName);
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, &PulseContext::stateChanged, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        dropContext();
        return false;
    }
    waitFor([this] { return ready(); }, timeoutMs);
    if (!ready()) {
        dropContext();
        return false;
    }
    return true;
}

void PulseContext::lock()
{
    if (m_mainloop)
        pa_threaded_mainloop_lock(m_mainloop);
}

void PulseContext::unlock()
{
    if (m_mainloop)
        pa_threaded_mainloop_unlock(m_mainloop);
}

bool PulseContext::ready() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseContext::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    if (!m_context)
        return false;
    Deadline deadline{m_mainloop};
    pa_time_event *timer = pa_context_rttime_new(
        m_context, pa_rtclock_now() + pa_usec_t(timeoutMs) * PA_USEC_PER_MSEC, &deadlinePassed,
        &deadline);
    if (!timer)
        return false;
    bool ok = false;
    for (;;) {
        if (done()) {
            ok = true;
            break;
        }
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (deadline.passed || state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
            break;
        pa_threaded_mainloop_wait(m_mainloop);
    }
    pa_threaded_mainloop_get_api(m_mainloop)->time_free(timer);
    return ok;
}

bool PulseContext::waitOperation(pa_operation *operation, int timeoutMs)
{
    if (!operation)
        return false;
    pa_operation_set_state_callback(
        operation, [](pa_operation *, void *self) { static_cast<PulseContext *>(self)->wake(); },
        this);
    const bool finished = waitFor(
        [operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; },
        timeoutMs);
    if (!finished)
        pa_operation_cancel(operation);
    pa_operation_set_state_callback(operation, nullptr, nullptr);
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

void PulseContext::wake()
{
    pa_threaded_mainloop_signal(m_mainloop, 0);
}

void PulseContext::stateChanged(pa_context *, void *self)
{
    static_cast<PulseContext *>(self)->wake();
}
