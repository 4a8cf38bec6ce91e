#include "app/globals.h"

#include "core/recordwriter.h"
#include "platform/instanceguard.h"

#include <cstdio>

#include <unistd.h>

QString g_account;
QString g_password;
QString g_bindPhone;
QString g_balance;
bool g_adReady = false;
bool g_autoStart = false;
InstanceGuard *g_instanceMutex = nullptr;

void exitReleasingGuard(int status)
{
    // Record changes not yet written go to their files while the guard still
    // keeps a next instance from reading them.
    RecordWriter::instance().flush();
    if (g_instanceMutex)
        g_instanceMutex->release();
    // The voice library's thread may still be shutting down: static
    // destructors must not run under it.
    std::fflush(nullptr);
    ::_exit(status);
}
