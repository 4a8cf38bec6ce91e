// The update program's parts: entry names, the all-or-nothing install, one
// whole update run against a local HTTP stub, and the progress window.
#include "httpstub.h"
#include "testutil.h"
#include "updatekey.h"

#include "platform/instanceguard.h"
#include "updater/installer.h"
#include "updater/updatejob.h"
#include "updater/updatewindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

void writeFile(const QString &path, const QByteArray &data, int mode = -1)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
    file.close();
    if (mode >= 0)
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
}

QStringList leftovers(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral(".nuvoxa-update-*")}, QDir::AllEntries | QDir::Hidden);
}

const TestUpdateKey::Files kFiles = {{"a.txt", "new a"}, {"img/b.png", "png bytes"}};
const QByteArray kManifest = TestUpdateKey::manifest("2", kFiles);

// Every file and link below `dir` with its contents (or target).
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(dir).relativeFilePath(info.filePath());
        if (info.isSymLink())
            out.insert(name, "-> " + info.symLinkTarget().toUtf8());
        else if (info.isFile())
            out.insert(name, TestUtil::readFile(info.filePath()).toUtf8());
        else
            out.insert(name + "/", QByteArray());
    }
    return out;
}

}  // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

private:
    HttpStub m_http;
    TestUpdateKey m_key;

    // Serves a manifest and its signature, and the files.
    void publish(const QByteArray &manifest, const TestUpdateKey::Files &files, qint64 signedAt)
    {
        m_http.set("/cloud/pc/onlieUpdate.xml", manifest);
        m_http.set("/cloud/pc/onlieUpdate.xml.minisig", m_key.sign(manifest, signedAt));
        for (const auto &file : files)
            m_http.set("/cloud/pc/app/" + file.first, file.second);
    }
    void publish(const QByteArray &manifest = kManifest, const TestUpdateKey::Files &files = kFiles)
    {
        publish(manifest, files, QDateTime::currentSecsSinceEpoch());
    }

    // Runs one update of `entries` in `dir` and waits for its end.
    bool runJob(const QString &dir, const QStringList &entries, UpdateJob **out = nullptr)
    {
        auto *job = new UpdateJob(dir, entries, this);
        job->setWaitTimeout(400);
        QSignalSpy finished(job, &UpdateJob::finished);
        job->start();
        if (finished.isEmpty() && !finished.wait(10000))
            qFatal("update job never finished");
        // As the update program does before it starts the client again.
        job->releaseClient();
        if (out)
            *out = job;
        return finished.first().first().toBool();
    }

private slots:
    void initTestCase()
    {
        qputenv("NUVOXA_CLOUD_HOST", m_http.host());
    }

    void entryNamesStayInsideTheProgramFolder()
    {
        for (const char *good : {"nuvoxa", "image/login.png", "lib/libfoo.so.1", "名字.txt"})
            QVERIFY2(Installer::isSafeEntry(QString::fromUtf8(good)), good);
        for (const char *bad : {"", "/etc/passwd", "../x", "a/../b", "a/..", "x..y", "a//b", "./a", "a/",
                                "a\nb", "a\tb"})
            QVERIFY2(!Installer::isSafeEntry(QString::fromUtf8(bad)), bad);
    }

    void installReplacesAndAddsKeepingModes()
    {
        QTemporaryDir program, staging;
        writeFile(program.filePath("old.txt"), "old", 0640);
        writeFile(program.filePath("tool"), "#!/bin/sh\nold\n", 0700);
        writeFile(staging.filePath("new/old.txt"), "new");
        writeFile(staging.filePath("new/tool"), "#!/bin/sh\nnew\n");
        writeFile(staging.filePath("new/sub/dir/prog"), QByteArray("\x7f" "ELF rest", 8));
        writeFile(staging.filePath("new/sub/dir/readme"), "text");

        QString error;
        QVERIFY(Installer::install(program.path(), staging.path(),
                                   {"old.txt", "tool", "sub/dir/prog", "sub/dir/readme"}, &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(TestUtil::readFile(program.filePath("old.txt")), QStringLiteral("new"));
        QCOMPARE(TestUtil::fileMode(program.filePath("old.txt")), 0640);
        QCOMPARE(TestUtil::readFile(program.filePath("tool")), QStringLiteral("#!/bin/sh\nnew\n"));
        QCOMPARE(TestUtil::fileMode(program.filePath("tool")), 0700);
        QCOMPARE(TestUtil::fileMode(program.filePath("sub/dir/prog")), 0755);
        QCOMPARE(TestUtil::fileMode(program.filePath("sub/dir/readme")), 0644);
    }

    void failedInstallPutsEverythingBack()
    {
        QTemporaryDir program, staging;
        writeFile(program.filePath("a.txt"), "A");
        writeFile(program.filePath("b.txt"), "B");
        QDir(program.path()).mkdir(QStringLiteral("d"));
        writeFile(staging.filePath("new/a.txt"), "A2");
        writeFile(staging.filePath("new/sub/deep/n.txt"), "N");
        writeFile(staging.filePath("new/d"), "a file where a folder is");

        QString error;
        QVERIFY(!Installer::install(program.path(), staging.path(), {"a.txt", "sub/deep/n.txt", "d"}, &error));
        QVERIFY2(error.contains(program.filePath("d")), qPrintable(error));
        QCOMPARE(TestUtil::readFile(program.filePath("a.txt")), QStringLiteral("A"));
        QCOMPARE(TestUtil::readFile(program.filePath("b.txt")), QStringLiteral("B"));
        QVERIFY(!QFileInfo::exists(program.filePath("sub")));
        QVERIFY(QFileInfo(program.filePath("d")).isDir());
    }

    void jobInstallsEveryEntryAndTheManifest()
    {
        QTemporaryDir program;
        writeFile(program.filePath("clientCheck.xml"), "<update ver=\"1\"/>");
        writeFile(program.filePath("a.txt"), "old a");
        publish();
        const int before = m_http.requests().size();

        // Duplicates are fetched once; a server entry named like the manifest
        // is replaced by the manifest itself.
        UpdateJob *job = nullptr;
        QVERIFY(runJob(program.path(), {"a.txt", "img/b.png", "a.txt", "clientCheck.xml"}, &job));
        QVERIFY(job->error().isEmpty());
        QCOMPARE(m_http.requests().mid(before),
                 (QList<QByteArray>{"/cloud/pc/onlieUpdate.xml", "/cloud/pc/onlieUpdate.xml.minisig",
                                    "/cloud/pc/app/a.txt", "/cloud/pc/app/img/b.png"}));
        QCOMPARE(TestUtil::readFile(program.filePath("a.txt")), QStringLiteral("new a"));
        QCOMPARE(TestUtil::readFile(program.filePath("img/b.png")), QStringLiteral("png bytes"));
        QCOMPARE(TestUtil::readFile(program.filePath("clientCheck.xml")).toUtf8(), kManifest);
        // Its signature stays beside it for the next update's time check.
        QVERIFY(TestUtil::readFile(program.filePath("clientCheck.xml.minisig")).contains("trusted comment: timestamp:"));
        QCOMPARE(leftovers(program.path()), QStringList());
    }

    void jobFailuresLeaveTheFolderAlone()
    {
        QTemporaryDir program;
        writeFile(program.filePath("clientCheck.xml"), "<update ver=\"1\"/>");
        writeFile(program.filePath("a.txt"), "old a");
        publish();
        m_http.remove("/cloud/pc/app/img/b.png");

        UpdateJob *job = nullptr;
        QVERIFY(!runJob(program.path(), {"a.txt", "img/b.png"}, &job));
        QVERIFY2(job->error().startsWith(QStringLiteral("下载 img/b.png 失败：")), qPrintable(job->error()));
        QVERIFY(!job->clientStillRunning());

        // A manifest that is not XML is no update either.
        m_http.set("/cloud/pc/app/img/b.png", "png bytes");
        m_http.set("/cloud/pc/onlieUpdate.xml", "<update ver=");
        QVERIFY(!runJob(program.path(), {"a.txt"}, &job));
        QCOMPARE(job->error(), QStringLiteral("更新信息无效"));

        // Unsafe names are refused before anything is fetched.
        const int before = m_http.requests().size();
        QVERIFY(!runJob(program.path(), {"a.txt", "../escape"}, &job));
        QCOMPARE(job->error(), QStringLiteral("更新文件名无效：../escape"));
        QVERIFY(!runJob(program.filePath("missing-folder"), {"a.txt"}, &job));
        QCOMPARE(job->error(), QStringLiteral("程序文件夹 %1 不可写").arg(program.filePath("missing-folder")));
        QCOMPARE(m_http.requests().size(), before);

        QCOMPARE(TestUtil::readFile(program.filePath("a.txt")), QStringLiteral("old a"));
        QCOMPARE(TestUtil::readFile(program.filePath("clientCheck.xml")), QStringLiteral("<update ver=\"1\"/>"));
        QVERIFY(!QFileInfo::exists(program.filePath("img")));
        QCOMPARE(leftovers(program.path()), QStringList());
    }

    void jobWaitsForTheClientToExit()
    {
        QTemporaryDir program;
        publish();
        InstanceGuard client(QStringLiteral("Nuvoxa"));
        QCOMPARE(client.acquire(), InstanceGuard::Result::Acquired);
        const int before = m_http.requests().size();

        UpdateJob *job = nullptr;
        QVERIFY(!runJob(program.path(), {"a.txt"}, &job));
        QVERIFY(job->clientStillRunning());
        QCOMPARE(job->error(), QStringLiteral("Nuvoxa仍在运行，请退出后重新更新"));
        QCOMPARE(m_http.requests().size(), before);

        // Released during the wait: the update goes ahead.
        job = new UpdateJob(program.path(), {"a.txt"}, this);
        QSignalSpy finished(job, &UpdateJob::finished);
        QSignalSpy status(job, &UpdateJob::status);
        job->start();
        QTest::qWait(300);
        QVERIFY(finished.isEmpty());
        client.release();
        QVERIFY(finished.wait(10000));
        job->releaseClient();
        QVERIFY(finished.first().first().toBool());
        QCOMPARE(TestUtil::readFile(program.filePath("a.txt")), QStringLiteral("new a"));
        QStringList shown;
        for (const QList<QVariant> &args : status)
            shown << args.first().toString();
        shown.removeDuplicates();
        QCOMPARE(shown.first(), QStringLiteral("正在等待Nuvoxa退出…"));
        QVERIFY2(shown.contains(QStringLiteral("正在获取更新信息…")) && shown.last() == QStringLiteral("正在安装更新…"),
                 qPrintable(shown.join('|')));
    }

    // Whatever a hostile or broken server sends, or a program folder that
    // leads elsewhere: the job ends refused and the folder is unchanged, byte
    // for byte.
    void refusedUpdatesChangeNothing_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("error");
        const QStringList both{"a.txt", "img/b.png"};
        QTest::newRow("no signature") << "no signature" << both << "更新信息的签名无效（not a signature file）";
        QTest::newRow("signed by another key") << "other key" << both << "更新信息的签名无效（signed with another key）";
        QTest::newRow("manifest changed after signing") << "changed" << both << "更新信息的签名无效（bad signature）";
        QTest::newRow("file differs from its hash") << "bad hash" << both << "文件 a.txt 与更新信息不符";
        QTest::newRow("file larger than declared") << "too large" << both << "文件 img/b.png 与更新信息不符";
        QTest::newRow("signed before the installed one") << "older" << both << "更新信息比已安装的版本旧";
        QTest::newRow("entry the manifest does not declare") << "" << QStringList{"a.txt", "c.txt"}
                                                             << "更新信息中没有 c.txt 的大小和校验值";
        QTest::newRow("entry like an option") << "" << QStringList{"-rf"} << "更新文件名无效：-rf";
        QTest::newRow("entry through a link") << "link" << both << "更新文件名无效：img/b.png";
        QTest::newRow("manifest over 1 MB") << "huge" << both << "更新信息无效";
        QTest::newRow("no trusted key") << "no key" << both << "这个版本没有更新签名密钥，不能接受任何更新";
    }

    void refusedUpdatesChangeNothing()
    {
        QFETCH(QString, trouble);
        QFETCH(QStringList, entries);
        QFETCH(QString, error);
        QTemporaryDir program, elsewhere;
        writeFile(program.filePath("a.txt"), "old a");
        // Installed: a manifest signed now.
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const QByteArray installed = TestUpdateKey::manifest("1", {{"a.txt", "old a"}});
        writeFile(program.filePath("clientCheck.xml"), installed);
        writeFile(program.filePath("clientCheck.xml.minisig"), m_key.sign(installed, now));
        if (trouble == "link")
            QVERIFY(QFile::link(elsewhere.path(), program.filePath("img")));

        TestUpdateKey::Files served = kFiles;
        if (trouble == "bad hash")
            served[0].second = "evil";
        if (trouble == "too large")
            served[1].second += QByteArray(100000, 'x');
        QByteArray manifest = kManifest;
        if (trouble == "huge")
            manifest.insert(manifest.indexOf("<file"), "<!--" + QByteArray(1 << 20, ' ') + "-->");
        publish(manifest, served, trouble == "older" ? now - 60 : now + 1);
        if (trouble == "no signature")
            m_http.set("/cloud/pc/onlieUpdate.xml.minisig", "<html>not found</html>");
        if (trouble == "other key")
            m_http.set("/cloud/pc/onlieUpdate.xml.minisig", TestUpdateKey().sign(manifest));
        if (trouble == "changed")
            m_http.set("/cloud/pc/onlieUpdate.xml", manifest.replace("ver=\"2\"", "ver=\"3\""));
        qputenv("NUVOXA_UPDATE_PUBKEY", trouble == "no key" ? QByteArray() : m_key.publicKey().toLatin1());

        const QMap<QString, QByteArray> before = snapshot(program.path());
        const QMap<QString, QByteArray> outside = snapshot(elsewhere.path());
        UpdateJob *job = nullptr;
        QVERIFY(!runJob(program.path(), entries, &job));
        qputenv("NUVOXA_UPDATE_PUBKEY", m_key.publicKey().toLatin1());
        QCOMPARE(job->error(), error);
        QCOMPARE(snapshot(program.path()), before);
        QCOMPARE(snapshot(elsewhere.path()), outside);
    }

    // The update program itself ends after a refusal, with a failure status.
    void updateProgramEndsAfterARefusal()
    {
        QTemporaryDir program;
        const QString updater = program.filePath("nuvoxa-update");
        QVERIFY(QFile::copy(TestUtil::binFile("nuvoxa-update"), updater));
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NUVOXA_UPDATE_UNATTENDED", "1");
        run.setProcessEnvironment(env);
        run.start(updater, {"--", "../x"});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 1);
    }

    void progressWindowShowsFileAndShare()
    {
        QTemporaryDir program;
        UpdateJob job(program.path(), {"image/login.png"});
        UpdateWindow window(&job);
        window.show();
        window.setProgress(QStringLiteral("image/login.png"), 1, 4, 512, 1024);
        QCOMPARE(window.fileText(), QStringLiteral("image/login.png"));
        QCOMPARE(window.statusText(), QStringLiteral("正在下载更新文件（2/4）"));
        QCOMPARE(window.progressValue(), 37);
        TestUtil::saveScreenshot(&window, QStringLiteral("updater_progress"));
        window.setProgress(QStringLiteral("nuvoxa"), 3, 4, 10, -1);
        QCOMPARE(window.progressValue(), 75);
    }
};

QTEST_MAIN(TestUpdater)
#include "test_updater.moc"
