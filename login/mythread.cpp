#include "login/mythread.h"

#include "callsdk.h"

MyThread::MyThread(QObject *parent)
    : QThread(parent)
{
}

void MyThread::run()
{
    getServerIp();
    // Whatever the library found, loginServer decides whether the login works.
    emit rtGetServer();
}
