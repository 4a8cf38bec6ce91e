#ifndef NUVOXA_TESTS_TESTUTIL_H
#define NUVOXA_TESTS_TESTUTIL_H

#include <QString>

class QWidget;

namespace TestUtil {

// Saves the widget as build/screenshots/<name>.png for review; returns the path.
QString saveScreenshot(QWidget *widget, const QString &name);

// The test's private data folder (NUVOXA_DATA_DIR), emptied.
void clearDataDir();

// Reads a whole file as text (empty when missing).
QString readFile(const QString &path);

// Octal permission bits of a file, e.g. 0600.
int fileMode(const QString &path);

// A program of the build's program folder (build/bin).
QString binFile(const QString &name);

}  // namespace TestUtil

#endif
