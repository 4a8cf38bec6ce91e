// The call history file of one account: one group per number, rewritten in
// place, removed one by one or as a whole, and never shared between accounts.
#include "core/recordstore.h"
#include "core/settingsstore.h"
#include "testutil.h"

#include <QFileInfo>
#include <QSettings>
#include <QTest>

namespace {

PHONEDATA entry(const QString &number, const QString &time = QStringLiteral("26.12.07 10:00"),
                const QString &name = QString())
{
    return PHONEDATA{time, number, QStringLiteral("out"), name};
}

QStringList numbers(const QList<PHONEDATA> &entries)
{
    QStringList out;
    for (const PHONEDATA &e : entries)
        out << e.num;
    return out;
}

}  // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestUtil::clearDataDir(); }

    void fileLayoutIsNumberPlusOut()
    {
        HistoryStore store("alice");
        QCOMPARE(QFileInfo(store.path()).fileName(), QString("phonedataalice"));
        QVERIFY(!store.exists());
        QVERIFY(store.load().isEmpty());
        store.write(entry("13912345678", "26.12.07 10:00", "妈妈"));
        QSettings raw(store.path(), QSettings::IniFormat);
        raw.setIniCodec("UTF-8");
        QCOMPARE(raw.childGroups(), QStringList{"13912345678out"});
        QCOMPARE(raw.value("13912345678out/type").toString(), QString("out"));
        QCOMPARE(raw.value("13912345678out/num").toString(), QString("13912345678"));
        QCOMPARE(raw.value("13912345678out/time").toString(), QString("26.12.07 10:00"));
        QCOMPARE(raw.value("13912345678out/name").toString(), QString("妈妈"));
    }

    void sameNumberKeepsOneGroupWithTheNewTime()
    {
        HistoryStore store("alice");
        store.write(entry("555", "26.12.07 10:00"));
        store.write(entry("444"));
        store.write(entry("555", "26.12.07 11:30"));
        const QList<PHONEDATA> loaded = HistoryStore("alice").load();
        QCOMPARE(numbers(loaded), (QStringList{"444", "555"}));
        QCOMPARE(loaded.at(1).time, QString("26.12.07 11:30"));
    }

    void removeOneKeepsTheOthersAndRemoveAllDeletesTheFile()
    {
        HistoryStore store("alice");
        for (const char *n : {"1", "2", "3"})
            store.write(entry(n));
        store.remove("2");
        // Not there: nothing happens, also for numbers whose group names
        // are escaped (no group found must never mean the whole file).
        for (const char *absent : {"999", "9/9", "9\\9", "9%9", ""})
            store.remove(QString::fromUtf8(absent));
        QCOMPARE(numbers(store.load()), (QStringList{"1", "3"}));
        store.removeAll();
        QVERIFY(!QFileInfo::exists(store.path()));
        QVERIFY(store.load().isEmpty());
        store.write(entry("7"));
        QCOMPARE(numbers(store.load()), QStringList{"7"});
    }

    void accountsHaveTheirOwnFilesInsideTheFolder()
    {
        HistoryStore("alice").write(entry("1"));
        HistoryStore("bob").write(entry("2"));
        QCOMPARE(numbers(HistoryStore("alice").load()), QStringList{"1"});
        QCOMPARE(numbers(HistoryStore("bob").load()), QStringList{"2"});
        for (const QString account : {"../../evil", "a/b", "", ".hidden"}) {
            HistoryStore store(account);
            QCOMPARE(QFileInfo(store.path()).absolutePath(), QFileInfo(SettingsStore::folder()).absoluteFilePath());
            store.write(entry("3"));
            QVERIFY(QFileInfo::exists(store.path()));
        }
        QCOMPARE(numbers(HistoryStore("alice").load()), QStringList{"1"});
    }

    // Numbers only reach here from the dial field, but a contact file edited
    // by hand can hand over anything: separators must not make subgroups,
    // and an escaped group must not meet a number spelled like it.
    void oddNumbersKeepTheirOwnGroups()
    {
        HistoryStore store("alice");
        const QStringList odd = {"1/2", "1%2F2", "x\\y", "1"};
        for (const QString &n : odd)
            store.write(entry(n));
        QCOMPARE(store.load().size(), odd.size());
        store.write(entry("1/2", "26.12.08 08:00"));
        store.remove("1%2F2");
        QList<PHONEDATA> loaded = store.load();
        QStringList left = numbers(loaded);
        left.sort();
        QCOMPARE(left, (QStringList{"1", "1/2", "x\\y"}));
        for (const PHONEDATA &e : loaded) {
            if (e.num == "1/2")
                QCOMPARE(e.time, QString("26.12.08 08:00"));
        }
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"
