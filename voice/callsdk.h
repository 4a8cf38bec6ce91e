// The voice library: SIP registration, calls, media and the service's
// account queries. One account state inside the library, no handle.
// Strings are NUL-terminated UTF-8.
#ifndef NUVOXA_CALLSDK_H
#define NUVOXA_CALLSDK_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define CALLSDK_API __attribute__((visibility("default")))
#else
#define CALLSDK_API
#endif

// Starts loading the SIP and media engine in the background, so that the
// first login does not wait for it; returns at once. A program calls it once
// its first window is up: the loading competes with that window for the
// processor. Without it, the first getServerIp or loginServer loads it.
CALLSDK_API void callSdkPrewarm(void);
// Returns once the voice server address is known (or the attempts are spent).
CALLSDK_API void getServerIp(void);
// Registers the account with the voice server. -1 = failure, else success.
CALLSDK_API int loginServer(char *account, char *password, int flag);
// The password as the service's web requests expect it. Library-owned.
CALLSDK_API char *getPwd(void);
// *text is a new[]-allocated copy of the input; it is released with delete[]
// and replaced by a new[]-allocated digest text the caller releases.
CALLSDK_API void Md5String(char **text);
// Registers the call-state function: "CALLING", "EARLY", "CONNECTING",
// "CONFIRMED", "DISCONNCTD". It may run on a library thread.
CALLSDK_API void OnCallState(void (*callStateFunction)(char *state));
// 1 enables G.729 for the next direct call, 0 disables it.
CALLSDK_API void EnaleG729(int enable);
// 1 = the call was started, anything else = failure.
CALLSDK_API int make_call(char *number);
// Asks the service to call back `bindPhone` and join it to `callee`.
CALLSDK_API int make_call_back(char *callee, char *bindPhone);
// Sends one key ("0"-"9", "*", "#", "+") into the current call.
CALLSDK_API void dtmf(char *key);
// Ends the current call in any state; harmless without one.
CALLSDK_API void call_hangup(void);
// *result (set to null by the caller) becomes library-owned "phone|balance"
// text, or stays null on failure.
CALLSDK_API void getBalance(char **result);
// Drops the account state (unregisters). Harmless twice.
CALLSDK_API void callSdkDestroy(void);

// Incoming calls. Registers the function told of a call that rings: the
// caller's number (only "0"-"9", "*", "#", "+"; empty when the caller sent
// none) and display name (empty when none), both valid only during the
// call of the function, which may run on a library thread. Without a
// function, and while any call exists, an incoming call is answered busy
// (486) and not reported. A ringing call that
// ends unanswered (the caller gave up, decline_call, call_hangup) reports
// "DISCONNCTD"; an answered one reports "CONNECTING", "CONFIRMED" and later
// "DISCONNCTD" like an outgoing call, and call_hangup and dtmf act on it.
CALLSDK_API void OnIncomingCall(void (*incomingCallFunction)(char *number, char *displayName));
// Answers the ringing incoming call: 1 = answered, anything else = no
// ringing call (it may just have ended).
CALLSDK_API int answer_call(void);
// Turns the ringing incoming call away (603 Decline); nothing without one.
CALLSDK_API void decline_call(void);

#ifdef __cplusplus
}
#endif

#endif
