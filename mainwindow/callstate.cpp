#include "mainwindow/callstate.h"

#include "callsdk.h"

#include <QDebug>

#include <cstring>

std::atomic<int> g_callState{CallReportNone};

CallEvents &CallEvents::instance()
{
    static CallEvents events;
    return events;
}

extern "C" void callStateChanged(char *state)
{
    if (!state)
        return;
    qDebug() << "call state" << state;
    if (std::strcmp(state, "DISCONNCTD") == 0) {
        g_callState.store(CallReportEnded);
        call_hangup();
        QMetaObject::invokeMethod(&CallEvents::instance(), [] { emit CallEvents::instance().ended(); },
                                  Qt::QueuedConnection);
    } else if (std::strcmp(state, "CONFIRMED") == 0) {
        g_callState.store(CallReportAnswered);
    } else if (std::strcmp(state, "CALLING") == 0) {
        // A new call starts. The library reports an earlier call's end before
        // the next call's first state, so whatever is still pending belongs to
        // an earlier call and must not end (or time) this one.
        g_callState.store(CallReportNone);
    }
}

extern "C" void incomingCallArrived(char *number, char *displayName)
{
    if (!number || !displayName)
        return;
    // An earlier call's end report stays pending: the main window takes it
    // before it shows the ringing call.
    const QString caller = QString::fromUtf8(number);
    const QString name = QString::fromUtf8(displayName);
    QMetaObject::invokeMethod(
        &CallEvents::instance(), [caller, name] { emit CallEvents::instance().ringing(caller, name); },
        Qt::QueuedConnection);
}
