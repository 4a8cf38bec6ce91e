#include "app/globals.h"

#include "platform/instanceguard.h"

#include <cstdlib>

QString g_account;
QString g_password;
QString g_bindPhone;
QString g_balance;
bool g_adReady = false;
bool g_autoStart = false;
InstanceGuard *g_instanceMutex = nullptr;

void exitReleasingGuard(int status)
{
    if (g_instanceMutex)
        g_instanceMutex->release();
    std::exit(status);
}
