#ifndef NUVOXA_AUDIO_PULSECONTEXT_H
#define NUVOXA_AUDIO_PULSECONTEXT_H

#include <pulse/pulseaudio.h>

#include <functional>

// One connection to the sound server with its own event thread. Every libpulse
// call on it, and every wait, happens with the lock held; callbacks run on the
// event thread with the lock already held. Every wait has a time limit, so a
// hung or vanished server never blocks the caller for long.
class PulseContext
{
public:
    explicit PulseContext(const char *clientName);
    ~PulseContext();
    PulseContext(const PulseContext &) = delete;
    PulseContext &operator=(const PulseContext &) = delete;

    // Connects to the default server (never starts one). Call without the
    // lock. True once the connection is ready; a failed connection is
    // replaced by a fresh attempt on the next call.
    bool connect(int timeoutMs);

    void lock();
    void unlock();
    // Lock held: the connection is ready for requests.
    bool ready() const;
    pa_context *context() const { return m_context; }
    pa_threaded_mainloop *mainloop() const { return m_mainloop; }

    // Lock held: waits until `done` holds, the connection fails or the time
    // is up. True when `done` holds.
    bool waitFor(const std::function<bool()> &done, int timeoutMs);
    // Lock held: waits for an operation, cancels it when the time is up (so
    // its callback never runs late) and releases it. True when it completed.
    bool waitOperation(pa_operation *operation, int timeoutMs);
    // From a callback: wakes the waiting caller.
    void wake();

private:
    static void stateChanged(pa_context *context, void *self);
    void dropContext();

    pa_threaded_mainloop *m_mainloop = nullptr;
    pa_context *m_context = nullptr;
    const char *m_clientName;
};

// Lock scope for a PulseContext.
class PulseLocker
{
public:
    explicit PulseLocker(PulseContext &pulse)
        : m_pulse(pulse)
    {
        m_pulse.lock();
    }
    ~PulseLocker() { m_pulse.unlock(); }
    PulseLocker(const PulseLocker &) = delete;
    PulseLocker &operator=(const PulseLocker &) = delete;

private:
    PulseContext &m_pulse;
};

#endif
