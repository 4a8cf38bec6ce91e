// The client killed with SIGKILL while it records calls: afterwards the
// history file parses and holds every entry whose write had completed. And
// the client ending normally with changes still queued writes them all.
#include "core/recordstore.h"
#include "core/settingsstore.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

class TestFaultsKill : public QObject
{
    Q_OBJECT

private slots:
    void killedWriterLosesNothingCompleted()
    {
        const QString writer = qEnvironmentVariable("NUVOXA_HISTORY_WRITER");
        QVERIFY(QFile::exists(writer));
        const QString path = SettingsStore::historyFile(QStringLiteral("1001"));
        QFile::remove(path);

        QRandomGenerator random(2026);
        int next = 0;  // first index not yet reported as written
        int kills = 0;
        while (next < 1000) {
            QProcess process;
            process.start(writer, {QString::number(next)});
            QVERIFY(process.waitForStarted());
            // Kill after a random number of completed writes, sometimes
            // before the first one completes.
            const int stopAfter = int(random.bounded(120));
            int seen = 0;
            QByteArray pending;
            bool finished = false;
            while (seen < stopAfter) {
                if (!process.waitForReadyRead(20000)) {
                    finished = process.state() == QProcess::NotRunning;
                    QVERIFY2(finished, "the writer hung");
                    break;
                }
                pending += process.readAllStandardOutput();
                while (pending.contains('\n')) {
                    const int end = pending.indexOf('\n');
                    QCOMPARE(pending.left(end).toInt(), next);
                    pending.remove(0, end + 1);
                    ++next;
                    ++seen;
                }
            }
            if (!finished) {
                process.kill();
                QVERIFY(process.waitForFinished(10000));
                ++kills;
            }
            // Lines that arrived after the last read: also completed writes.
            pending += process.readAllStandardOutput();
            next += pending.count('\n');

            QSettings settings(path, QSettings::IniFormat);
            settings.setIniCodec("UTF-8");
            QCOMPARE(settings.status(), QSettings::NoError);
            const QList<PHONEDATA> entries = HistoryStore(QStringLiteral("1001")).load();
            QVERIFY2(entries.size() >= next, qPrintable(QString("%1 entries, %2 written")
                                                             .arg(entries.size()).arg(next)));
            for (int i = 0; i < next; ++i) {
                const QString group = QString::number(5550000 + i) + QStringLiteral("out");
                QCOMPARE(settings.value(group + "/name").toString(), QStringLiteral("名字%1").arg(i));
            }
        }
        qInfo("%d kills during 1000 writes", kills);
        QVERIFY(kills >= 5);
    }

    // Changes still queued when the client ends are all written, in the
    // order they were made: a removal between two writes of a number wins
    // over the first and loses to the second.
    void exitWritesEveryQueuedChangeInOrder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("main returns") << QStringList{"0", "burst"};
        QTest::newRow("client's exit path") << QStringList{"0", "burst", "exit"};
    }

    void exitWritesEveryQueuedChangeInOrder()
    {
        QFETCH(QStringList, arguments);
        const QString path = SettingsStore::historyFile(QStringLiteral("1001"));
        QFile::remove(path);
        QProcess process;
        process.start(qEnvironmentVariable("NUVOXA_HISTORY_WRITER"), arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);

        QSettings settings(path, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        QCOMPARE(settings.status(), QSettings::NoError);
        int present = 0;
        for (int i = 0; i < 1000; ++i) {
            const QString name = settings.value(QString::number(5550000 + i) + "out/name").toString();
            const QString expected = i % 10 == 0 ? QString("later%1").arg(i)
                                     : i % 7 == 0 ? QString()
                                                  : QString("名字%1").arg(i);
            QCOMPARE(name, expected);
            present += !expected.isEmpty();
        }
        QCOMPARE(settings.childGroups().size(), present);
    }
};

QTEST_GUILESS_MAIN(TestFaultsKill)
#include "test_faults_kill.moc"
