// Voice-library test double for widget tests. Same ABI as the real library.
#include "callsdk_double.h"

#include "callsdk.h"

#include <QCryptographicHash>
#include <QByteArray>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> s_trace{false};
std::atomic<int> s_destroyDelayMs{0};
std::atomic<bool> s_inDestroy{false};

// Static destructors that run while callSdkDestroy is still at work would
// pull the library's state away from under its own thread: say so.
struct DestroyWatch
{
    ~DestroyWatch()
    {
        if (s_inDestroy.load()) {
            static const char kLine[] = "static destructors ran during callSdkDestroy\n";
            (void)!::write(STDOUT_FILENO, kLine, sizeof kLine - 1);
        }
    }
} s_destroyWatch;

struct State
{
    std::mutex mutex;
    std::vector<CallSdkDouble::Call> calls;
    int loginResult = 0;
    int makeCallResult = 1;
    int makeCallBackResult = 1;
    std::vector<std::string> makeCallStates;
    bool balanceSet = true;
    std::string balance = "13800000000|12.50";
    bool pwdSet = false;
    std::string pwd;
    std::string pwdFromLogin;
    int serverIpDelayMs = 0;
    int answerResult = 1;
    std::string returnedBalance;  // library-owned buffers
    std::string returnedPwd;
};

State &state()
{
    static State s;
    return s;
}

std::atomic<void (*)(char *)> s_callback{nullptr};
std::atomic<void (*)(char *, char *)> s_incoming{nullptr};

void record(const char *function, std::vector<std::string> args = {})
{
    if (s_trace.load()) {
        const std::string line = std::string(function) + "\n";
        (void)!::write(STDOUT_FILENO, line.data(), line.size());
    }
    std::lock_guard<std::mutex> lock(state().mutex);
    state().calls.push_back({function, std::move(args)});
}

std::string text(const char *value)
{
    return value ? std::string(value) : std::string("(null)");
}

std::string md5Hex(const std::string &input)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(input), QCryptographicHash::Md5)
        .toHex()
        .toStdString();
}

}  // namespace

namespace CallSdkDouble {

void reset()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    State &s = state();
    s.calls.clear();
    s.loginResult = 0;
    s.makeCallResult = 1;
    s.makeCallBackResult = 1;
    s.makeCallStates.clear();
    s.balanceSet = true;
    s.balance = "13800000000|12.50";
    s.pwdSet = false;
    s.pwd.clear();
    s.pwdFromLogin.clear();
    s.serverIpDelayMs = 0;
    s.answerResult = 1;
}

void setLoginResult(int result)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().loginResult = result;
}

void setMakeCallResult(int result)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().makeCallResult = result;
}

void setBalanceText(const char *value)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().balanceSet = value != nullptr;
    state().balance = value ? value : "";
}

void setPwdText(const char *value)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().pwdSet = true;
    state().pwd = value ? value : "";
}

void setServerIpDelayMs(int ms)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().serverIpDelayMs = ms;
}

std::vector<Call> calls()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().calls;
}

std::vector<Call> callsTo(const std::string &function)
{
    std::vector<Call> out;
    for (const Call &call : calls()) {
        if (call.function == function)
            out.push_back(call);
    }
    return out;
}

int countOf(const std::string &function)
{
    return int(callsTo(function).size());
}

void setMakeCallBackResult(int result)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().makeCallBackResult = result;
}

void setMakeCallStates(std::vector<std::string> states)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().makeCallStates = std::move(states);
}

void traceCalls()
{
    s_trace = true;
}

void setDestroyDelayMs(int ms)
{
    s_destroyDelayMs = ms;
}

void clearCalls()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().calls.clear();
}

void deliverState(const char *stateText)
{
    std::string copy(stateText);
    std::thread([copy]() mutable {
        if (auto callback = s_callback.load())
            callback(copy.data());
    }).join();
}

bool hasCallback()
{
    return s_callback.load() != nullptr;
}

void deliverIncoming(const char *number, const char *displayName)
{
    std::string n(number), d(displayName);
    std::thread([n, d]() mutable {
        if (auto function = s_incoming.load())
            function(n.data(), d.data());
    }).join();
}

void setAnswerResult(int result)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().answerResult = result;
}

}  // namespace CallSdkDouble

extern "C" {

void callSdkPrewarm(void)
{
    record("callSdkPrewarm");
}

void getServerIp(void)
{
    record("getServerIp");
    int delay;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        delay = state().serverIpDelayMs;
    }
    if (delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

int loginServer(char *account, char *password, int flag)
{
    record("loginServer", {text(account), text(password), std::to_string(flag)});
    std::lock_guard<std::mutex> lock(state().mutex);
    state().pwdFromLogin = password ? md5Hex(password) : std::string();
    return state().loginResult;
}

char *getPwd(void)
{
    record("getPwd");
    std::lock_guard<std::mutex> lock(state().mutex);
    State &s = state();
    s.returnedPwd = s.pwdSet ? s.pwd : s.pwdFromLogin;
    return s.returnedPwd.data();
}

void Md5String(char **value)
{
    record("Md5String", {text(value ? *value : nullptr)});
    if (!value || !*value)
        return;
    const std::string digest = md5Hex(*value);
    delete[] *value;
    *value = new char[digest.size() + 1];
    std::memcpy(*value, digest.c_str(), digest.size() + 1);
}

void OnCallState(void (*callStateFunction)(char *))
{
    record("OnCallState");
    s_callback.store(callStateFunction);
}

void EnaleG729(int enable)
{
    record("EnaleG729", {std::to_string(enable)});
}

int make_call(char *number)
{
    record("make_call", {text(number)});
    std::vector<std::string> states;
    int result;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        states = state().makeCallStates;
        result = state().makeCallResult;
    }
    for (const std::string &s : states)
        CallSdkDouble::deliverState(s.c_str());
    return result;
}

int make_call_back(char *callee, char *bindPhone)
{
    record("make_call_back", {text(callee), text(bindPhone)});
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().makeCallBackResult;
}

void dtmf(char *key)
{
    record("dtmf", {text(key)});
}

void call_hangup(void)
{
    record("call_hangup");
}

void getBalance(char **result)
{
    record("getBalance");
    std::lock_guard<std::mutex> lock(state().mutex);
    State &s = state();
    if (!result)
        return;
    if (!s.balanceSet) {
        *result = nullptr;
        return;
    }
    s.returnedBalance = s.balance;
    *result = s.returnedBalance.data();
}

void OnIncomingCall(void (*incomingCallFunction)(char *, char *))
{
    record("OnIncomingCall");
    s_incoming.store(incomingCallFunction);
}

int answer_call(void)
{
    record("answer_call");
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().answerResult;
}

void decline_call(void)
{
    record("decline_call");
}

void callSdkDestroy(void)
{
    record("callSdkDestroy");
    s_inDestroy = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(s_destroyDelayMs.load()));
    s_inDestroy = false;
}

}  // extern "C"
