// The login settings files: what a successful login leaves behind, and that
// no account text reaches outside the settings folder.
#include "core/settingsstore.h"
#include "platform/paths.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

using namespace SettingsStore;

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    static QString value(const QString &file, const QString &key)
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        return settings.value(key).toString();
    }
    static QStringList groups(const QString &file)
    {
        QSettings settings(file, QSettings::IniFormat);
        return settings.childGroups();
    }

private slots:
    void init() { TestUtil::clearDataDir(); }

    void firstLoginWithoutRememberOrAuto()
    {
        saveLogin("1001", "secret", false, false);
        saveLastLogin("1001", "secret", false);
        QCOMPARE(groups(loginFile()), QStringList{"1001"});
        QCOMPARE(value(loginFile(), "1001/acc"), QString("1001"));
        QCOMPARE(value(loginFile(), "1001/pwd"), QString(""));
        QCOMPARE(groups(lastLoginFile()), QStringList{"lastlogin"});
        QCOMPARE(value(lastLoginFile(), "lastlogin/acc"), QString("1001"));
        QCOMPARE(value(lastLoginFile(), "lastlogin/pwd"), QString(""));
        QVERIFY(!QFileInfo::exists(autoLoginFile()));
    }

    void autoLoginStoresPasswordEvenWhenNotRemembered()
    {
        saveLogin("1001", "secret", false, true);
        saveLastLogin("1001", "secret", false);
        QCOMPARE(value(autoLoginFile(), "AUTO/acc"), QString("1001"));
        QCOMPARE(value(autoLoginFile(), "AUTO/pwd"), QString("secret"));
        QCOMPARE(value(loginFile(), "1001/pwd"), QString(""));
        Account a;
        QVERIFY(readAutoLogin(&a));
        QCOMPARE(a, Account("1001", "secret"));
    }

    void secondAccountIsAddedAndLastLoginFollows()
    {
        saveLogin("1001", "a-pass", true, false);
        saveLastLogin("1001", "a-pass", true);
        saveLogin("1002", "b-pass", true, false);
        saveLastLogin("1002", "b-pass", true);
        const QList<Account> logins = readLogins();
        QCOMPARE(logins.size(), 2);
        QCOMPARE(logins.at(0), Account("1001", "a-pass"));
        QCOMPARE(logins.at(1), Account("1002", "b-pass"));
        QCOMPARE(readLastLogins(), QList<Account>{Account("1002", "b-pass")});
    }

    void uncheckingAutoLoginDeletesTheFile()
    {
        saveLogin("1001", "secret", true, true);
        QVERIFY(autoLoginExists());
        saveLogin("1001", "secret", true, false);
        QVERIFY(!autoLoginExists());
        // Deleting a missing file is no error.
        removeAutoLogin();
        QVERIFY(!autoLoginExists());
    }

    void deletedFolderIsCreatedAgain()
    {
        saveLogin("1001", "x", true, false);
        QVERIFY(QDir(folder()).removeRecursively());
        QVERIFY(readLogins().isEmpty());
        QVERIFY(readLastLogins().isEmpty());
        saveLogin("1002", "y", true, false);
        saveLastLogin("1002", "y", true);
        QCOMPARE(readLogins(), QList<Account>{Account("1002", "y")});
    }

    void passwordFilesAreOwnerOnly()
    {
        saveLogin("1001", "secret", true, true);
        saveLastLogin("1001", "secret", true);
        QCOMPARE(TestUtil::fileMode(loginFile()), 0600);
        QCOMPARE(TestUtil::fileMode(lastLoginFile()), 0600);
        QCOMPARE(TestUtil::fileMode(autoLoginFile()), 0600);
        // A rewrite keeps the mode.
        saveLogin("1002", "other", true, true);
        QCOMPARE(TestUtil::fileMode(loginFile()), 0600);
        QCOMPARE(TestUtil::fileMode(autoLoginFile()), 0600);
    }

    void chineseTextRoundTrips()
    {
        saveLogin("张三", "密码", true, false);
        QCOMPARE(readLogins(), QList<Account>{Account("张三", "密码")});
    }

    void hostileAccountsStayInsideAndApart_data()
    {
        QTest::addColumn<QString>("account");
        QTest::newRow("parent path") << "../../escape";
        QTest::newRow("absolute") << "/tmp/evil";
        QTest::newRow("backslash") << "a\\b";
        QTest::newRow("control") << QString("a\nb\x01");
        QTest::newRow("dot") << ".";
        QTest::newRow("dotdot") << "..";
        QTest::newRow("percent look-alike") << "a%2Fb";
        QTest::newRow("empty") << "";
    }

    void hostileAccountsStayInsideAndApart()
    {
        QFETCH(QString, account);
        const QString settingsDir = QDir(folder()).absolutePath();
        for (const QString &path : {historyFile(account), contactsFile(account)}) {
            const QFileInfo info(path);
            QCOMPARE(QDir(info.absolutePath()).absolutePath(), settingsDir);
            QVERIFY2(!info.fileName().contains('/'), qPrintable(path));
        }
        // The group of a hostile account holds exactly that account and
        // leaves the others alone.
        saveLogin("1001", "keep", true, false);
        saveLogin(account, "pw", true, false);
        const QList<Account> logins = readLogins();
        QVERIFY(logins.contains(Account("1001", "keep")));
        QVERIFY(logins.contains(Account(account, "pw")));
        QCOMPARE(logins.size(), 2);
        // Nothing was written outside the data folder's settings folder.
        QVERIFY(!QFileInfo::exists(Paths::dataDir() + "/escape"));
    }

    void ordinaryAccountsKeepTheirNames()
    {
        QCOMPARE(safeName("13800000000"), QString("13800000000"));
        QCOMPARE(safeName("张三"), QString("张三"));
        QVERIFY(historyFile("1001").endsWith("/Nuvoxa/phonedata1001"));
        QVERIFY(contactsFile("1001").endsWith("/Nuvoxa/frined1001"));
        QVERIFY(safeName("a/b") != safeName("a%2Fb"));
        QVERIFY(safeName("a/b") != safeName("a\\b"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
