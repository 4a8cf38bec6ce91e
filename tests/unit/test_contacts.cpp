// The contacts file of one account: the group is name + number; pairs that
// cannot be a group of their own still get one, removing a contact never
// touches another's data, and everything saved comes back.
#include "core/recordstore.h"
#include "testutil.h"

#include <QFileInfo>
#include <QSettings>
#include <QTest>

namespace {

using Contact = ContactStore::Contact;

QStringList pairs(const QList<Contact> &contacts)
{
    QStringList out;
    for (const Contact &c : contacts)
        out << c.name + "|" + c.phone;
    out.sort();
    return out;
}

}  // namespace

class TestContacts : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestUtil::clearDataDir(); }

    void ordinaryContactsUseNamePlusNumber()
    {
        ContactStore store("alice");
        QCOMPARE(QFileInfo(store.path()).fileName(), QString("frinedalice"));
        QVERIFY(store.load().isEmpty());
        QCOMPARE(store.save("张三", "13912345678"), QString("张三13912345678"));
        QCOMPARE(store.save("Bob %20 [x]", "5"), QString("Bob %20 [x]5"));
        QSettings raw(store.path(), QSettings::IniFormat);
        raw.setIniCodec("UTF-8");
        QCOMPARE(raw.value("张三13912345678/name").toString(), QString("张三"));
        QCOMPARE(raw.value("张三13912345678/phone").toString(), QString("13912345678"));
        QCOMPARE(pairs(ContactStore("alice").load()), (QStringList{"Bob %20 [x]|5", "张三|13912345678"}));
    }

    // A file written before: plain groups in the INI store's order.
    void existingFilesReadTheSame()
    {
        ContactStore store("alice");
        {
            QSettings raw(store.path(), QSettings::IniFormat);
            raw.setIniCodec("UTF-8");
            raw.setValue("b2/name", "b");
            raw.setValue("b2/phone", "2");
            raw.setValue("a1/name", "a");
            raw.setValue("a1/phone", "1");
        }
        const QList<Contact> loaded = store.load();
        QCOMPARE(loaded.size(), 2);
        QCOMPARE(loaded.at(0).name, QString("a"));
        QCOMPARE(loaded.at(0).group, QString("a1"));
        QCOMPARE(loaded.at(1).phone, QString("2"));
    }

    void nameLookupTakesTheFirstGroupWithTheNumber()
    {
        ContactStore store("alice");
        QCOMPARE(store.nameOf("123"), QString());  // no file
        store.save("zed", "123");
        store.save("amy", "123");
        store.save("bob", "1234");
        QCOMPARE(store.nameOf("123"), QString("amy"));
        QCOMPARE(store.nameOf("1234"), QString("bob"));
        QCOMPARE(store.nameOf("12"), QString());
    }

    void hostileNamesEachKeepTheirOwnGroup()
    {
        ContactStore store("alice");
        struct Pair { QString name, phone; };
        const QList<Pair> all = {{"", ""},      {"a/b", "1"}, {"a%2Fb", "1"}, {"x\\y", "2"},
                                 {"x/y", "2"},  {"/", ""},    {"a", "123"},   {"a1", "23"},
                                 {"a/b", "1"},  {"General", ""}};
        QStringList groups;
        for (const Pair &p : all)
            groups << store.save(p.name, p.phone);
        QCOMPARE(QSet<QString>(groups.begin(), groups.end()).size(), all.size());
        for (const QString &g : groups) {
            QVERIFY2(!g.isEmpty() && !g.contains('/') && !g.contains('\\'), qPrintable(g));
        }
        QStringList expected;
        for (const Pair &p : all)
            expected << p.name + "|" + p.phone;
        expected.sort();
        QCOMPARE(pairs(ContactStore("alice").load()), expected);

        // Removing each one, in turn, leaves exactly the rest.
        for (int i = 0; i < all.size(); ++i) {
            store.remove(groups.at(i));
            expected.removeOne(all.at(i).name + "|" + all.at(i).phone);
            QCOMPARE(pairs(ContactStore("alice").load()), expected);
        }
        QVERIFY(store.load().isEmpty());
    }

    void removingAnUnknownOrEmptyGroupTouchesNothing()
    {
        ContactStore store("alice");
        store.save("a", "1");
        store.remove(QString());
        store.remove("nothing");
        QCOMPARE(pairs(store.load()), QStringList{"a|1"});
    }

    void accountsHaveTheirOwnFiles()
    {
        ContactStore("alice").save("a", "1");
        ContactStore("bob").save("b", "2");
        QCOMPARE(pairs(ContactStore("alice").load()), QStringList{"a|1"});
        QCOMPARE(pairs(ContactStore("bob").load()), QStringList{"b|2"});
        QVERIFY(ContactStore("../alice").path() != ContactStore("alice").path());
        QVERIFY(!ContactStore("../x").path().contains("/../"));
    }
};

QTEST_GUILESS_MAIN(TestContacts)
#include "test_contacts.moc"
