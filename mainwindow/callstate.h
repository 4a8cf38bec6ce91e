#ifndef NUVOXA_MAINWINDOW_CALLSTATE_H
#define NUVOXA_MAINWINDOW_CALLSTATE_H

#include <atomic>

// The voice library's last call report, left for the main window's poll:
// 0 nothing pending, 1 the call ended, 4 the call was answered. The library
// may write it from its own thread.
enum CallReport { CallReportNone = 0, CallReportEnded = 1, CallReportAnswered = 4 };
extern std::atomic<int> g_callState;

// The call-state function registered with the voice library.
extern "C" void callStateChanged(char *state);

#endif
