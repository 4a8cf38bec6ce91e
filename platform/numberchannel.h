#ifndef NUVOXA_PLATFORM_NUMBERCHANNEL_H
#define NUVOXA_PLATFORM_NUMBERCHANNEL_H

#include <QLocalServer>
#include <QObject>
#include <QString>

// Carries a number from a second copy of the client (started by a link or
// with a number on the command line) to the copy that runs.
//
// A UNIX socket beside the instance lock, in a folder of this user's alone,
// created with owner-only permissions. The running copy accepts only peers of
// its own user (SO_PEERCRED) and one short line per connection within a time
// limit; the sender connects only to a socket of its own user that a process
// of its own user listens on. Each line is answered "OK" once received; what
// the line holds is the receiver's to check.
class NumberChannel : public QObject
{
    Q_OBJECT
public:
    // A line longer than this is no number: the connection is dropped.
    static constexpr int MaxLine = 128;
    // A connection that has not delivered its line by then is dropped.
    static constexpr int ConnectionTimeoutMs = 2000;
    // Connections served at once; more are closed at once.
    static constexpr int MaxConnections = 4;

    // Empty when there is no folder of this user's own for it.
    static QString socketPath();

    explicit NumberChannel(QObject *parent = nullptr);
    ~NumberChannel() override;

    // Replaces a socket left by a copy that was killed: the caller holds the
    // instance lock, so no other copy listens there.
    bool listen();

    // Hands `text` to the copy that listens; true once it answered. Waits up
    // to `timeoutMs` for a copy that is still starting to listen.
    static bool send(const QString &text, int timeoutMs = 3000);

signals:
    void received(const QString &text);

private:
    void accept();

    QLocalServer m_server;
};

#endif
