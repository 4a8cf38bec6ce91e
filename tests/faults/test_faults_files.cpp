// Damaged settings, history and contacts files: the client starts, shows
// what it can read, and keeps the bytes of a file it could not read cleanly
// before it writes that file again.
#include "app/globals.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "core/recordstore.h"
#include "core/settingsstore.h"
#include "httpresponder.h"
#include "login/widget.h"
#include "mainwindow/mianwindow.h"
#include "modalanswerer.h"
#include "platform/paths.h"
#include "testutil.h"
#include "windowdriver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString kAccount = QStringLiteral("1001");

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The byte copies kept of a damaged store file, oldest first.
QList<QByteArray> damagedCopies(const QString &path)
{
    const QDir dir(SettingsStore::folder() + QStringLiteral("/damaged"));
    QList<QByteArray> copies;
    const QStringList names = dir.entryList({QFileInfo(path).fileName() + QStringLiteral("-*")},
                                            QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QFileInfo info(dir.filePath(name));
        if (info.permissions() & (QFile::ReadGroup | QFile::ReadOther))
            copies.append("<readable by others>");
        else
            copies.append(readBytes(info.filePath()));
    }
    return copies;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QByteArray historyText(int from, int count)
{
    QByteArray text;
    for (int i = from; i < from + count; ++i) {
        const QByteArray n = QByteArray::number(5550000 + i);
        text += "[" + n + "out]\ntype=out\nnum=" + n + "\ntime=26.01.02 10:00\nname=\n\n";
    }
    return text;
}

QByteArray contactsText(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(7770000 + i);
        text += "[amy" + n + "]\nname=amy\nphone=" + n + "\n\n";
    }
    return text;
}

// Bytes the INI reader refuses (an unfinished group name, bytes that are no
// UTF-8), before readable groups.
QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return "[\xff\xfe unfinished group\n" + bytes + "\n" + historyText(0, 2);
}

// Parsed from a copy: the INI store keeps one parsed copy per path and
// process, and the client must be the first to read the file itself.
bool readsCleanly(const QString &path)
{
    static int copies = 0;
    const QString copy = QDir::tempPath() + QStringLiteral("/faults-copy-%1-%2.ini")
                                                .arg(QCoreApplication::applicationPid())
                                                .arg(++copies);
    QFile::copy(path, copy);
    const bool clean = QSettings(copy, QSettings::IniFormat).status() == QSettings::NoError;
    QFile::remove(copy);
    return clean;
}

QStringList groupsOf(const QString &path)
{
    static int copies = 0;
    const QString copy = QDir::tempPath() + QStringLiteral("/faults-groups-%1-%2.ini")
                                                .arg(QCoreApplication::applicationPid())
                                                .arg(++copies);
    QFile::copy(path, copy);
    const QStringList groups = QSettings(copy, QSettings::IniFormat).childGroups();
    QFile::remove(copy);
    return groups;
}

}  // namespace

class TestFaultsFiles : public QObject
{
    Q_OBJECT

private:
    MianWindow *w = nullptr;

    template<typename T> T *child(const char *name) { return WindowDriver::child<T>(w, name); }
    QListWidget *history() { return child<QListWidget>("listWidget"); }
    QListWidget *contacts() { return child<QListWidget>("listWidget_3"); }

    void open()
    {
        w = new MianWindow;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void call(const QString &number)
    {
        child<QToolButton>("tb2")->setChecked(true);
        child<QLineEdit>("leInput")->setText(number);
        QTest::mouseClick(child<QToolButton>("d13"), Qt::LeftButton);
        QMetaObject::invokeMethod(w, "on_pushButton_3_clicked");
    }
    // The window still places calls: the call reaches the voice library and
    // the hang-up button is gone afterwards.
    void verifyUsable()
    {
        const int before = CallSdkDouble::countOf("make_call");
        call("5559999");
        QCOMPARE(CallSdkDouble::countOf("make_call"), before + 1);
        QVERIFY(child<QPushButton>("pushButton_3")->isHidden());
        QVERIFY(history()->count() > 0);
    }

private slots:
    void initTestCase()
    {
        Startup::installLook();
        qRegisterMetaType<PHONEDATA>();
    }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
        g_account = kAccount;
        g_bindPhone = "13800000000";
        g_balance = "1.00";
        g_adReady = false;
    }

    void cleanup()
    {
        delete w;
        w = nullptr;
    }

    // Every damage to the history or contacts file: the window opens, lists
    // what was readable and still calls; a file that read cleanly keeps every
    // entry through the next write, one that did not is kept byte for byte
    // under damaged/ and the new entry is written.
    void damagedRecordFiles_data()
    {
        QTest::addColumn<bool>("isHistory");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("readable");  // rows the window must show at least
        const QByteArray three = historyText(0, 3);
        QTest::newRow("history truncated in an entry") << true << three.left(three.size() - 20) << 2;
        QTest::newRow("history truncated in a group name") << true << three + "[5551" << 3;
        QTest::newRow("history random bytes") << true << randomBytes(4096, 7) << 0;
        QTest::newRow("history NUL bytes") << true << QByteArray(600, '\0') + historyText(0, 1) << 0;
        QTest::newRow("history 100000 groups") << true << historyText(0, 100000) << 100000;
        const QByteArray contactsThree = contactsText(3);
        QTest::newRow("contacts truncated") << false << contactsThree.left(contactsThree.size() - 9) << 2;
        QTest::newRow("contacts random bytes") << false << randomBytes(4096, 11) << 0;
        QTest::newRow("contacts 100000 groups") << false << contactsText(100000) << 100000;
    }

    void damagedRecordFiles()
    {
        QFETCH(bool, isHistory);
        QFETCH(QByteArray, content);
        QFETCH(int, readable);
        const QString path = isHistory ? SettingsStore::historyFile(kAccount)
                                       : SettingsStore::contactsFile(kAccount);
        writeBytes(path, content);
        const bool clean = readsCleanly(path);
        const QStringList groupsBefore = groupsOf(path);

        QElapsedTimer clock;
        clock.start();
        open();
        QTest::qWait(0);
        const qint64 openMs = clock.elapsed();
        qInfo("window opened in %lld ms over %d stored groups", openMs, int(groupsBefore.size()));
        QVERIFY2(openMs < 15000, "the window froze on a large file");
        QVERIFY((isHistory ? history() : contacts())->count() >= readable);

        clock.restart();
        verifyUsable();
        qInfo("a call took %lld ms", clock.elapsed());
        QVERIFY2(clock.elapsed() < 15000, "a call froze on a large file");
        if (!isHistory) {
            // A contact saved through the store, as the contact dialog does.
            ContactStore(kAccount).save("bob", "5558888");
        }

        if (isHistory)
            QVERIFY(HistoryStore(kAccount).load().size() > 0);
        else
            QVERIFY(ContactStore(kAccount).load().size() > 0);
        if (!clean) {
            QCOMPARE(damagedCopies(path), QList<QByteArray>{content});
            QVERIFY(readsCleanly(path));
        } else {
            QVERIFY(damagedCopies(path).isEmpty());
            const QStringList groupsAfter = groupsOf(path);
            const QSet<QString> after(groupsAfter.cbegin(), groupsAfter.cend());
            for (const QString &group : groupsBefore)
                QVERIFY2(after.contains(group), qPrintable(group));
        }
    }

    // Login files: the login window lists what it can read; after a login a
    // damaged file is kept under damaged/ and the login is remembered.
    void damagedLoginFiles()
    {
        const QByteArray broken = randomBytes(2048, 3);
        writeBytes(SettingsStore::loginFile(), broken);
        writeBytes(SettingsStore::lastLoginFile(), "[lastlogin]\nacc=1002\npwd=\n");
        QVERIFY(!readsCleanly(SettingsStore::loginFile()));

        HttpResponder service;
        QVERIFY(service.listen());
        service.respond("/cloud/login.aspx", "13800000000|1.00");
        service.stall("/cloud/pc/app/hd.gif");
        qputenv("NUVOXA_CLOUD_HOST", service.hostPort().toUtf8());

        const auto window = WindowDriver::shown<Widget>();
        WindowDriver::login(window.get(), "1003", "pw");
        const auto mainWindow = [] { return TestUtil::topLevel<MianWindow>(); };
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow() && mainWindow()->isVisible(), 10000);

        QCOMPARE(damagedCopies(SettingsStore::loginFile()), QList<QByteArray>{broken});
        bool remembered = false;
        for (const SettingsStore::Account &login : SettingsStore::readLogins())
            remembered = remembered || login.first == QLatin1String("1003");
        QVERIFY(remembered);
        QCOMPARE(SettingsStore::readLastLogins().value(0).first, QString("1003"));
    }

    // A client killed while its INI store held the lock, between creating
    // the lock file and writing its process number into it: the next start
    // must not wait half a minute for that lock.
    void emptyStaleLockFile()
    {
        SettingsStore::ensureFolder();
        const QString lockPath = SettingsStore::historyFile(kAccount) + ".lock";
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        open();
        QElapsedTimer clock;
        clock.start();
        verifyUsable();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString("a call took %1 ms").arg(clock.elapsed())));
        QCOMPARE(HistoryStore(kAccount).load().size(), 1);
    }

    // No settings folder at all (first start, or removed while running):
    // the first call creates it with its history file.
    void missingFolder()
    {
        open();
        QDir(Paths::dataDir()).removeRecursively();
        verifyUsable();
        QCOMPARE(HistoryStore(kAccount).load().size(), 1);
    }

    // A settings folder on a read-only file system: the window works, the
    // files stay as they were.
    void readOnlyFolder()
    {
        if (geteuid() != 0)
            QSKIP("needs root for a private read-only mount");
        const QByteArray content = historyText(0, 3);
        writeBytes(SettingsStore::historyFile(kAccount), content);
        const QByteArray folder = QFile::encodeName(SettingsStore::folder());
        QVERIFY(unshare(CLONE_NEWNS) == 0);
        QVERIFY(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
        QVERIFY(mount(folder.constData(), folder.constData(), nullptr, MS_BIND, nullptr) == 0);
        QVERIFY(mount(nullptr, folder.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0);

        open();
        QCOMPARE(history()->count(), 3);
        verifyUsable();
        ContactStore(kAccount).save("bob", "5558888");
        QCOMPARE(readBytes(SettingsStore::historyFile(kAccount)), content);
        QVERIFY(!QFile::exists(SettingsStore::contactsFile(kAccount)));
        umount2(folder.constData(), MNT_DETACH);
    }
};

QTEST_MAIN(TestFaultsFiles)
#include "test_faults_files.moc"
