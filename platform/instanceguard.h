#ifndef NUVOXA_PLATFORM_INSTANCEGUARD_H
#define NUVOXA_PLATFORM_INSTANCEGUARD_H

#include <QString>

// Keeps a second copy of the program from running for the same user.
//
// An exclusive flock() on a file in $XDG_RUNTIME_DIR, or in the data folder
// when there is no runtime folder of this user's own: the kernel drops it
// when the process dies, so a killed copy never blocks the next start. The
// descriptor is close-on-exec, so programs we start (the updater) do not
// inherit the lock. A lock file that is a link or belongs to someone else is
// not used.
class InstanceGuard
{
public:
    enum class Result { Acquired, HeldElsewhere, Unavailable };

    explicit InstanceGuard(const QString &name);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // The folder of the lock: the session's runtime folder, else the data
    // folder (which the client and the update program of one installation
    // share); empty when neither is this user's alone.
    static QString folder();

    Result acquire();
    void release();
    bool isHeld() const { return m_fd >= 0; }
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

#endif
