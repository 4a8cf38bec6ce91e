// The engine: one thread that owns the SIP/media core, runs commands queued
// by the exported functions and iterates the core.
#ifndef CALLSDK_ENGINE_H
#define CALLSDK_ENGINE_H

#include <chrono>
#include <string>

namespace callsdk {

using StateFunction = void (*)(char *state);
using IncomingFunction = void (*)(char *number, char *displayName);
using Clock = std::chrono::steady_clock;

// Registers account@host through host:port with digest authentication,
// over TLS with mandatory SRTP when `tls`, else over UDP.
// 0 once registered, -1 on refusal, failure or when the deadline passes; a
// failed attempt leaves no account behind. Replaces any earlier account.
int engineLogin(const std::string &account, const std::string &password, const std::string &host,
    int port, bool tls, Clock::time_point deadline);
// Unregisters and drops the account, if any.
void engineLogout();
// 1 when the call to `number` was started, else 0.
int engineCall(const std::string &number, bool g729);
// Ends the current call in whatever state it is; nothing without one.
void engineHangup();
// Sends one RFC 4733 key into the current call; nothing without one.
void engineDtmf(char key);
// The function that receives the call-state texts (on the engine thread).
void engineSetStateFunction(StateFunction function);
// The function told of a ringing incoming call (on the engine thread).
void engineSetIncomingFunction(IncomingFunction function);
// 1 when the ringing incoming call was answered, else 0.
int engineAnswer();
// Turns the ringing incoming call away; nothing without one.
void engineDecline();
// Writes one line to the library's log file.
void engineLog(const std::string &line);
// Stops the engine thread (bounded). Safe to call more than once.
void engineShutdown();

// The engine lives in a library of its own, libcallsdk-engine.so, next to
// this one: it brings the SIP and media stack with some 150 libraries, whose
// loading would otherwise hold up every program start. The functions above
// load it when they need an engine; a program that never logs in never loads
// it. This is what the engine library hands over.
struct EngineTable
{
    int (*login)(const std::string &account, const std::string &password, const std::string &host,
        int port, bool tls, Clock::time_point deadline);
    void (*logout)();
    int (*call)(const std::string &number, bool g729);
    void (*hangup)();
    void (*dtmf)(char key);
    void (*setStateFunction)(StateFunction function);
    void (*log)(const std::string &line);
    void (*shutdown)();
    void (*setIncomingFunction)(IncomingFunction function);
    int (*answer)();
    void (*decline)();
};

// Starts loading the engine library on a background thread, once, so that
// it is there when the login comes.
void enginePreload();

}  // namespace callsdk

extern "C" const callsdk::EngineTable *callsdk_engine_table();

#endif
