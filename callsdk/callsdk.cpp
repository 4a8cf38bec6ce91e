// The exported functions of the voice library.
#include "callsdk.h"

#include "engine.h"
#include "http.h"
#include "md5.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using callsdk::Clock;

const auto kLoginLimit = 9500ms;  // loginServer answers within this
const long kServerTimeoutMs = 3000;  // one server.aspx attempt
const int kServerAttempts = 3;
const long kQueryTimeoutMs = 5000;  // balance and callback requests

// The account state shared by the functions (they run on different threads).
struct State
{
    std::mutex m;
    std::string serverHost;
    int serverPort = 0;
    bool serverTls = false;
    std::string account;
    std::string passwordDigest;
    char pwdText[33] = {0};  // what getPwd returns; the address never changes
    char *balances[8] = {nullptr};  // getBalance results, reused in turn
    int nextBalance = 0;
    bool g729 = true;
};

State &state()
{
    static State s;
    return s;
}

bool fetchServer(int attempts)
{
    for (int i = 0; i < attempts; ++i) {
        if (i)
            std::this_thread::sleep_for(300ms);
        std::string body, host;
        int port = 0;
        bool tls = false;
        if (!callsdk::cloudGet("/cloud/pc/server.aspx", {}, &body, kServerTimeoutMs))
            continue;
        if (!callsdk::parseServer(body, &host, &port, &tls)) {
            callsdk::engineLog("unusable voice server answer");
            continue;
        }
        std::lock_guard<std::mutex> lk(state().m);
        state().serverHost = host;
        state().serverPort = port;
        state().serverTls = tls;
        return true;
    }
    return false;
}

bool credentials(std::string *account, std::string *digest)
{
    std::lock_guard<std::mutex> lk(state().m);
    if (state().account.empty())
        return false;
    *account = state().account;
    *digest = state().passwordDigest;
    return true;
}

std::string trimmed(const std::string &s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool validNumber(const char *number)
{
    if (!number || !*number || std::strlen(number) > 64)
        return false;
    for (const char *p = number; *p; ++p) {
        if (!std::strchr("0123456789*#+", *p))
            return false;
    }
    return true;
}

}  // namespace

extern "C" {

void callSdkPrewarm(void)
{
    callsdk::cloudPreload();
    callsdk::enginePreload();
}

void getServerIp(void)
{
    callsdk::enginePreload();
    fetchServer(kServerAttempts);
}

int loginServer(char *account, char *password, int /*flag*/)
{
    Clock::time_point deadline = Clock::now() + kLoginLimit;
    if (!account || !*account || !password)
        return -1;
    std::string host;
    int port = 0;
    bool tls = false;
    {
        std::lock_guard<std::mutex> lk(state().m);
        host = state().serverHost;
        port = state().serverPort;
        tls = state().serverTls;
    }
    if (host.empty()) {
        // getServerIp did not get an answer (or was not called): one more try.
        if (!fetchServer(1))
            return -1;
        std::lock_guard<std::mutex> lk(state().m);
        host = state().serverHost;
        port = state().serverPort;
        tls = state().serverTls;
    }
    int r = callsdk::engineLogin(account, password, host, port, tls, deadline);
    if (r != 0)
        return -1;
    std::string digest = callsdk::md5Hex(password, std::strlen(password));
    std::lock_guard<std::mutex> lk(state().m);
    state().account = account;
    state().passwordDigest = digest;
    std::memcpy(state().pwdText, digest.c_str(), 33);
    return 0;
}

char *getPwd(void)
{
    return state().pwdText;
}

void Md5String(char **text)
{
    if (!text || !*text)
        return;
    char *given = *text;
    std::string digest = callsdk::md5Hex(given, std::strlen(given));
    *text = new char[digest.size() + 1];
    std::memcpy(*text, digest.c_str(), digest.size() + 1);
    delete[] given;
}

void OnCallState(void (*callStateFunction)(char *state))
{
    callsdk::engineSetStateFunction(callStateFunction);
}

void EnaleG729(int enable)
{
    std::lock_guard<std::mutex> lk(state().m);
    state().g729 = enable != 0;
}

int make_call(char *number)
{
    if (!validNumber(number))
        return 0;
    bool g729;
    {
        std::lock_guard<std::mutex> lk(state().m);
        g729 = state().g729;
    }
    return callsdk::engineCall(number, g729);
}

int make_call_back(char *callee, char *bindPhone)
{
    std::string account, digest;
    if (!validNumber(callee) || !validNumber(bindPhone) || !credentials(&account, &digest))
        return 0;
    std::string body;
    if (!callsdk::cloudGet("/cloud/callback.aspx",
            {{"acct", account}, {"pwd", digest}, {"callee", callee}, {"caller", bindPhone}}, &body,
            kQueryTimeoutMs))
        return 0;
    return trimmed(body) == "OK" ? 1 : 0;
}

void dtmf(char *key)
{
    if (!key || std::strlen(key) != 1 || !std::strchr("0123456789*#", key[0]))
        return;  // "+" has no RFC 4733 event
    callsdk::engineDtmf(key[0]);
}

void call_hangup(void)
{
    callsdk::engineHangup();
}

void getBalance(char **result)
{
    if (!result)
        return;
    std::string account, digest, body;
    if (!credentials(&account, &digest))
        return;
    if (!callsdk::cloudGet(
            "/cloud/balance.aspx", {{"acct", account}, {"pwd", digest}}, &body, kQueryTimeoutMs))
        return;
    body = trimmed(body);
    if (body.find('|') == std::string::npos)
        return;  // an error word, not an account answer
    State &s = state();
    std::lock_guard<std::mutex> lk(s.m);
    char *&slot = s.balances[s.nextBalance];
    s.nextBalance = (s.nextBalance + 1) % 8;
    delete[] slot;
    slot = new char[body.size() + 1];
    std::memcpy(slot, body.c_str(), body.size() + 1);
    *result = slot;
}

void OnIncomingCall(void (*incomingCallFunction)(char *number, char *displayName))
{
    callsdk::engineSetIncomingFunction(incomingCallFunction);
}

int answer_call(void)
{
    return callsdk::engineAnswer();
}

void decline_call(void)
{
    callsdk::engineDecline();
}

void callSdkDestroy(void)
{
    callsdk::engineLogout();
    std::lock_guard<std::mutex> lk(state().m);
    state().account.clear();
    state().passwordDigest.clear();
    std::memset(state().pwdText, 0, sizeof state().pwdText);
}

}  // extern "C"
