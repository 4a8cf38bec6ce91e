#ifndef NUVOXA_LOGIN_MYTHREAD_H
#define NUVOXA_LOGIN_MYTHREAD_H

#include <QThread>

// Asks the voice library for the voice server address off the UI thread,
// then lets the login go on. Only the library call and the signal run here.
class MyThread : public QThread
{
    Q_OBJECT
public:
    explicit MyThread(QObject *parent = nullptr);

signals:
    void rtGetServer();

protected:
    void run() override;
};

#endif
