#ifndef NUVOXA_UPDATER_INSTALLER_H
#define NUVOXA_UPDATER_INSTALLER_H

#include <QString>
#include <QStringList>

// Puts downloaded files into the program folder as one unit.
namespace Installer {

// A manifest entry names a file inside the program folder: relative, no
// leading "-", no ".." anywhere, no empty or "." segments, no control
// characters.
bool isSafeEntry(const QString &entry);

// True when the entry's path inside `programDir` passes through an existing
// symbolic link (a folder or the file itself), which could lead the update
// out of the program folder.
bool reachesThroughLink(const QString &programDir, const QString &entry);

// Moves `stagingDir`/new/<file> to `programDir`/<file> for every file, in
// order. Each replaced file keeps its permissions; a new file is made
// executable when it is a program (ELF or #!). When any step fails, every
// file already moved is put back (the old one restored, a new one removed),
// folders created for new files are removed again, and `error` says what
// failed. `stagingDir` must be on the program folder's file system (it keeps
// the old files until the end).
bool install(const QString &programDir, const QString &stagingDir, const QStringList &files,
             QString *error);

}  // namespace Installer

#endif
