// Records calls of the account "1001" the way the main window does, through
// the record writer.
//   history_writer FIRST        entries FIRST..999 one after another; prints
//                               each index once it is in the file
//   history_writer FIRST burst [exit]
//                               queues entries FIRST..999, then removes every
//                               7th and rewrites every 10th with the name
//                               "later<i>", and ends without waiting for them:
//                               returning from main, or with "exit" the way
//                               the client's tray menu ends it
// The kill test stops the first form at random moments; the second checks
// that the exit writes every queued change in order.
#include "app/globals.h"
#include "core/recordwriter.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

static PHONEDATA entry(int i, const QString &name)
{
    PHONEDATA entry;
    entry.num = QString::number(5550000 + i);
    entry.time = QStringLiteral("26.01.02 10:%1").arg(i % 60, 2, 10, QLatin1Char('0'));
    entry.type = QStringLiteral("out");
    entry.name = name;
    return entry;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int first = argc > 1 ? std::atoi(argv[1]) : 0;
    const bool burst = argc > 2 && std::strcmp(argv[2], "burst") == 0;
    const QString account = QStringLiteral("1001");
    RecordWriter &writer = RecordWriter::instance();
    for (int i = first; i < 1000; ++i) {
        writer.writeHistory(account, entry(i, QStringLiteral("名字%1").arg(i)));
        if (burst)
            continue;
        writer.flush();
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
    if (burst) {
        for (int i = first; i < 1000; i += 7)
            writer.removeHistory(account, QString::number(5550000 + i), QStringLiteral("out"));
        for (int i = first; i < 1000; i += 10)
            writer.writeHistory(account, entry(i, QStringLiteral("later%1").arg(i)));
        if (argc > 3 && std::strcmp(argv[3], "exit") == 0)
            exitReleasingGuard(0);
    }
    return 0;
}
