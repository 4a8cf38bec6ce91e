// Shared set-up of the fuzz targets: a core application (the stores ask it
// for the program folder) and a private data folder per process.
#ifndef NUVOXA_FUZZ_FUZZSUPPORT_H
#define NUVOXA_FUZZ_FUZZSUPPORT_H

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

inline void init(int *argc, char ***argv)
{
    static char templ[] = "/tmp/nuvoxa-fuzz-XXXXXX";
    const char *dir = mkdtemp(templ);
    if (!dir) {
        std::perror("mkdtemp");
        std::abort();
    }
    setenv("NUVOXA_DATA_DIR", dir, 1);
    setenv("NUVOXA_WEB_HOST", "web.example:8081", 1);
    setenv("NUVOXA_CLOUD_HOST", "cloud.example:8080", 1);
    new QCoreApplication(*argc, *argv);
    QDir().mkpath(QString::fromLocal8Bit(dir) + QStringLiteral("/Nuvoxa"));
}

// Fails the run with a message; libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "property violated: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

}  // namespace FuzzSupport

#define FUZZ_CHECK(cond, detail)                                   \
    do {                                                           \
        if (!(cond))                                               \
            FuzzSupport::fail(#cond, (detail));                    \
    } while (0)

#endif
