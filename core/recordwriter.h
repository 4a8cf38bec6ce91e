#ifndef NUVOXA_CORE_RECORDWRITER_H
#define NUVOXA_CORE_RECORDWRITER_H

#include "core/phonedata.h"

#include <QSet>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QSettings;

// Writes the history and contact files off the window's thread. The INI
// store rewrites a whole file for every change, which with a big history
// takes longer than a frame. One thread applies the changes in the order
// they were queued; changes to one file that wait together are written in
// a single rewrite. The file is replaced atomically, so a killed process
// loses only changes not yet written and never leaves a torn file. Queued
// changes are written before the application object goes away, and when
// the process ends through exit().
class RecordWriter
{
public:
    static RecordWriter &instance();
    ~RecordWriter();

    void writeHistory(const QString &account, const PHONEDATA &entry);
    void removeHistory(const QString &account, const QString &number, const QString &type);
    // Picks the contact's group at once (it names the contact for a later
    // removal) and queues the save; empty when the file cannot be written.
    QString saveContact(const QString &account, const QString &name, const QString &phone);
    void removeContact(const QString &account, const QString &group);

    // Returns once nothing queued or being written touches the file.
    void waitFor(const QString &path);
    // Drops the changes queued for the file and waits for one being written.
    void discard(const QString &path);
    // Returns once every queued change is in its file.
    void flush();

private:
    struct Change
    {
        QString path;
        std::function<void(QSettings &)> apply;
        QString reservedGroup;  // a contact group claimed until written
    };

    RecordWriter() = default;
    void queue(Change change);
    void run();
    bool pendingFor(const QString &path) const;
    static void write(const QString &path, const std::deque<Change> &changes);

    std::mutex m_mutex;
    std::condition_variable m_wake;  // the writer: work queued or stop
    std::condition_variable m_idle;  // waiters: a batch was written
    std::deque<Change> m_queue;
    QSet<QString> m_writing;   // files of the batch being written
    QSet<QString> m_reserved;  // path + '\n' + group of contact saves not yet written
    bool m_stop = false;
    std::thread m_thread;
};

#endif
