#ifndef NUVOXA_TESTS_CALLSDK_DOUBLE_H
#define NUVOXA_TESTS_CALLSDK_DOUBLE_H

// Control of the voice-library test double (tests only). The double exports
// the same functions as the real library; tests script its answers, read
// back every call it received, and deliver call-state texts to the
// registered callback from a thread of its own, as the real library does.

#include <string>
#include <vector>

namespace CallSdkDouble {

struct Call
{
    std::string function;
    std::vector<std::string> args;
};

// Forgets every recorded call and restores the default answers:
// loginServer 0, make_call 1, make_call_back 1, no states during make_call,
// getBalance "13800000000|12.50", getPwd = MD5 of
// the password given to loginServer, no getServerIp delay.
void reset();

void setLoginResult(int result);
void setMakeCallResult(int result);
void setMakeCallBackResult(int result);
// States make_call delivers (from another thread, as deliverState) before it
// returns, as the real library reports an earlier call's end and the new
// call's first state while it starts the call.
void setMakeCallStates(std::vector<std::string> states);
// `nullptr` leaves getBalance's pointer null (failure).
void setBalanceText(const char *text);
void setPwdText(const char *text);
// getServerIp sleeps this long before it returns.
void setServerIpDelayMs(int ms);

// Writes each function's name to standard output as it is called (for
// child processes that end without running exit handlers).
void traceCalls();
// callSdkDestroy takes this long (a library slow to shut down).
void setDestroyDelayMs(int ms);

std::vector<Call> calls();
// Calls of one function, in order.
std::vector<Call> callsTo(const std::string &function);
int countOf(const std::string &function);
void clearCalls();

// Delivers `state` to the registered callback on a new thread and waits
// until the callback has returned.
void deliverState(const char *state);
bool hasCallback();

// Delivers a ringing incoming call to the registered incoming-call function
// on a new thread and waits until it has returned. answer_call answers with
// `answerResult` (1 unless set; reset() restores it).
void deliverIncoming(const char *number, const char *displayName);
void setAnswerResult(int result);

}  // namespace CallSdkDouble

#endif
