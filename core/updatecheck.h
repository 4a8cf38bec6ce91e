#ifndef NUVOXA_CORE_UPDATECHECK_H
#define NUVOXA_CORE_UPDATECHECK_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The update manifests: the server's `onlieUpdate.xml` and the local
// `clientCheck.xml` share one shape: a document element with the attributes
// "ver" and "AllDown", and one element per file entry, the element's text
// naming the file.
namespace UpdateCheck {

struct FileEntry
{
    QString name;
    QByteArray sha256;  // lowercase hex, as the "sha256" attribute says
    qint64 size = -1;   // "size" attribute; -1 when absent or not a number
};

struct Manifest
{
    bool valid = false;  // well-formed XML
    QString version;     // "ver", empty when absent
    QString allDown;     // "AllDown"
    QStringList entries; // element children of every top-level node, in order
    QList<FileEntry> files;  // the same elements with their attributes
    qint64 signedAt = -1;    // signing time of a verified manifest
};

// A server manifest is never read past this size.
constexpr int MaxManifestBytes = 1 << 20;

// Parses manifest text; the text ends at the first NUL byte.
Manifest parse(const QByteArray &xml);

// The server's manifest, valid only when `signature` (its .minisig file)
// verifies with the trusted key; `why` tells otherwise. The text is checked
// as received, before anything cuts it.
Manifest parseSigned(const QByteArray &xml, const QByteArray &signature, QString *why = nullptr);

// Where the server publishes the manifest and its signature.
QString manifestPath();
QString signaturePath();

// The local manifest of the program folder; invalid when missing or broken.
Manifest readLocal();

// Server entries minus local ones, one for one: each local entry removes the
// first equal server entry.
QStringList remaining(QStringList server, const QStringList &local);

// Versions are compared as text: any difference is an update.
bool differs(const QString &serverVersion, const QString &localVersion);

// What a verified server manifest offers against the local one.
struct Offer
{
    enum State { NoLocal, Current, Newer };
    State state = NoLocal;  // NoLocal: no readable local manifest, nothing to compare
    QStringList files;      // Newer: the entries the update program must fetch
};
Offer offer(const Manifest &server);

// The update program in the program folder, and its arguments for the
// entries to fetch.
QString updaterPath();
QStringList updaterArguments(const QStringList &entries);

}  // namespace UpdateCheck

#endif
