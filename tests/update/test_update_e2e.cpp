// The whole update hand-over: a client in a scratch program folder checks
// for an update, hands over to nuvoxa-update, which installs the files and
// starts the client again.
#include "httpstub.h"
#include "testutil.h"
#include "updatekey.h"

#include "platform/instanceguard.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QUrl>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kLocalManifest = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update ver=\"1.0.0\" AllDown=\"0\">\n"
                                  "  <file>nuvoxa</file>\n  <file>libcallsdk.so</file>\n</update>\n";

using Files = QList<QPair<QByteArray, QByteArray>>;  // name, content

bool copyExecutable(const QString &from, const QString &to)
{
    return QFile::copy(from, to)
           && QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::ExeOther);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QStringList lines(const QString &path)
{
    return TestUtil::readFile(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qFatal("%s %s failed: %s", qPrintable(program), qPrintable(arguments.join(' ')),
               process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

QByteArray fetch(const QByteArray &host, const QByteArray &path)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), QUrl(QStringLiteral("http://") + host).port());
    if (!socket.waitForConnected(2000))
        return QByteArray();
    socket.write("GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(2000))
        answer += socket.readAll();
    const int body = answer.indexOf("\r\n\r\n");
    return body < 0 ? QByteArray() : answer.mid(body + 4);
}

}  // namespace

class TestUpdateEndToEnd : public QObject
{
    Q_OBJECT

private:
    HttpStub m_http;
    TestUpdateKey m_key;
    std::unique_ptr<QTemporaryDir> m_program;
    std::unique_ptr<QTemporaryDir> m_serviceDir;
    QProcess m_service;

    QString file(const QString &name) const { return m_program->filePath(name); }
    QString clientLog() const { return file(QStringLiteral("client.log")); }
    QString updateLog() const { return qEnvironmentVariable("NUVOXA_DATA_DIR") + QStringLiteral("/temp/update.log"); }

    // The client's guard is free again: every client has exited.
    static bool noClientRunning()
    {
        InstanceGuard probe(QStringLiteral("Nuvoxa"));
        return probe.acquire() == InstanceGuard::Result::Acquired;
    }

    // Offers version `version` with `files` on the cloud host, either from
    // the test's own stub or from the local service with a private database;
    // the `missing` file is listed but cannot be fetched. Returns the manifest.
    QByteArray publish(const QByteArray &version, const Files &files, const QByteArray &missing = QByteArray())
    {
        QFETCH_GLOBAL(bool, service);
        if (!service) {
            const QByteArray manifest = TestUpdateKey::manifest(version, files);
            for (const auto &f : files) {
                if (f.first == missing)
                    m_http.remove("/cloud/pc/app/" + f.first);
                else
                    m_http.set("/cloud/pc/app/" + f.first, f.second);
            }
            m_http.set("/cloud/pc/onlieUpdate.xml", manifest);
            m_http.set("/cloud/pc/onlieUpdate.xml.minisig", m_key.sign(manifest));
            qputenv("NUVOXA_UPDATE_PUBKEY", m_key.publicKey().toLatin1());
            qputenv("NUVOXA_CLOUD_HOST", m_http.host());
            return manifest;
        }

        const QString tool = TestUtil::binFile(QStringLiteral("nuvoxa-service"));
        m_serviceDir = std::make_unique<QTemporaryDir>();
        const QString db = m_serviceDir->filePath(QStringLiteral("service.sqlite"));
        run(tool, {QStringLiteral("--db"), db, QStringLiteral("init")});
        qputenv("NUVOXA_UPDATE_PUBKEY", run(tool, {QStringLiteral("--db"), db, QStringLiteral("keygen")}).trimmed());
        QStringList arguments{QStringLiteral("--db"), db, QStringLiteral("set-update"), QString::fromLatin1(version)};
        for (const auto &f : files) {
            const QString path = m_serviceDir->filePath(QString::fromUtf8(f.first));
            writeFile(path, f.second);
            arguments.append(path);
        }
        run(tool, arguments);
        if (!missing.isEmpty())
            run(QStringLiteral("sqlite3"), {db, QStringLiteral("DELETE FROM update_files WHERE name = '%1'")
                                                    .arg(QString::fromUtf8(missing))});
        const QByteArray port = run(tool, {QStringLiteral("free-ports"), QStringLiteral("1")}).trimmed();
        m_service.start(tool, {QStringLiteral("--db"), db, QStringLiteral("serve"), QStringLiteral("--port"),
                               QString::fromLatin1(port), QStringLiteral("--sip"), QStringLiteral("127.0.0.1:5060")});
        const QByteArray host = "127.0.0.1:" + port;
        QByteArray manifest;
        for (int i = 0; i < 100 && manifest.isEmpty(); ++i) {
            QTest::qWait(50);
            manifest = fetch(host, "/cloud/pc/onlieUpdate.xml");
        }
        if (manifest.isEmpty())
            qFatal("the local service did not answer");
        qputenv("NUVOXA_CLOUD_HOST", host);
        return manifest;
    }

    void startClientAndWait(int logLines)
    {
        QVERIFY(QProcess::startDetached(file(QStringLiteral("nuvoxa")), {}, m_program->path()));
        QTRY_VERIFY_WITH_TIMEOUT(lines(clientLog()).size() >= logLines, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(noClientRunning(), 20000);
    }

private slots:
    void initTestCase()
    {
        qputenv("NUVOXA_UPDATE_UNATTENDED", "1");
        QVERIFY(QFileInfo(TestUtil::binFile(QStringLiteral("nuvoxa-update"))).isExecutable());
        QVERIFY(QFileInfo(qEnvironmentVariable("NUVOXA_UPDATE_TEST_CLIENT")).isExecutable());
    }

    void initTestCase_data()
    {
        QTest::addColumn<bool>("service");
        QTest::newRow("test server") << false;
        // The local service when it is built, and sqlite3 to take a file away.
        if (QFileInfo(TestUtil::binFile(QStringLiteral("nuvoxa-service"))).isExecutable()
            && !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            QTest::newRow("local service") << true;
    }

    // A program folder with the client, the update program, version 1 of the
    // manifest and one file that the update will replace.
    void init()
    {
        TestUtil::clearDataDir();
        m_program = std::make_unique<QTemporaryDir>();
        QVERIFY(copyExecutable(qEnvironmentVariable("NUVOXA_UPDATE_TEST_CLIENT"), file(QStringLiteral("nuvoxa"))));
        QVERIFY(copyExecutable(TestUtil::binFile(QStringLiteral("nuvoxa-update")),
                               file(QStringLiteral("nuvoxa-update"))));
        QVERIFY(writeFile(file(QStringLiteral("clientCheck.xml")), kLocalManifest));
        QVERIFY(writeFile(file(QStringLiteral("readme.txt")), "old readme"));
        qputenv("NUVOXA_TEST_CLIENT_LOG", QFile::encodeName(clientLog()));
    }

    void cleanup()
    {
        if (m_service.state() != QProcess::NotRunning) {
            m_service.terminate();
            if (!m_service.waitForFinished(5000))
                m_service.kill();
            m_service.waitForFinished(5000);
        }
    }

    void updateInstallsAndRestartsTheClient()
    {
        const QByteArray manifest = publish("2", {{"readme.txt", "new readme"}, {"logo.txt", "logo"}});
        startClientAndWait(2);

        // The first client was offered both new files and handed over; the
        // restarted one finds itself up to date.
        QCOMPARE(lines(clientLog()), (QStringList{QStringLiteral("offered readme.txt,logo.txt"),
                                                  QStringLiteral("latest 您当前使用的已是最新版本!")}));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("readme.txt"))), QStringLiteral("new readme"));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("logo.txt"))), QStringLiteral("logo"));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("clientCheck.xml"))).toUtf8(), manifest);
        QVERIFY(TestUtil::readFile(updateLog()).contains(QStringLiteral("installed: readme.txt logo.txt")));
        QCOMPARE(QDir(m_program->path()).entryList({QStringLiteral(".nuvoxa-update-*")}, QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    void aMissingFileReplacesNothing()
    {
        publish("3", {{"readme.txt", "new readme"}, {"gone.bin", "never served"}}, "gone.bin");
        startClientAndWait(2);

        // The old client came back and still sees the update.
        QCOMPARE(lines(clientLog()), (QStringList{QStringLiteral("offered readme.txt,gone.bin"),
                                                  QStringLiteral("offered readme.txt,gone.bin")}));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("readme.txt"))), QStringLiteral("old readme"));
        QVERIFY(!QFileInfo::exists(file(QStringLiteral("gone.bin"))));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("clientCheck.xml"))).toUtf8(), kLocalManifest);
        const QString log = TestUtil::readFile(updateLog());
        QVERIFY2(log.contains(QStringLiteral("failed: ")) && log.contains(QStringLiteral("gone.bin")), qPrintable(log));
        QVERIFY(log.contains(QStringLiteral("restarted ")));
    }
};

QTEST_MAIN(TestUpdateEndToEnd)
#include "test_update_e2e.moc"
