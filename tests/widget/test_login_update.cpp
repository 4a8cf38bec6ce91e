// The update check at login: manifest comparison, the question, and the
// hand-off to the update program. The test runs from a program folder of its
// own, so each case can set up the local manifest and the update program.
#include "app/globals.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "core/updatecheck.h"
#include "httpresponder.h"
#include "login/widget.h"
#include "mainwindow/mianwindow.h"
#include "modalanswerer.h"
#include "platform/paths.h"
#include "testutil.h"
#include "updatekey.h"
#include "windowdriver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const QByteArray kLogin = "/cloud/login.aspx";
const QByteArray kUpdate = "/cloud/pc/onlieUpdate.xml";

QByteArray manifest(const QString &version, const QStringList &entries)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update ver=\""
                     + version.toUtf8() + "\" AllDown=\"1\">\n";
    for (const QString &entry : entries)
        xml += "  <file>" + entry.toUtf8() + "</file>\n";
    return xml + "</update>\n";
}

bool mainWindowShown()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<MianWindow *>(top) && top->isVisible())
            return true;
    }
    return false;
}

// Runs the application's event loop until the client quits it (returns 0)
// or `ms` pass (2). The application's own loop, as in the client: it also
// clears the quit request, which would otherwise end every later loop (and
// modal box) of this test at once.
int runUntilQuitOr(int ms)
{
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    timer.start(ms);
    return QCoreApplication::exec();
}

// Re-runs this program from a private program folder next to the test's
// data folder, with the skin linked in.
int relaunchPrivately(char **argv)
{
    QByteArray data = qgetenv("NUVOXA_DATA_DIR");
    const QString base = data.isEmpty() ? QDir::tempPath() + "/nuvoxa-login-update"
                                        : QString::fromLocal8Bit(data) + "/..";
    const QString program = QDir::cleanPath(base + "/program");
    const QString self = QFileInfo("/proc/self/exe").symLinkTarget();
    const QString copy = program + "/" + QFileInfo(self).fileName();
    QDir(program).removeRecursively();
    if (!QDir().mkpath(program) || !QFile::copy(self, copy)
        || !QFile::link(QFileInfo(self).absolutePath() + "/image", program + "/image")) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(program));
        return 1;
    }
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("NUVOXA_LOGIN_UPDATE_PRIVATE", "1");
    if (::chdir(QFile::encodeName(program).constData()) != 0)
        return 1;
    const QByteArray path = QFile::encodeName(copy);
    ::execv(path.constData(), argv);
    std::perror("execv");
    return 1;
}

}  // namespace

class TestLoginUpdate : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<HttpResponder> m_service;
    std::unique_ptr<Widget> m_window;
    TestUpdateKey m_key;

    static QString localManifest() { return Paths::programFile("clientCheck.xml"); }

    static void writeProgramFile(const QString &name, const QByteArray &content)
    {
        QFile file(Paths::programFile(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    // Logs in; the service answers the update request at once and the login
    // after `loginDelayMs`.
    void loginWithServerManifest(const QByteArray &serverManifest, int loginDelayMs = 0,
                                 const QByteArray &signature = "signed")
    {
        m_service->respond(kUpdate, serverManifest);
        m_service->respond(kUpdate + ".minisig", signature == "signed" ? m_key.sign(serverManifest) : signature);
        m_service->respond(kLogin, "|1.00", 200, loginDelayMs);
        m_window = WindowDriver::shown<Widget>();
        WindowDriver::login(m_window.get(), "13800001111", "pw");
    }

    static QString updaterOutput() { return Paths::dataDir() + "/updater-args"; }

    // An update program that writes its arguments, one a line.
    static void installRecordingUpdater()
    {
        writeProgramFile("nuvoxa-update",
                         "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$NUVOXA_DATA_DIR/updater-args.tmp\"\n"
                         "mv \"$NUVOXA_DATA_DIR/updater-args.tmp\" \"$NUVOXA_DATA_DIR/updater-args\"\n");
        QFile::setPermissions(UpdateCheck::updaterPath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private slots:
    void initTestCase()
    {
        Startup::installLook();
        QVERIFY(qEnvironmentVariableIsSet("NUVOXA_LOGIN_UPDATE_PRIVATE"));
        QVERIFY(Paths::programDir() != TestUtil::binFile(""));
    }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
        QFile::remove(localManifest());
        QFile::remove(UpdateCheck::updaterPath());
        m_service = std::make_unique<HttpResponder>();
        QVERIFY(m_service->listen());
        m_service->stall("/cloud/pc/app/hd.gif");
        qputenv("NUVOXA_CLOUD_HOST", m_service->hostPort().toUtf8());
    }

    void cleanup()
    {
        m_window.reset();
        m_service.reset();
    }

    void noQuestion_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("local");  // empty: no local manifest
        QTest::addColumn<QByteArray>("signature");
        QTest::newRow("same version")
            << manifest("2.1", {"a", "b"}) << manifest("2.1", {"b"}) << QByteArray("signed");
        QTest::newRow("no local manifest") << manifest("2.2", {"a"}) << QByteArray() << QByteArray("signed");
        QTest::newRow("local manifest broken") << manifest("2.2", {"a"}) << QByteArray("<update ver=")
                                               << QByteArray("signed");
        QTest::newRow("server answer not XML") << QByteArray("Not Found") << manifest("2.1", {}) << QByteArray("signed");
        QTest::newRow("empty server answer") << QByteArray() << manifest("2.1", {}) << QByteArray("signed");
        // A newer manifest that does not verify counts as no answer.
        QTest::newRow("unsigned") << manifest("2.2", {"a"}) << manifest("2.1", {}) << QByteArray("Not Found");
        QTest::newRow("signed by another key")
            << manifest("2.2", {"a"}) << manifest("2.1", {}) << TestUpdateKey().sign(manifest("2.2", {"a"}));
    }

    void noQuestion()
    {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, signature);
        qputenv("NUVOXA_UPDATE_PUBKEY", m_key.publicKey().toLatin1());  // the other key's maker took it over
        if (!local.isEmpty())
            writeProgramFile("clientCheck.xml", local);
        installRecordingUpdater();
        ModalAnswerer answerer;
        loginWithServerManifest(server, 0, signature);
        QTRY_VERIFY(mainWindowShown());
        QTRY_COMPARE(m_service->countOf(kUpdate), 1);
        QCOMPARE(runUntilQuitOr(300), 2);
        QCOMPARE(answerer.count(), 0);
        QVERIFY(!QFile::exists(updaterOutput()));
    }

    void declinedWhileTheLoginWaits()
    {
        // An older server version is still a different one.
        writeProgramFile("clientCheck.xml", manifest("2.1", {"b"}));
        installRecordingUpdater();
        ModalAnswerer answerer;
        answerer.answer("取消");
        loginWithServerManifest(manifest("2.0", {"a", "b"}), 3000);
        QTRY_COMPARE(answerer.count(), 1);
        QVERIFY(!mainWindowShown());
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("有更新，是否更新!"));
        QCOMPARE(answerer.last().icon, QString("information"));
        QCOMPARE(answerer.last().buttons.size(), 2);
        QVERIFY(answerer.last().buttons.contains("确定"));
        QVERIFY(answerer.last().buttons.contains("取消"));
        // The login finishes as usual; nothing is started.
        QTRY_VERIFY_WITH_TIMEOUT(mainWindowShown(), 10000);
        QCOMPARE(runUntilQuitOr(300), 2);
        QVERIFY(!QFile::exists(updaterOutput()));
    }

    void acceptedHandsTheRemainingEntriesOver_data()
    {
        QTest::addColumn<QStringList>("server");
        QTest::addColumn<QStringList>("local");
        QTest::addColumn<QString>("arguments");
        // The entries follow "--", so none can pass for an option.
        QTest::newRow("a,b,c minus b,c") << QStringList{"a", "b", "c"} << QStringList{"b", "c"}
                                         << "--\na\n";
        QTest::newRow("a,a minus a") << QStringList{"a", "a"} << QStringList{"a"} << "--\na\n";
        QTest::newRow("entries with spaces")
            << QStringList{"image/new pic.png", "nuvoxa"} << QStringList{}
            << "--\nimage/new pic.png\nnuvoxa\n";
    }

    void acceptedHandsTheRemainingEntriesOver()
    {
        QFETCH(QStringList, server);
        QFETCH(QStringList, local);
        QFETCH(QString, arguments);
        writeProgramFile("clientCheck.xml", manifest("2.1", local));
        installRecordingUpdater();
        ModalAnswerer answerer;
        answerer.answer("确定");
        loginWithServerManifest(manifest("2.2", server));
        // The client quits once the update program runs.
        QCOMPARE(runUntilQuitOr(10000), 0);
        QCOMPARE(answerer.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(updaterOutput()), 10000);
        QCOMPARE(TestUtil::readFile(updaterOutput()), arguments);
    }

    void acceptedWithNothingToFetch()
    {
        writeProgramFile("clientCheck.xml", manifest("2.1", {"a", "b"}));
        installRecordingUpdater();
        ModalAnswerer answerer;
        answerer.answer("确定");
        loginWithServerManifest(manifest("2.2", {"b", "a"}));
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(runUntilQuitOr(500), 2);
        QCOMPARE(answerer.count(), 1);
        QVERIFY(mainWindowShown());
        QVERIFY(!QFile::exists(updaterOutput()));
    }

    void missingUpdateProgramKeepsTheClientRunning()
    {
        writeProgramFile("clientCheck.xml", manifest("2.1", {}));
        QVERIFY(!QFile::exists(UpdateCheck::updaterPath()));
        ModalAnswerer answerer;
        answerer.answer("确定");
        answerer.answer("确定");
        loginWithServerManifest(manifest("2.2", {"a"}));
        QTRY_COMPARE(answerer.count(), 2);
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("更新程序无法启动"));
        QCOMPARE(answerer.last().icon, QString("information"));
        QCOMPARE(runUntilQuitOr(500), 2);
        QVERIFY(mainWindowShown());
    }
};

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("NUVOXA_LOGIN_UPDATE_PRIVATE"))
        return relaunchPrivately(argv);
    QApplication app(argc, argv);
    TestLoginUpdate test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_login_update.moc"
