#include "records/recordstore.h"

#include "app/settingsstore.h"

#include <QFile>
#include <QFileInfo>
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

void HistoryStore::write(const PHONEDATA &entry)
{
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (!SettingsStore::writable(*settings))
        return;
    settings->beginGroup(historyGroup(*settings, entry.num, entry.type, true));
    settings->setValue(kType, entry.type);
    settings->setValue(kNum, entry.num);
    settings->setValue(kTime, entry.time);
    settings->setValue(kName, entry.name);
    settings->endGroup();
}

void HistoryStore::remove(const QString &number, const QString &type)
{
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (!SettingsStore::writable(*settings))
        return;
    const QString group = historyGroup(*settings, number, type, false);
    // An empty group name would address the whole file.
    if (group.isEmpty())
        return;
    settings->beginGroup(group);
    settings->remove(QString());
    settings->endGroup();
}

void HistoryStore::removeAll()
{
    QFile::remove(m_path);
}

ContactStore::ContactStore(const QString &account)
    : m_path(SettingsStore::contactsFile(account))
{
}

QList<ContactStore::Contact> ContactStore::load() const
{
    QList<Contact> contacts;
    if (!QFileInfo::exists(m_path))
        return contacts;
    const auto settings = SettingsStore::open(m_path);
    const QStringList groups = settings->childGroups();
    contacts.reserve(groups.size());
    for (const QString &group : groups)
        contacts.append({value(*settings, group, kName), value(*settings, group, kPhone), group});
    return contacts;
}

QString ContactStore::nameOf(const QString &number) const
{
    if (!QFileInfo::exists(m_path))
        return QString();
    const auto settings = SettingsStore::open(m_path);
    const QStringList groups = settings->childGroups();
    for (const QString &group : groups) {
        if (value(*settings, group, kPhone) == number)
            return value(*settings, group, kName);
    }
    return QString();
}

QString ContactStore::save(const QString &name, const QString &phone)
{
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (!SettingsStore::writable(*settings))
        return QString();
    const QString preferred = RecordGroups::preferred(name + phone);
    QString group;
    for (int n = 0;; ++n) {
        group = candidate(preferred, n);
        if (!settings->contains(key(group, kName)) && !settings->contains(key(group, kPhone)))
            break;
    }
    settings->beginGroup(group);
    settings->setValue(kName, name);
    settings->setValue(kPhone, phone);
    settings->endGroup();
    return group;
}

void ContactStore::remove(const QString &group)
{
    if (group.isEmpty())
        return;
    SettingsStore::ensureFolder();
    const auto settings = SettingsStore::open(m_path);
    if (!SettingsStore::writable(*settings))
        return;
    // Only this contact's keys: a group of a hand-edited file may hold more.
    settings->beginGroup(group);
    settings->remove(kName);
    settings->remove(kPhone);
    settings->endGroup();
}
