// The engine functions of engine.h in the exported library: they load the
// engine library when an engine is needed and forward to it.
#include "engine.h"

#include "paths.h"

#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <thread>

namespace callsdk {
namespace {

struct Loader
{
    std::mutex loading;  // held while the library loads
    std::mutex m;  // guards the rest
    bool tried = false;
    bool preloadStarted = false;
    std::atomic<const EngineTable *> table{nullptr};
    std::atomic<StateFunction> stateFunction{nullptr};
    std::atomic<IncomingFunction> incomingFunction{nullptr};
};

Loader &loader()
{
    static Loader *instance = new Loader;  // outlives every thread, also at exit
    return *instance;
}

// The engine, loaded now if `load` and not tried before; null without one.
const EngineTable *table(bool load)
{
    Loader &l = loader();
    const EngineTable *t = l.table.load();
    if (t || !load)
        return t;
    std::lock_guard<std::mutex> loadLock(l.loading);
    {
        std::lock_guard<std::mutex> lk(l.m);
        if (l.tried)
            return l.table.load();
        l.tried = true;
    }
    // Never unloaded: the engine registers exit handlers and threads.
    void *handle = dlopen(besideThisLibrary("libcallsdk-engine.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto get = handle
        ? reinterpret_cast<const EngineTable *(*)()>(dlsym(handle, "callsdk_engine_table"))
        : nullptr;
    if (!get) {
        std::fprintf(stderr, "callsdk: no voice engine: %s\n", dlerror());
        return nullptr;
    }
    t = get();
    std::lock_guard<std::mutex> lk(l.m);
    if (StateFunction f = l.stateFunction.load())
        t->setStateFunction(f);
    if (IncomingFunction f = l.incomingFunction.load())
        t->setIncomingFunction(f);
    l.table.store(t);
    return t;
}

}  // namespace

void enginePreload()
{
    Loader &l = loader();
    {
        std::lock_guard<std::mutex> lk(l.m);
        if (l.preloadStarted || l.tried)
            return;
        l.preloadStarted = true;
    }
    std::thread([] { table(true); }).detach();
}

int engineLogin(const std::string &account, const std::string &password, const std::string &host,
    int port, bool tls, Clock::time_point deadline)
{
    const EngineTable *t = table(true);
    return t ? t->login(account, password, host, port, tls, deadline) : -1;
}

// Without a loaded engine there is no account and no call: nothing to do.
void engineLogout()
{
    if (const EngineTable *t = table(false))
        t->logout();
}

int engineCall(const std::string &number, bool g729)
{
    const EngineTable *t = table(false);
    return t ? t->call(number, g729) : 0;
}

void engineHangup()
{
    if (const EngineTable *t = table(false))
        t->hangup();
}

void engineDtmf(char key)
{
    if (const EngineTable *t = table(false))
        t->dtmf(key);
}

void engineSetStateFunction(StateFunction function)
{
    Loader &l = loader();
    std::lock_guard<std::mutex> lk(l.m);
    l.stateFunction.store(function);
    if (const EngineTable *t = l.table.load())
        t->setStateFunction(function);
}

void engineSetIncomingFunction(IncomingFunction function)
{
    Loader &l = loader();
    std::lock_guard<std::mutex> lk(l.m);
    l.incomingFunction.store(function);
    if (const EngineTable *t = l.table.load())
        t->setIncomingFunction(function);
}

int engineAnswer()
{
    const EngineTable *t = table(false);
    return t ? t->answer() : 0;
}

void engineDecline()
{
    if (const EngineTable *t = table(false))
        t->decline();
}

void engineLog(const std::string &line)
{
    if (const EngineTable *t = table(false))
        t->log(line);
}

void engineShutdown()
{
    if (const EngineTable *t = table(false))
        t->shutdown();
}

}  // namespace callsdk
