// Update manifest signatures: what the service and the stock minisign tool
// sign verifies; anything altered, foreign or malformed does not.
#include "core/updatesignature.h"
#include "signing.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kManifest = "<update ver=\"2\"><file sha256=\"00\" size=\"1\">a</file></update>\n";

QByteArray bytes(const std::string &s)
{
    return QByteArray::fromStdString(s);
}

// Runs minisign in `dir`; false when it failed.
bool minisign(const QString &dir, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("minisign"), args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

class TestUpdateSignature : public QObject
{
    Q_OBJECT

private slots:
    void verifies_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("signedAt");

        const nuvoxa::signing::KeyPair key = nuvoxa::signing::generate();
        const nuvoxa::signing::KeyPair other = nuvoxa::signing::generate();
        const QString pub = QString::fromStdString(nuvoxa::signing::publicKeyLine(key));
        const QByteArray sig = bytes(nuvoxa::signing::sign(key, kManifest.toStdString(), 1796600000, "m.xml"));
        QTest::newRow("signed by the service") << kManifest << sig << pub << true << qint64(1796600000);
        QTest::newRow("key given as a .pub file")
            << kManifest << sig << "untrusted comment: minisign public key\n" + pub + "\n" << true << qint64(1796600000);
        QTest::newRow("changed manifest") << kManifest + " " << sig << pub << false << qint64(-1);
        QByteArray later = sig;
        later.replace("timestamp:1796600000", "timestamp:1896600000");
        QTest::newRow("changed trusted comment") << kManifest << later << pub << false << qint64(-1);
        QTest::newRow("another key") << kManifest << sig
                                     << QString::fromStdString(nuvoxa::signing::publicKeyLine(other)) << false
                                     << qint64(-1);
        QByteArray sameIdOtherKey = bytes(nuvoxa::signing::publicKeyLine(other));
        QByteArray raw = QByteArray::fromBase64(sameIdOtherKey);
        raw.replace(2, 8, QByteArray::fromStdString(key.keyId));
        QTest::newRow("key id copied onto another key") << kManifest << sig << QString::fromLatin1(raw.toBase64())
                                                        << false << qint64(-1);
        QTest::newRow("no key") << kManifest << sig << QString() << false << qint64(-1);
        QTest::newRow("empty signature") << kManifest << QByteArray() << pub << false << qint64(-1);
        QTest::newRow("three lines") << kManifest << sig.left(sig.lastIndexOf('\n', sig.size() - 2)) << pub << false
                                     << qint64(-1);
        QTest::newRow("oversized") << kManifest << sig + QByteArray(UpdateSignature::MaxSignatureBytes, '\n') << pub
                                   << false << qint64(-1);
        QTest::newRow("not base64") << kManifest << QByteArray("untrusted comment: x\n!!!!\ntrusted comment: y\n!!!!\n")
                                    << pub << false << qint64(-1);
    }

    void verifies()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, signature);
        QFETCH(QString, key);
        QFETCH(bool, ok);
        QFETCH(qint64, signedAt);
        const UpdateSignature::Result r = UpdateSignature::verify(message, signature, key);
        QVERIFY2(r.ok == ok, qPrintable(r.error));
        QCOMPARE(r.signedAt, signedAt);
        QCOMPARE(r.error.isEmpty(), ok);
    }

    // An operator signs with the stock tool, in its default and its legacy
    // format.
    void stockToolSignatures_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("default (prehashed)") << QStringList();
        QTest::newRow("legacy") << QStringList{"-l"};
    }

    void stockToolSignatures()
    {
        QFETCH(QStringList, options);
        QTemporaryDir dir;
        QFile file(dir.filePath("onlieUpdate.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kManifest);
        file.close();
        QVERIFY(minisign(dir.path(), {"-G", "-W", "-p", "key.pub", "-s", "key.sec"}));
        QVERIFY(minisign(dir.path(), QStringList{"-S", "-W", "-s", "key.sec", "-m", "onlieUpdate.xml"} + options));
        QFile sig(dir.filePath("onlieUpdate.xml.minisig")), pub(dir.filePath("key.pub"));
        QVERIFY(sig.open(QIODevice::ReadOnly) && pub.open(QIODevice::ReadOnly));
        const UpdateSignature::Result r =
            UpdateSignature::verify(kManifest, sig.readAll(), QString::fromLatin1(pub.readAll()));
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(qAbs(r.signedAt - QDateTime::currentSecsSinceEpoch()) < 600);
    }
};

QTEST_MAIN(TestUpdateSignature)
#include "test_updatesignature.moc"
