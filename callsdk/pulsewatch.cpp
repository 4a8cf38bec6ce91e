#include "pulsewatch.h"

namespace callsdk {

PulseWatch::~PulseWatch()
{
    stop();
}

bool PulseWatch::defaults(PulseDefaults *out, std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> lk(m_);
    if (failed_ || !loop_) {
        lk.unlock();
        stop();
        lk.lock();
        start();
    }
    if (known_ && !changing_ && !failed_) {
        // Waits for the question's answer (and for a new answer when the
        // defaults changed).
        if (const uint64_t ticket = sendCheck(lk))
            cv_.wait_for(lk, wait, [this, ticket] { return checksAnswered_ >= ticket || failed_; });
    }
    // A change the server told of is worth waiting for: the user may just
    // have picked another device and dialled.
    cv_.wait_for(lk, wait, [this] { return (known_ && !changing_) || failed_; });
    if (!known_)
        return false;
    *out = current_;
    return true;
}

uint64_t PulseWatch::check()
{
    std::unique_lock<std::mutex> lk(m_);
    if (!loop_ || failed_ || !known_ || changing_)
        return 0;
    return sendCheck(lk);
}

bool PulseWatch::confirmed(uint64_t ticket, PulseDefaults *out, bool *ok)
{
    std::lock_guard<std::mutex> lk(m_);
    if (failed_) {
        *ok = false;
        return true;
    }
    if (checksAnswered_ < ticket || !known_ || changing_)
        return false;
    *out = current_;
    *ok = true;
    return true;
}

uint64_t PulseWatch::sendCheck(std::unique_lock<std::mutex> &lk)
{
    // The server tells its subscribers of a new default apart from
    // answering the program that set it: a call dialled right after the
    // change can come before the news. One question on this connection is
    // answered after every change the server finished before it.
    const uint64_t ticket = ++checksAsked_;
    pa_threaded_mainloop *loop = loop_;
    pa_context *ctx = ctx_;
    lk.unlock();  // the server's thread takes m_ while it holds the loop's lock
    pa_threaded_mainloop_lock(loop);
    pa_operation *op = pa_context_get_server_info(ctx, &PulseWatch::onCheck, this);
    if (op)
        pa_operation_unref(op);
    pa_threaded_mainloop_unlock(loop);
    lk.lock();
    if (op)
        return ticket;
    // Never answered: later questions must not wait for it.
    if (checksAsked_ == ticket)
        --checksAsked_;
    return 0;
}

void PulseWatch::onCheck(pa_context *ctx, const pa_server_info *info, void *user)
{
    PulseWatch *w = static_cast<PulseWatch *>(user);
    bool changed;
    {
        std::lock_guard<std::mutex> lk(w->m_);
        changed = info
            && (w->current_.sink != (info->default_sink_name ? info->default_sink_name : "")
                || w->current_.source
                    != (info->default_source_name ? info->default_source_name : ""));
    }
    if (changed)
        w->ask(ctx);
    {
        std::lock_guard<std::mutex> lk(w->m_);
        ++w->checksAnswered_;
    }
    w->cv_.notify_all();
}

void PulseWatch::start()
{
    failed_ = false;
    known_ = false;
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) {
        failed_ = true;
        return;
    }
    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "callsdk");
    ctx_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "callsdk", props);
    pa_proplist_free(props);
    if (ctx_) {
        pa_context_set_state_callback(ctx_, &PulseWatch::onState, this);
        pa_context_set_subscribe_callback(ctx_, &PulseWatch::onChange, this);
    }
    if (!ctx_ || pa_context_connect(ctx_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0
        || pa_threaded_mainloop_start(loop_) < 0)
        failed_ = true;
}

void PulseWatch::stop()
{
    pa_threaded_mainloop *loop;
    pa_context *ctx;
    {
        std::lock_guard<std::mutex> lk(m_);
        loop = loop_;
        ctx = ctx_;
        loop_ = nullptr;
        ctx_ = nullptr;
    }
    if (!loop)
        return;
    if (ctx) {
        pa_threaded_mainloop_lock(loop);
        pa_context_disconnect(ctx);
        pa_threaded_mainloop_unlock(loop);
    }
    pa_threaded_mainloop_stop(loop);
    if (ctx)
        pa_context_unref(ctx);
    pa_threaded_mainloop_free(loop);
}

void PulseWatch::onState(pa_context *ctx, void *user)
{
    PulseWatch *w = static_cast<PulseWatch *>(user);
    switch (pa_context_get_state(ctx)) {
    case PA_CONTEXT_READY:
        // The server's events only: a new default is one. The devices' own
        // events fire each time a call's streams start or stop, and asking
        // again then would compete with the call for the sound server.
        if (pa_operation *op =
                pa_context_subscribe(ctx, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
            pa_operation_unref(op);
        w->ask(ctx);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: {
        std::lock_guard<std::mutex> lk(w->m_);
        w->failed_ = true;
        w->known_ = false;
        w->cv_.notify_all();
        break;
    }
    default:
        break;
    }
}

void PulseWatch::onChange(pa_context *ctx, pa_subscription_event_type_t, uint32_t, void *user)
{
    static_cast<PulseWatch *>(user)->ask(ctx);
}

void PulseWatch::ask(pa_context *ctx)
{
    if (pending_ > 0) {
        askAgain_ = true;
        return;
    }
    askAgain_ = false;
    asking_ = PulseDefaults();
    pa_operation *op = pa_context_get_server_info(ctx, &PulseWatch::onServerInfo, this);
    {
        std::lock_guard<std::mutex> lk(m_);
        changing_ = op != nullptr;
    }
    if (op) {
        pending_ = 1;
        pa_operation_unref(op);
    }
}

void PulseWatch::onServerInfo(pa_context *ctx, const pa_server_info *info, void *user)
{
    PulseWatch *w = static_cast<PulseWatch *>(user);
    if (info) {
        w->asking_.sink = info->default_sink_name ? info->default_sink_name : "";
        w->asking_.source = info->default_source_name ? info->default_source_name : "";
    }
    if (!w->asking_.sink.empty()) {
        if (pa_operation *op = pa_context_get_sink_info_by_name(
                ctx, w->asking_.sink.c_str(), &PulseWatch::onSinkInfo, w)) {
            w->pending_++;
            pa_operation_unref(op);
        }
    }
    if (!w->asking_.source.empty()) {
        if (pa_operation *op = pa_context_get_source_info_by_name(
                ctx, w->asking_.source.c_str(), &PulseWatch::onSourceInfo, w)) {
            w->pending_++;
            pa_operation_unref(op);
        }
    }
    w->answered(ctx);
}

void PulseWatch::onSinkInfo(pa_context *ctx, const pa_sink_info *info, int eol, void *user)
{
    PulseWatch *w = static_cast<PulseWatch *>(user);
    if (info && info->description)
        w->asking_.sinkDescription = info->description;
    if (eol)
        w->answered(ctx);
}

void PulseWatch::onSourceInfo(pa_context *ctx, const pa_source_info *info, int eol, void *user)
{
    PulseWatch *w = static_cast<PulseWatch *>(user);
    if (info && info->description)
        w->asking_.sourceDescription = info->description;
    if (eol)
        w->answered(ctx);
}

void PulseWatch::answered(pa_context *ctx)
{
    if (--pending_ > 0)
        return;
    {
        std::lock_guard<std::mutex> lk(m_);
        current_ = asking_;
        known_ = true;
        changing_ = askAgain_;
    }
    cv_.notify_all();
    if (askAgain_)
        ask(ctx);
}

}  // namespace callsdk
