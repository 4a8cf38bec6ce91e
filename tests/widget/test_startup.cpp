// Start-up: one copy per user, working folders, and the process-wide flags.
#include "app/globals.h"
#include "app/startup.h"
#include "modalanswerer.h"
#include "platform/instanceguard.h"
#include "platform/paths.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <unistd.h>

class TestStartup : public QObject
{
    Q_OBJECT

private:
    static bool guardHeldElsewhere()
    {
        InstanceGuard probe("Nuvoxa");
        return probe.acquire() == InstanceGuard::Result::HeldElsewhere;
    }

    static void startClient(QProcess &process)
    {
        process.setProgram(TestUtil::binFile("nuvoxa"));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        QVERIFY(process.waitForStarted());
    }

private slots:
    void init() { TestUtil::clearDataDir(); }

    void secondCopyIsRefused()
    {
        QProcess first;
        startClient(first);
        QTRY_VERIFY_WITH_TIMEOUT(guardHeldElsewhere(), 10000);

        ModalAnswerer answerer;
        answerer.answer("确定");
        const int status = Startup::run(*qApp);
        QCOMPARE(status, 0);
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("只能同时登录一个账号！"));
        QCOMPARE(answerer.last().icon, QString("information"));
        QCOMPARE(answerer.last().buttons, QStringList{"确定"});
        // The running copy is undisturbed.
        QCOMPARE(first.state(), QProcess::Running);

        // A killed first copy does not block the next one.
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        QProcess second;
        startClient(second);
        QTRY_VERIFY_WITH_TIMEOUT(guardHeldElsewhere(), 10000);
        QTest::qWait(300);
        QCOMPARE(second.state(), QProcess::Running);
        second.terminate();
        QVERIFY(second.waitForFinished(5000));
        QVERIFY(!guardHeldElsewhere());
    }

    void guardIsNotInheritedByChildren()
    {
        InstanceGuard guard("Nuvoxa");
        QCOMPARE(guard.acquire(), InstanceGuard::Result::Acquired);
        // A program we start (the updater) must not keep the lock after we end.
        QProcess child;
        child.start("sleep", {"5"});
        QVERIFY(child.waitForStarted());
        guard.release();
        QVERIFY(!guardHeldElsewhere());
        child.kill();
        child.waitForFinished();
    }

    // Without a runtime folder of the user's own the lock goes to the data
    // folder, never to a folder other users can write to; a planted link or
    // a file of another owner is refused, not followed.
    void lockStaysInTheUsersOwnFolder_data()
    {
        QTest::addColumn<QString>("runtime");  // "" unset, "shared" a world-writable folder
        QTest::addColumn<QString>("planted");   // "", "link" or "other owner"
        QTest::newRow("no runtime folder") << "" << "";
        QTest::newRow("shared runtime folder") << "shared" << "";
        QTest::newRow("link planted in the data folder") << "" << "link";
        QTest::newRow("file of another owner") << "" << "other owner";
    }

    void lockStaysInTheUsersOwnFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, planted);
        if (planted == "other owner" && getuid() != 0)
            QSKIP("giving a file to another owner needs root");
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const QString shared = QDir::tempPath() + "/nuvoxa-shared-" + QString::number(QCoreApplication::applicationPid());
        QDir().mkpath(shared);
        QFile::setPermissions(shared, QFileDevice::Permissions(0x7777));  // rwx for everyone
        if (runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(shared));
        const QString expected = Paths::dataDir() + "/Nuvoxa-" + QString::number(getuid()) + ".lock";
        QDir().mkpath(Paths::dataDir());
        if (planted == "link")
            QVERIFY(QFile::link(shared + "/target", expected));
        if (planted == "other owner") {
            QFile file(expected);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QCOMPARE(::chown(QFile::encodeName(expected).constData(), 65534, 65534), 0);
        }

        InstanceGuard guard("Nuvoxa");
        QCOMPARE(guard.lockPath(), expected);
        if (planted.isEmpty()) {
            QCOMPARE(guard.acquire(), InstanceGuard::Result::Acquired);
            QCOMPARE(TestUtil::fileMode(expected), 0600);
            QVERIFY(guardHeldElsewhere());
        } else {
            QCOMPARE(guard.acquire(), InstanceGuard::Result::Unavailable);
            QVERIFY(!QFile::exists(shared + "/target"));
        }
        guard.release();
        QFile::remove(expected);
        QDir(shared).removeRecursively();
        qputenv("XDG_RUNTIME_DIR", saved);
    }

    void tempFolderIsCreatedOrKept()
    {
        const QString temp = Paths::tempDir();
        QVERIFY(!QDir(temp).exists());
        Startup::prepareFolders();
        QVERIFY(QDir(temp).exists());
        QCOMPARE(QDir::currentPath(), Paths::programDir());

        QFile keep(temp + "/keep.txt");
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("x");
        keep.close();
        QDir::setCurrent(QDir::tempPath());
        Startup::prepareFolders();
        QVERIFY(QFile::exists(temp + "/keep.txt"));
        // The working directory is the program folder wherever we started,
        // so relative picture names resolve.
        QCOMPARE(QDir::currentPath(), Paths::programDir());
        QVERIFY(QFile::exists("image"));
    }

    void portableMarkerDecidesTheDataFolder()
    {
        // Tests set NUVOXA_DATA_DIR; without it the build's program folder
        // is portable.
        const QByteArray saved = qgetenv("NUVOXA_DATA_DIR");
        qunsetenv("NUVOXA_DATA_DIR");
        QVERIFY(QFile::exists(Paths::programFile("portable")));
        QCOMPARE(Paths::dataDir(), Paths::programDir());
        qputenv("NUVOXA_DATA_DIR", saved);
        QCOMPARE(Paths::settingsDir(), QString::fromLocal8Bit(saved) + "/Nuvoxa");
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
