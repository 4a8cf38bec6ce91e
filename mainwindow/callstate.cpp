#include "mainwindow/callstate.h"

#include "callsdk.h"

#include <QDebug>

#include <cstring>

std::atomic<int> g_callState{CallReportNone};

extern "C" void callStateChanged(char *state)
{
    if (!state)
        return;
    qDebug() << "call state" << state;
    if (std::strcmp(state, "DISCONNCTD") == 0) {
        g_callState.store(CallReportEnded);
        call_hangup();
    } else if (std::strcmp(state, "CONFIRMED") == 0) {
        g_callState.store(CallReportAnswered);
    } else if (std::strcmp(state, "CALLING") == 0) {
        // A new call starts. The library reports an earlier call's end before
        // the next call's first state, so whatever is still pending belongs to
        // an earlier call and must not end (or time) this one.
        g_callState.store(CallReportNone);
    }
}
