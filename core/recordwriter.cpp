#include "core/recordwriter.h"

#include "core/recordstore.h"
#include "core/settingsstore.h"

#include <QCoreApplication>
#include <QSettings>

#include <algorithm>
#include <iterator>
#include <vector>

static QString reservation(const QString &path, const QString &group)
{
    return path + QLatin1Char('\n') + group;
}

RecordWriter &RecordWriter::instance()
{
    static RecordWriter writer;
    // Changes still queued when the application object goes away are
    // written before the process moves on to its exit.
    static const bool flushAtExit = [] {
        qAddPostRoutine([] { RecordWriter::instance().flush(); });
        return true;
    }();
    Q_UNUSED(flushAtExit);
    return writer;
}

RecordWriter::~RecordWriter()
{
    flush();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void RecordWriter::writeHistory(const QString &account, const PHONEDATA &entry)
{
    queue({SettingsStore::historyFile(account),
           [entry](QSettings &settings) { RecordEdits::writeHistory(settings, entry); }, QString()});
}

void RecordWriter::removeHistory(const QString &account, const QString &number, const QString &type)
{
    queue({SettingsStore::historyFile(account),
           [number, type](QSettings &settings) { RecordEdits::removeHistory(settings, number, type); },
           QString()});
}

QString RecordWriter::saveContact(const QString &account, const QString &name, const QString &phone)
{
    const QString path = SettingsStore::contactsFile(account);
    // The claims are taken before the file is read: a save written in
    // between has dropped its claim only once its group is in the file.
    QSet<QString> reserved;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        reserved = m_reserved;
    }
    const auto current = SettingsStore::open(path);
    if (current->status() == QSettings::AccessError)
        return QString();
    const QString group = RecordEdits::freeContactGroup(
        *current, name, phone,
        [&](const QString &candidate) { return reserved.contains(reservation(path, candidate)); });
    queue({path,
           [group, name, phone](QSettings &settings) {
               RecordEdits::saveContact(settings, group, name, phone);
           },
           group});
    return group;
}

void RecordWriter::removeContact(const QString &account, const QString &group)
{
    queue({SettingsStore::contactsFile(account),
           [group](QSettings &settings) { RecordEdits::removeContact(settings, group); }, QString()});
}

bool RecordWriter::pendingFor(const QString &path) const
{
    if (m_writing.contains(path))
        return true;
    for (const Change &change : m_queue) {
        if (change.path == path)
            return true;
    }
    return false;
}

void RecordWriter::waitFor(const QString &path)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [&] { return !pendingFor(path); });
}

void RecordWriter::discard(const QString &path)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        if (it->path != path) {
            ++it;
            continue;
        }
        if (!it->reservedGroup.isEmpty())
            m_reserved.remove(reservation(path, it->reservedGroup));
        it = m_queue.erase(it);
    }
    m_idle.wait(lock, [&] { return !m_writing.contains(path); });
}

void RecordWriter::flush()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [&] { return m_queue.empty() && m_writing.isEmpty(); });
}

void RecordWriter::queue(Change change)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!change.reservedGroup.isEmpty())
            m_reserved.insert(reservation(change.path, change.reservedGroup));
        m_queue.push_back(std::move(change));
        if (!m_thread.joinable())
            m_thread = std::thread(&RecordWriter::run, this);
    }
    m_wake.notify_one();
}

void RecordWriter::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        std::deque<Change> batch;
        batch.swap(m_queue);
        for (const Change &change : batch)
            m_writing.insert(change.path);
        lock.unlock();

        // Files are independent, so each is written once with its changes
        // in the order they came.
        std::vector<QString> paths;
        for (const Change &change : batch) {
            if (std::find(paths.begin(), paths.end(), change.path) == paths.end())
                paths.push_back(change.path);
        }
        for (const QString &path : paths) {
            std::deque<Change> changes;
            std::copy_if(batch.begin(), batch.end(), std::back_inserter(changes),
                         [&](const Change &change) { return change.path == path; });
            write(path, changes);
        }

        lock.lock();
        for (const Change &change : batch) {
            if (!change.reservedGroup.isEmpty())
                m_reserved.remove(reservation(change.path, change.reservedGroup));
        }
        m_writing.clear();
        m_idle.notify_all();
    }
}

void RecordWriter::write(const QString &path, const std::deque<Change> &changes)
{
    SettingsStore::ensureFolder();
    {
        const auto settings = SettingsStore::open(path);
        if (!SettingsStore::writable(*settings))
            return;
        for (const Change &change : changes)
            change.apply(*settings);
    }
    RecordEdits::fileWritten(path);
}
