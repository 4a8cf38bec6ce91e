#include "core/recordstore.h"

#include "core/recordwriter.h"
#include "core/settingsstore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSettings>

namespace {

const QString kType = QStringLiteral("type");
const QString kNum = QStringLiteral("num");
const QString kTime = QStringLiteral("time");
const QString kName = QStringLiteral("name");
const QString kPhone = QStringLiteral("phone");

QString key(const QString &group, const QString &name)
{
    return group + QLatin1Char('/') + name;
}

QString value(const QSettings &settings, const QString &group, const QString &name)
{
    return settings.value(key(group, name)).toString();
}

// The preferred group, then numbered variants of it.
QString candidate(const QString &preferred, int n)
{
    return n == 0 ? preferred : preferred + QStringLiteral("~%1").arg(n + 1);
}

}  // namespace

namespace RecordGroups {

QString preferred(const QString &text)
{
    if (text.isEmpty() || text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\')))
        return SettingsStore::safeName(text);
    return text;
}

}  // namespace RecordGroups

HistoryStore::HistoryStore(const QString &account)
    : m_path(SettingsStore::historyFile(account))
{
}

bool HistoryStore::exists() const
{
    return QFileInfo::exists(m_path);
}

QList<PHONEDATA> HistoryStore::load() const
{
    QList<PHONEDATA> entries;
    RecordWriter::instance().waitFor(m_path);
    if (!exists())
        return entries;
    const auto settings = SettingsStore::open(m_path);
    const QStringList groups = settings->childGroups();
    entries.reserve(groups.size());
    for (const QString &group : groups) {
        entries.append({value(*settings, group, kTime), value(*settings, group, kNum),
                        value(*settings, group, kType), value(*settings, group, kName)});
    }
    return entries;
}

// The group that holds the number's entry of the type. Digits and dial
// characters always use number + type; only an escaped group or a number
// holding "%" can meet another entry's group, and only those are looked up
// by value.
static QString historyGroup(const QSettings &settings, const QString &number, const QString &type,
                            bool forWriting)
{
    const QString text = number + type;
    const QString preferred = RecordGroups::preferred(text);
    if (preferred == text && !number.contains(QLatin1Char('%')))
        return preferred;
    const QStringList groups = settings.childGroups();
    for (const QString &group : groups) {
        if (value(settings, group, kNum) == number && value(settings, group, kType) == type)
            return group;
    }
    if (!forWriting)
        return QString();
    for (int n = 0;; ++n) {
        const QString group = candidate(preferred, n);
        if (!groups.contains(group))
            return group;
    }
}

namespace RecordEdits {

void writeHistory(QSettings &settings, const PHONEDATA &entry)
{
    settings.beginGroup(historyGroup(settings, entry.num, entry.type, true));
    settings.setValue(kType, entry.type);
    settings.setValue(kNum, entry.num);
    settings.setValue(kTime, entry.time);
    settings.setValue(kName, entry.name);
    settings.endGroup();
}

void removeHistory(QSettings &settings, const QString &number, const QString &type)
{
    const QString group = historyGroup(settings, number, type, false);
    // An empty group name would address the whole file.
    if (group.isEmpty())
        return;
    settings.beginGroup(group);
    settings.remove(QString());
    settings.endGroup();
}

QString freeContactGroup(const QSettings &settings, const QString &name, const QString &phone,
                         const std::function<bool(const QString &)> &reserved)
{
    const QString preferred = RecordGroups::preferred(name + phone);
    for (int n = 0;; ++n) {
        const QString group = candidate(preferred, n);
        if (!settings.contains(key(group, kName)) && !settings.contains(key(group, kPhone))
            && !(reserved && reserved(group)))
            return group;
    }
}

void saveContact(QSettings &settings, const QString &group, const QString &name, const QString &phone)
{
    settings.beginGroup(group);
    settings.setValue(kName, name);
    settings.setValue(kPhone, phone);
    settings.endGroup();
}

void removeContact(QSettings &settings, const QString &group)
{
    if (group.isEmpty())
        return;
    // Only this contact's keys: a group of a hand-edited file may hold more.
    settings.beginGroup(group);
    settings.remove(kName);
    settings.remove(kPhone);
    settings.endGroup();
}

}  // namespace RecordEdits

void HistoryStore::write(const PHONEDATA &entry)
{
    RecordWriter::instance().waitFor(m_path);
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (SettingsStore::writable(*settings))
        RecordEdits::writeHistory(*settings, entry);
}

void HistoryStore::remove(const QString &number, const QString &type)
{
    RecordWriter::instance().waitFor(m_path);
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (SettingsStore::writable(*settings))
        RecordEdits::removeHistory(*settings, number, type);
}

void HistoryStore::removeAll()
{
    RecordWriter::instance().discard(m_path);
    QFile::remove(m_path);
}

ContactStore::ContactStore(const QString &account)
    : m_path(SettingsStore::contactsFile(account))
{
}

QList<ContactStore::Contact> ContactStore::load() const
{
    QList<Contact> contacts;
    RecordWriter::instance().waitFor(m_path);
    if (!QFileInfo::exists(m_path))
        return contacts;
    const auto settings = SettingsStore::open(m_path);
    const QStringList groups = settings->childGroups();
    contacts.reserve(groups.size());
    for (const QString &group : groups)
        contacts.append({value(*settings, group, kName), value(*settings, group, kPhone), group});
    return contacts;
}

// Phone -> name of a contacts file, so that naming each call does not walk
// every contact. Valid while the file keeps the size and time it had when
// read; a rewrite by this process drops it in any case, since two rewrites
// can share both.
struct NameIndex
{
    qint64 size = -1;
    QDateTime modified;
    QHash<QString, QString> names;  // the first contact in group order wins
};

static QMutex nameIndexMutex;

static QHash<QString, NameIndex> &nameIndexes()
{
    static QHash<QString, NameIndex> indexes;
    return indexes;
}

void RecordEdits::fileWritten(const QString &path)
{
    const QMutexLocker lock(&nameIndexMutex);
    nameIndexes().remove(path);
}

QString ContactStore::nameOf(const QString &number) const
{
    RecordWriter::instance().waitFor(m_path);
    const QFileInfo info(m_path);
    if (!info.exists())
        return QString();
    const QMutexLocker lock(&nameIndexMutex);
    NameIndex &index = nameIndexes()[m_path];
    if (index.size != info.size() || index.modified != info.lastModified()) {
        index = NameIndex{info.size(), info.lastModified(), {}};
        const auto settings = SettingsStore::open(m_path);
        const QStringList groups = settings->childGroups();
        for (const QString &group : groups) {
            const QString phone = value(*settings, group, kPhone);
            if (!index.names.contains(phone))
                index.names.insert(phone, value(*settings, group, kName));
        }
    }
    return index.names.value(number);
}

QString ContactStore::save(const QString &name, const QString &phone)
{
    RecordWriter::instance().waitFor(m_path);
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (!SettingsStore::writable(*settings))
        return QString();
    const QString group = RecordEdits::freeContactGroup(*settings, name, phone);
    RecordEdits::saveContact(*settings, group, name, phone);
    settings->sync();
    RecordEdits::fileWritten(m_path);
    return group;
}

void ContactStore::remove(const QString &group)
{
    if (group.isEmpty())
        return;
    RecordWriter::instance().waitFor(m_path);
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (SettingsStore::writable(*settings))
        RecordEdits::removeContact(*settings, group);
    settings->sync();
    RecordEdits::fileWritten(m_path);
}
