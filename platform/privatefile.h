#ifndef NUVOXA_PLATFORM_PRIVATEFILE_H
#define NUVOXA_PLATFORM_PRIVATEFILE_H

#include <QByteArray>
#include <QString>

// Files that hold passwords: readable and writable by their owner only from
// the moment they exist, so no other user ever gets to open them.
namespace PrivateFile {

// Creates an empty owner-only file; false when `path` exists or cannot be
// made.
bool create(const QString &path);

// Writes `bytes` to a new owner-only file and waits until they are on disk;
// on any failure no file is left behind.
bool writeNew(const QString &path, const QByteArray &bytes);

}  // namespace PrivateFile

#endif
