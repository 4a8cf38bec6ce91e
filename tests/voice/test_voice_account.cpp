// The voice library without calls: digests, the voice server address,
// registration, the service queries and the account's life cycle.
#include "callsdk.h"
#include "voicetest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace voicetest;
using namespace std::chrono_literals;

class TestVoiceAccount : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void md5Vectors();
    void unreachableCloud();
    void deadVoiceServer_data();
    void deadVoiceServer();
    void wrongPassword();
    void rightPasswordAndReplace();
    void serviceQueries();
    void destroyTwice();

private:
    QTemporaryDir home_;
    QString stderrPath_;
    int savedStderr_ = -1;
    QByteArray realCloud_;
};

static QByteArray md5(const char *text)
{
    char *buf = new char[std::strlen(text) + 1];
    std::strcpy(buf, text);
    Md5String(&buf);
    QByteArray out(buf);
    delete[] buf;
    return out;
}

void TestVoiceAccount::initTestCase()
{
    QVERIFY2(!demoAccount().isEmpty(), "NUVOXA_DEMO is not set: run through ctest with the service stack");
    realCloud_ = qgetenv("NUVOXA_CLOUD_HOST");
    // The library must write only below the data folder and print nothing:
    // give it an empty home and catch its standard error.
    QVERIFY(home_.isValid());
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home_.path() + "/config").toUtf8());
    qunsetenv("XDG_DATA_HOME");
    stderrPath_ = home_.path() + "/../voice-account-stderr.txt";
    fflush(stderr);
    savedStderr_ = dup(2);
    int fd = open(stderrPath_.toLocal8Bit().constData(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    dup2(fd, 2);
    close(fd);
}

void TestVoiceAccount::cleanupTestCase()
{
    fflush(stderr);
    if (savedStderr_ >= 0) {
        dup2(savedStderr_, 2);
        close(savedStderr_);
    }
    QFile err(stderrPath_);
    QVERIFY(err.open(QIODevice::ReadOnly));
    QByteArray text = err.readAll();
    err.remove();
    QVERIFY2(text.isEmpty(), text.left(500).constData());
    // Nothing in the home folder but what any PulseAudio client leaves there
    // (its cookie under the configuration folder).
    QDir config(home_.path() + "/config");
    QStringList inConfig = config.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    inConfig.removeAll("pulse");
    QCOMPARE(inConfig, QStringList());
    QStringList inHome = QDir(home_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    inHome.removeAll("config");
    QCOMPARE(inHome, QStringList());
    QString priv = QString::fromLocal8Bit(qgetenv("NUVOXA_DATA_DIR")) + "/temp/callsdk";
    QFileInfo info(priv);
    QVERIFY(info.isDir());
    QCOMPARE(int(QFile::permissions(priv) & 0x0077), 0); // nobody but the owner
}

void TestVoiceAccount::md5Vectors()
{
    // RFC 1321 test suite, plus lengths around the padding boundary (55/56/64 bytes).
    QCOMPARE(md5(""), QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(md5("a"), QByteArray("0cc175b9c0f1b6a831c399e269772661"));
    QCOMPARE(md5("abc"), QByteArray("900150983cd24fb0d6963f7d28e17f72"));
    QCOMPARE(md5("message digest"), QByteArray("f96b697d7cb7938d525a2f31aaf161d0"));
    QCOMPARE(md5("abcdefghijklmnopqrstuvwxyz"), QByteArray("c3fcd3d76192e4007dfb496cca67e13b"));
    QCOMPARE(md5("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
             QByteArray("57edf4a22be3c955ac49da2e2107b67a"));
    QCOMPARE(md5(QByteArray(55, 'x').constData()),
             QCryptographicHash::hash(QByteArray(55, 'x'), QCryptographicHash::Md5).toHex());
    QCOMPARE(md5(QByteArray(56, 'x').constData()),
             QCryptographicHash::hash(QByteArray(56, 'x'), QCryptographicHash::Md5).toHex());
    QCOMPARE(md5(QByteArray(64, 'x').constData()),
             QCryptographicHash::hash(QByteArray(64, 'x'), QCryptographicHash::Md5).toHex());
    // UTF-8 input as the login window passes it (account + pwd text + suffix).
    QByteArray login = QString::fromUtf8("8001用户5ebe2294ecd0e0f08eab7690d2a6ee69rolo^_^").toUtf8();
    QCOMPARE(md5(login.constData()), QCryptographicHash::hash(login, QCryptographicHash::Md5).toHex());

    Md5String(nullptr); // harmless
    char *none = nullptr;
    Md5String(&none);
    QVERIFY(none == nullptr);
    QCOMPARE(QByteArray(getPwd()), QByteArray()); // nothing before a login
}

void TestVoiceAccount::unreachableCloud()
{
    // Nothing listens on the cloud host: getServerIp gives up in bounded time
    // and a login fails.
    qputenv("NUVOXA_CLOUD_HOST", "127.0.0.1:" + QByteArray::number(freeUdpPort()));
    QElapsedTimer t;
    t.start();
    getServerIp();
    QVERIFY2(t.elapsed() < 12000, qPrintable(QString::number(t.elapsed())));
    QByteArray acct = demoAccount(), pwd = demoPassword();
    t.restart();
    QCOMPARE(loginServer(acct.data(), pwd.data(), 1), -1);
    QVERIFY(t.elapsed() < 10000);

    // The stack's own cloud over https, without its authority: a certificate
    // that does not verify is no cloud at all.
    QVERIFY2(realCloud_.startsWith("https://"), realCloud_.constData());
    const QByteArray authority = qgetenv("NUVOXA_CA_FILE");
    qputenv("NUVOXA_CLOUD_HOST", realCloud_);
    qunsetenv("NUVOXA_CA_FILE");
    getServerIp();
    QCOMPARE(loginServer(acct.data(), pwd.data(), 1), -1);
    qputenv("NUVOXA_CA_FILE", authority);

    // An answer that is no address is not used either.
    FakeCloud junk("<html>oops</html>");
    qputenv("NUVOXA_CLOUD_HOST", junk.host());
    getServerIp();
    QVERIFY(junk.requests() >= 1);
    QCOMPARE(loginServer(acct.data(), pwd.data(), 1), -1);
}

void TestVoiceAccount::deadVoiceServer_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("port closed") << false;
    QTest::newRow("never answers") << true;
}

void TestVoiceAccount::deadVoiceServer()
{
    // The cloud names a voice server that does not run, or one that swallows
    // every request.
    QFETCH(bool, silent);
    struct Restore {
        QByteArray host;
        ~Restore() { qputenv("NUVOXA_CLOUD_HOST", host); }
    } restore{realCloud_};
    int sink = -1;
    int port = silent ? udpSink(&sink) : freeUdpPort();
    FakeCloud cloud("127.0.0.1:" + QByteArray::number(port));
    qputenv("NUVOXA_CLOUD_HOST", cloud.host());
    getServerIp();
    QByteArray acct = demoAccount(), pwd = demoPassword();
    QElapsedTimer t;
    t.start();
    QCOMPARE(loginServer(acct.data(), pwd.data(), 1), -1);
    QVERIFY2(t.elapsed() <= 10000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 0); // not registered
    if (silent) {
        // Given up means given up: no REGISTER reaches the server afterwards.
        QTest::qWait(500);
        char buf[2048];
        int drained = 0;
        while (recv(sink, buf, sizeof buf, MSG_DONTWAIT) > 0)
            ++drained;
        QVERIFY(drained > 0); // the REGISTER did arrive
        QTest::qWait(2500);
        int late = 0;
        ssize_t n;
        QByteArray first;
        while ((n = recv(sink, buf, sizeof buf, MSG_DONTWAIT)) > 0) {
            if (!late++)
                first = QByteArray(buf, int(n));
        }
        ::close(sink);
        QVERIFY2(late == 0, first.constData());
    }
    qputenv("NUVOXA_CLOUD_HOST", realCloud_);
}

void TestVoiceAccount::wrongPassword()
{
    getServerIp();
    QByteArray acct = demoAccount();
    QByteArray bad = demoPassword() + "-wrong";
    QElapsedTimer t;
    t.start();
    QCOMPARE(loginServer(acct.data(), bad.data(), 1), -1);
    QVERIFY(t.elapsed() < 5000); // refused by the registrar, not timed out
    QCOMPARE(QByteArray(getPwd()), QByteArray());
    // No account keeps trying in the background.
    QTest::qWait(300);
    int before = logCount("registration LinphoneRegistrationProgress");
    QTest::qWait(2500);
    QCOMPARE(logCount("registration LinphoneRegistrationProgress"), before);
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 0);
}

void TestVoiceAccount::rightPasswordAndReplace()
{
    QByteArray acct = demoAccount(), pwd = demoPassword();
    QElapsedTimer t;
    t.start();
    QCOMPARE(loginServer(acct.data(), pwd.data(), 1), 0);
    QVERIFY(t.elapsed() < 5000);
    QCOMPARE(QByteArray(getPwd()), QCryptographicHash::hash(pwd, QCryptographicHash::Md5).toHex());

    // A second login replaces the first account: one registration, still usable.
    QCOMPARE(loginServer(acct.data(), pwd.data(), 1), 0);
    QCOMPARE(QByteArray(getPwd()), QCryptographicHash::hash(pwd, QCryptographicHash::Md5).toHex());
    // A failed later login drops the account it replaced.
    QByteArray bad = pwd + "x";
    QCOMPARE(loginServer(acct.data(), bad.data(), 1), -1);
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 0);
    QCOMPARE(loginServer(acct.data(), pwd.data(), 1), 0);
}

void TestVoiceAccount::serviceQueries()
{
    QByteArray acct = demoAccount();
    char *result = nullptr;
    getBalance(&result);
    QVERIFY(result != nullptr);
    QString text = QString::fromUtf8(result);
    QStringList fields = text.split('|');
    QVERIFY2(fields.size() >= 2, qPrintable(text));
    QString phone = sql(QStringLiteral("SELECT phone FROM accounts WHERE account='%1'").arg(QString::fromUtf8(acct)));
    QCOMPARE(fields[0], phone);
    QVERIFY2(QRegularExpression(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$")).match(fields[1]).hasMatch(),
             qPrintable(text));

    // The callback request reaches the service's database as dialled. A "+"
    // sent unescaped arrives as a blank, which the service refuses. The
    // service rings only the account's own bound phone.
    const QByteArray bound = phone.toUtf8();
    const QPair<QByteArray, QByteArray> requests[] = {{"02088886666", bound}, {"+862088886666", bound}};
    for (const auto &r : requests) {
        QString before = sql(QStringLiteral("SELECT count(*) FROM callbacks WHERE account='%1'").arg(QString::fromUtf8(acct)));
        QByteArray callee = r.first, caller = r.second;
        QCOMPARE(make_call_back(callee.data(), caller.data()), 1);
        QString row = sql(QStringLiteral("SELECT callee || ',' || caller FROM callbacks WHERE account='%1' ORDER BY id DESC LIMIT 1")
                              .arg(QString::fromUtf8(acct)));
        QCOMPARE(row, QString::fromUtf8(callee + ',' + caller));
        QCOMPARE(sql(QStringLiteral("SELECT count(*) FROM callbacks WHERE account='%1'").arg(QString::fromUtf8(acct))).toInt(),
                 before.toInt() + 1);
    }
    QCOMPARE(make_call_back(const_cast<char *>("02088886666"), const_cast<char *>("13912345678")), 0);
    // Text that is no phone number is not sent at all.
    QCOMPARE(make_call_back(const_cast<char *>("0208&x=1"), const_cast<char *>("13912345678")), 0);

    // The cloud down: the pointer stays null.
    qputenv("NUVOXA_CLOUD_HOST", "127.0.0.1:" + QByteArray::number(freeUdpPort()));
    char *none = nullptr;
    getBalance(&none);
    QVERIFY(none == nullptr);
    qputenv("NUVOXA_CLOUD_HOST", realCloud_);
}

void TestVoiceAccount::destroyTwice()
{
    callSdkDestroy();
    callSdkDestroy();
    QCOMPARE(QByteArray(getPwd()), QByteArray());
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 0);
    char *result = nullptr;
    getBalance(&result);
    QVERIFY(result == nullptr);
    // And the library can log in again afterwards.
    QVERIFY(loginDemo());
    callSdkDestroy();
}

QTEST_GUILESS_MAIN(TestVoiceAccount)
#include "test_voice_account.moc"
