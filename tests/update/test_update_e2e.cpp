// The whole update hand-over: a client in a scratch program folder checks
// for an update, hands over to nuvoxa-update, which installs the files and
// starts the client again.
#include "httpstub.h"
#include "testutil.h"

#include "platform/instanceguard.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kLocalManifest = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update ver=\"1.0.0\" AllDown=\"0\">\n"
                                  "  <file>nuvoxa</file>\n  <file>libcallsdk.so</file>\n</update>\n";

QByteArray serverManifest(const QByteArray &version, const QList<QByteArray> &extra)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update ver=\"" + version
                     + "\" AllDown=\"0\">\n  <file>nuvoxa</file>\n  <file>libcallsdk.so</file>\n";
    for (const QByteArray &entry : extra)
        xml += "  <file>" + entry + "</file>\n";
    return xml + "</update>\n";
}

bool copyExecutable(const QString &from, const QString &to)
{
    return QFile::copy(from, to)
           && QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::ExeOther);
}

QStringList lines(const QString &path)
{
    return TestUtil::readFile(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

class TestUpdateEndToEnd : public QObject
{
    Q_OBJECT

private:
    HttpStub m_http;
    std::unique_ptr<QTemporaryDir> m_program;

    QString file(const QString &name) const { return m_program->filePath(name); }
    QString clientLog() const { return file(QStringLiteral("client.log")); }
    QString updateLog() const { return qEnvironmentVariable("NUVOXA_DATA_DIR") + QStringLiteral("/temp/update.log"); }

    // The client's guard is free again: every client has exited.
    static bool noClientRunning()
    {
        InstanceGuard probe(QStringLiteral("Nuvoxa"));
        return probe.acquire() == InstanceGuard::Result::Acquired;
    }

private slots:
    void initTestCase()
    {
        qputenv("NUVOXA_CLOUD_HOST", m_http.host());
        qputenv("NUVOXA_UPDATE_UNATTENDED", "1");
        QVERIFY(QFileInfo(TestUtil::binFile(QStringLiteral("nuvoxa-update"))).isExecutable());
        QVERIFY(QFileInfo(qEnvironmentVariable("NUVOXA_UPDATE_TEST_CLIENT")).isExecutable());
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
        QFile manifest(file(QStringLiteral("clientCheck.xml")));
        QVERIFY(manifest.open(QIODevice::WriteOnly));
        manifest.write(kLocalManifest);
        manifest.close();
        QFile readme(file(QStringLiteral("readme.txt")));
        QVERIFY(readme.open(QIODevice::WriteOnly));
        readme.write("old readme");
        readme.close();
        qputenv("NUVOXA_TEST_CLIENT_LOG", QFile::encodeName(clientLog()));
    }

    void updateInstallsAndRestartsTheClient()
    {
        const QByteArray manifest = serverManifest("2", {"readme.txt", "image/logo.txt"});
        m_http.set("/cloud/pc/onlieUpdate.xml", manifest);
        m_http.set("/cloud/pc/app/readme.txt", "new readme");
        m_http.set("/cloud/pc/app/image/logo.txt", "logo");

        QVERIFY(QProcess::startDetached(file(QStringLiteral("nuvoxa")), {}, m_program->path()));
        QTRY_VERIFY_WITH_TIMEOUT(lines(clientLog()).size() >= 2, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(noClientRunning(), 20000);

        // The first client was offered both new files and handed over; the
        // restarted one finds itself up to date.
        QCOMPARE(lines(clientLog()), (QStringList{QStringLiteral("offered readme.txt,image/logo.txt"),
                                                  QStringLiteral("latest 您当前使用的已是最新版本!")}));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("readme.txt"))), QStringLiteral("new readme"));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("image/logo.txt"))), QStringLiteral("logo"));
        QCOMPARE(TestUtil::readFile(file(QStringLiteral("clientCheck.xml"))).toUtf8(), manifest);
        QVERIFY(TestUtil::readFile(updateLog()).contains(QStringLiteral("installed: readme.txt image/logo.txt")));
        QCOMPARE(QDir(m_program->path()).entryList({QStringLiteral(".nuvoxa-update-*")}, QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    void aMissingFileReplacesNothing()
    {
        m_http.set("/cloud/pc/onlieUpdate.xml", serverManifest("3", {"readme.txt", "gone.bin"}));
        m_http.set("/cloud/pc/app/readme.txt", "new readme");
        m_http.remove("/cloud/pc/app/gone.bin");

        QVERIFY(QProcess::startDetached(file(QStringLiteral("nuvoxa")), {}, m_program->path()));
        QTRY_VERIFY_WITH_TIMEOUT(lines(clientLog()).size() >= 2, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(noClientRunning(), 20000);

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
