#ifndef NUVOXA_APP_GLOBALS_H
#define NUVOXA_APP_GLOBALS_H

#include <QString>

class InstanceGuard;

// Account state shared by the windows. Written and read on the UI thread
// only; the main window reads it instead of taking constructor arguments.
extern QString g_account;    // as typed at the current login
extern QString g_password;   // as typed at the current login
extern QString g_bindPhone;  // bound phone, empty when none
extern QString g_balance;    // balance text from the service
extern bool g_adReady;       // the advertisement image has arrived
extern bool g_autoStart;     // the autostart entry exists

// The single-instance guard, held from start-up until the process ends.
extern InstanceGuard *g_instanceMutex;

// Ends the process the way every exit path does: the guard is released first.
[[noreturn]] void exitReleasingGuard(int status);

#endif
