#ifndef NUVOXA_MAINWINDOW_CALLSTATE_H
#define NUVOXA_MAINWINDOW_CALLSTATE_H

#include <QObject>
#include <QString>

#include <atomic>

// The voice library's last call report, left for the main window's poll:
// 0 nothing pending, 1 the call ended, 4 the call was answered. The library
// may write it from its own thread.
enum CallReport { CallReportNone = 0, CallReportEnded = 1, CallReportAnswered = 4 };
extern std::atomic<int> g_callState;

// The call-state function registered with the voice library.
extern "C" void callStateChanged(char *state);
// The incoming-call function registered with the voice library.
extern "C" void incomingCallArrived(char *number, char *displayName);

// What a ringing call's window must hear of at once rather than at the next
// poll, delivered on the user-interface thread. instance() must first be
// called there.
class CallEvents : public QObject
{
    Q_OBJECT
public:
    static CallEvents &instance();

signals:
    void ringing(const QString &number, const QString &displayName);
    // A call ended (any call: an answered one also goes through the poll).
    void ended();
};

#endif
