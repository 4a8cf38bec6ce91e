#ifndef NUVOXA_TESTS_TESTUTIL_H
#define NUVOXA_TESTS_TESTUTIL_H

#include <QApplication>
#include <QString>
#include <QWidget>

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

// The first top-level window of type T, or null.
template <typename T>
T *topLevel()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<T *>(top))
            return found;
    }
    return nullptr;
}

}  // namespace TestUtil

#endif
