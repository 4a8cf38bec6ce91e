// Start-up: one copy per user, numbers handed to the running copy, working
// folders, and the process-wide flags.
#include "app/globals.h"
#include "app/numberinbox.h"
#include "app/startup.h"
#include "core/numberlink.h"
#include "modalanswerer.h"
#include "platform/instanceguard.h"
#include "platform/numberchannel.h"
#include "platform/paths.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
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

    // A second copy never disturbs the first: without a number it says so,
    // with a number it hands it over without a box, and a link without a
    // dialable number is refused before anything is handed over.
    void secondCopy_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("box");  // empty: no box
        QTest::newRow("no number") << QStringList{"nuvoxa"} << "只能同时登录一个账号！";
        QTest::newRow("number") << QStringList{"nuvoxa", "tel:+86-139-1234-5678"} << "";
        QTest::newRow("link without a number")
            << QStringList{"nuvoxa", "tel:javascript:alert(1)"} << NumberLink::refusal();
    }

    void secondCopy()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, box);
        QProcess first;
        startClient(first);
        QTRY_VERIFY_WITH_TIMEOUT(guardHeldElsewhere(), 10000);

        int status = -1;
        {
            ModalAnswerer answerer;
            if (!box.isEmpty())
                answerer.answer("确定");
            status = Startup::run(*qApp, arguments);
            QCOMPARE(answerer.count(), box.isEmpty() ? 0 : 1);
            if (!box.isEmpty()) {
                QCOMPARE(answerer.last().title, QString("Nuvoxa"));
                QCOMPARE(answerer.last().text, box);
                QCOMPARE(answerer.last().icon, QString("information"));
            }
        }
        QCOMPARE(status, 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(5000));
    }

    void killedCopyDoesNotBlock()
    {
        QProcess first;
        startClient(first);
        QTRY_VERIFY_WITH_TIMEOUT(guardHeldElsewhere(), 10000);
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

    // This process is the running copy; real second copies hand it numbers.
    void numberIsHandedToTheRunningCopy_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("number");
        QTest::newRow("tel link") << "tel:+86-139-1234-5678" << "008613912345678";
        QTest::newRow("sip link") << "sip:13800138000@voice.example;user=phone" << "13800138000";
        QTest::newRow("bare number") << "13800138000" << "13800138000";
    }

    void numberIsHandedToTheRunningCopy()
    {
        QFETCH(QString, argument);
        QFETCH(QString, number);
        InstanceGuard guard("Nuvoxa");
        QCOMPARE(guard.acquire(), InstanceGuard::Result::Acquired);
        NumberChannel channel;
        Startup::receiveNumbers(channel);
        QVERIFY(channel.listen());
        // Only this user may connect.
        QCOMPARE(TestUtil::fileMode(NumberChannel::socketPath()) & 077, 0);
        NumberInbox::instance().take();

        QProcess second;
        second.setProgram(TestUtil::binFile("nuvoxa"));
        second.setArguments({argument});
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.start();
        // A box would keep it running.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 10000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(NumberInbox::instance().take(), number);
    }

    // The sender gives its number only to a socket of its own user.
    void foreignSocketIsRefused_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::newRow("socket of another owner") << "other owner";
        QTest::newRow("link to a socket") << "link";
        QTest::newRow("file") << "file";
    }

    void foreignSocketIsRefused()
    {
        QFETCH(QString, planted);
        if (planted == "other owner" && getuid() != 0)
            QSKIP("giving a socket to another owner needs root");
        const QString path = NumberChannel::socketPath();
        const QString decoyPath = QFileInfo(path).absolutePath() + "/decoy.sock";
        QLocalServer decoy;
        QVERIFY(decoy.listen(planted == "other owner" ? path : decoyPath));
        if (planted == "other owner")
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        if (planted == "link")
            QVERIFY(QFile::link(decoyPath, path));
        if (planted == "file") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        QVERIFY(!NumberChannel::send("13800138000", 1000));
        QTest::qWait(50);
        QVERIFY(!decoy.hasPendingConnections());
        decoy.close();
        QFile::remove(path);
        QFile::remove(decoyPath);
    }

    // Whatever connects gets one short line within a time limit.
    void receiverDropsBadConnections_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("droppedWithinMs");
        QTest::newRow("line too long") << QByteArray(NumberChannel::MaxLine + 50, '1') << 1000;
        QTest::newRow("nothing") << QByteArray() << NumberChannel::ConnectionTimeoutMs + 1000;
    }

    void receiverDropsBadConnections()
    {
        QFETCH(QByteArray, sent);
        QFETCH(int, droppedWithinMs);
        InstanceGuard guard("Nuvoxa");
        QCOMPARE(guard.acquire(), InstanceGuard::Result::Acquired);
        NumberChannel channel;
        QVERIFY(channel.listen());
        QSignalSpy received(&channel, &NumberChannel::received);

        QLocalSocket peer;
        peer.connectToServer(NumberChannel::socketPath());
        QVERIFY(peer.waitForConnected(1000));
        peer.write(sent);
        peer.flush();
        QTRY_COMPARE_WITH_TIMEOUT(peer.state(), QLocalSocket::UnconnectedState, droppedWithinMs);
        QCOMPARE(received.count(), 0);
        QVERIFY(!peer.readAll().contains("OK"));
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
