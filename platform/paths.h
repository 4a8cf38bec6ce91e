#ifndef NUVOXA_PLATFORM_PATHS_H
#define NUVOXA_PLATFORM_PATHS_H

#include <QString>

// Where the program reads from and writes to.
//
// The program folder holds the executable, `image/`, `clientCheck.xml` and
// the update program; it is the working directory. The data folder is where
// the program writes: the program folder itself for a portable copy (a file
// named `portable` next to the executable), otherwise the per-user
// `$XDG_DATA_HOME/nuvoxa`. NUVOXA_DATA_DIR overrides both (tests, several
// profiles side by side).
namespace Paths {

QString programDir();
QString dataDir();
QString settingsDir();  // dataDir() + "/Nuvoxa"
QString tempDir();      // dataDir() + "/temp"
QString programFile(const QString &name);  // programDir() + "/" + name

}  // namespace Paths

#endif
