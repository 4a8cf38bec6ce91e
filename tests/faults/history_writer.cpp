// Writes call-history entries FIRST..999 of the account "1001" one after
// another, the way the main window records calls, and prints each index once
// its write has completed. The kill test stops it at random moments.
#include "records/recordstore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int first = argc > 1 ? std::atoi(argv[1]) : 0;
    HistoryStore store(QStringLiteral("1001"));
    for (int i = first; i < 1000; ++i) {
        PHONEDATA entry;
        entry.num = QString::number(5550000 + i);
        entry.time = QStringLiteral("26.01.02 10:%1").arg(i % 60, 2, 10, QLatin1Char('0'));
        entry.type = QStringLiteral("out");
        entry.name = QStringLiteral("名字%1").arg(i);
        store.write(entry);
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
    return 0;
}
