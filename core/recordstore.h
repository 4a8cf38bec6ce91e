#ifndef NUVOXA_CORE_RECORDSTORE_H
#define NUVOXA_CORE_RECORDSTORE_H

#include "core/phonedata.h"

#include <QList>
#include <QString>

#include <functional>

class QSettings;

// The call history of one account: the INI file "phonedata" + account, one
// group per number and type (number + "out" for a dialled number, + "in"
// for an answered incoming call, + "miss" for one not answered) with the
// keys type, num, time and name, in that order.
//
// Both stores read and write at once on the calling thread; they first wait
// for any change the record writer still holds for their file, so every
// reader sees the changes in the order they were made.
class HistoryStore
{
public:
    explicit HistoryStore(const QString &account);

    QString path() const { return m_path; }
    bool exists() const;
    // Every entry in the store's group order.
    QList<PHONEDATA> load() const;
    // Writes the entry over the group of its number and type (created when missing).
    void write(const PHONEDATA &entry);
    // Removes the group of the number and type; other entries are untouched.
    void remove(const QString &number, const QString &type = QStringLiteral("out"));
    // Deletes the whole file; changes queued for it are dropped.
    void removeAll();

private:
    QString m_path;
};

// The contacts of one account: the INI file "frined" + account, one group
// per contact with the keys name and phone. The group is the name followed
// by the number. A pair that cannot be a group of its own (empty, or holding
// "/" or "\", which the INI store reads as separators) gets an escaped group
// name, and a group already taken by another contact is never reused, so
// every contact keeps its own group.
class ContactStore
{
public:
    struct Contact
    {
        QString name;
        QString phone;
        QString group;  // where it is stored
    };

    explicit ContactStore(const QString &account);

    QString path() const { return m_path; }
    // Every stored contact in the store's group order.
    QList<Contact> load() const;
    // Name of the first contact in group order whose phone is exactly the
    // number; empty when none.
    QString nameOf(const QString &number) const;
    // Stores a new contact and returns its group.
    QString save(const QString &name, const QString &phone);
    // Removes the contact stored in the group (its name and phone only).
    void remove(const QString &group);

private:
    QString m_path;
};

// The changes the stores make, on a file already open and found writable;
// the record writer applies them off the window's thread.
namespace RecordEdits {
void writeHistory(QSettings &settings, const PHONEDATA &entry);
void removeHistory(QSettings &settings, const QString &number, const QString &type);
// The first group for the contact that no stored contact holds and that
// `reserved` (when given) does not claim for a save not yet written.
QString freeContactGroup(const QSettings &settings, const QString &name, const QString &phone,
                         const std::function<bool(const QString &)> &reserved = {});
void saveContact(QSettings &settings, const QString &group, const QString &name, const QString &phone);
void removeContact(QSettings &settings, const QString &group);
// To be called once a change to the file is written.
void fileWritten(const QString &path);
}

namespace RecordGroups {
// The group a record would ideally use: the text itself when the INI store
// keeps it as one group, otherwise an escaped form without separators.
QString preferred(const QString &text);
}

#endif
