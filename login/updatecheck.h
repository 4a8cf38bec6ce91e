#ifndef NUVOXA_LOGIN_UPDATECHECK_H
#define NUVOXA_LOGIN_UPDATECHECK_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The update manifests: the server's `onlieUpdate.xml` and the local
// `clientCheck.xml` share one shape: a document element with the attributes
// "ver" and "AllDown", and one element per file entry, the element's text
// naming the file.
namespace UpdateCheck {

struct Manifest
{
    bool valid = false;  // well-formed XML
    QString version;     // "ver", empty when absent
    QString allDown;     // "AllDown"
    QStringList entries; // element children of every top-level node, in order
};

// Parses manifest text; the text ends at the first NUL byte.
Manifest parse(const QByteArray &xml);

// The local manifest of the program folder; invalid when missing or broken.
Manifest readLocal();

// Server entries minus local ones, one for one: each local entry removes the
// first equal server entry.
QStringList remaining(QStringList server, const QStringList &local);

// Versions are compared as text: any difference is an update.
bool differs(const QString &serverVersion, const QString &localVersion);

// The update program in the program folder.
QString updaterPath();

// Starts the update program detached with the entries as its arguments.
// False when it could not be started.
bool startUpdater(const QStringList &entries);

}  // namespace UpdateCheck

#endif
