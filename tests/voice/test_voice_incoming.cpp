// Incoming calls from the stack's caller scenario (service/ring.sh): the
// call rings, is answered or turned away, and a second caller during a call
// hears busy.
#include "callsdk.h"
#include "voicetest.h"

#include <QProcess>
#include <QtTest>

#include <mutex>

using namespace voicetest;
using namespace std::chrono_literals;

namespace {

const int kCallerToneHz = 440; // what ring.sh's caller plays
const int kMicrophoneHz = 1000;

struct Rings {
    std::mutex m;
    QStringList numbers;
    QStringList names;
};

Rings &rings()
{
    static Rings r;
    return r;
}

void incomingCall(char *number, char *displayName)
{
    std::lock_guard<std::mutex> lk(rings().m);
    rings().numbers << QString::fromUtf8(number);
    rings().names << QString::fromUtf8(displayName);
}

int ringCount()
{
    std::lock_guard<std::mutex> lk(rings().m);
    return rings().numbers.size();
}

// This test's own subscriber: a call to an account rings every client logged
// in to it, and the other voice tests share the demo account.
QByteArray g_account;
const QByteArray kPassword = "ring-me-123";

bool addOwnAccount()
{
    g_account = "87" + QByteArray::number(QCoreApplication::applicationPid() % 1000000).rightJustified(6, '0');
    QProcess tool;
    tool.start(qEnvironmentVariable("NUVOXA_BIN_DIR") + "/nuvoxa-service",
               {"--db", qEnvironmentVariable("NUVOXA_DB"), "add-account", QString::fromLatin1(g_account),
                QString::fromLatin1(kPassword)});
    // 3: the account is there from an earlier run of the same pid.
    return tool.waitForFinished(10000) && (tool.exitCode() == 0 || tool.exitCode() == 3);
}

// One caller of service/ring.sh, running until its call ends. The name is
// a printf format, so that it can hold any byte.
class Caller {
public:
    Caller(const QString &from, const QString &name)
    {
        QString account = QString::fromUtf8(g_account);
        process_.start("bash", {"-c", "exec \"$1\" --from \"$2\" --name \"$(printf \"$3\")\" \"$4\"", "-",
                                qEnvironmentVariable("NUVOXA_RING"), from, name, account});
    }
    ~Caller()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    // How the caller saw the call end.
    QString outcome()
    {
        process_.waitForFinished(40000);
        return QString::fromUtf8(process_.readAllStandardOutput()).trimmed() + QString::fromUtf8(
                   process_.exitCode() ? process_.readAllStandardError() : QByteArray());
    }

private:
    QProcess process_;
};

bool waitForRings(int count)
{
    for (int i = 0; i < 150 && ringCount() < count; ++i)
        QTest::qWait(100);
    return ringCount() >= count;
}


} // namespace

class TestVoiceIncoming : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { call_hangup(); } // a failed slot leaves no call to the next
    void cleanupTestCase();
    void answeredCallCarriesTheCallersTone();
    void declinedCallerHearsDecline();
    void callerNamesAreCleaned_data();
    void callerNamesAreCleaned();
    void secondCallerHearsBusy();

private:
    PrivatePulse pulse_;
    Recorder &rec_ = Recorder::instance();
};

void TestVoiceIncoming::initTestCase()
{
    QVERIFY2(!demoAccount().isEmpty(), "NUVOXA_DEMO is not set: run through ctest with the service stack");
    QVERIFY(QFileInfo(qEnvironmentVariable("NUVOXA_RING")).isExecutable());
    qputenv("NUVOXA_ECHO_CANCELLATION", "0");
    QVERIFY(pulse_.start(kMicrophoneHz));
    OnCallState(&Recorder::stateFunction);
    OnIncomingCall(&incomingCall);
    QVERIFY(addOwnAccount());
    getServerIp();
    QVERIFY(loginServer(g_account.data(), const_cast<char *>(kPassword.constData()), 1) != -1);
}

void TestVoiceIncoming::init()
{
    rec_.clear();
    std::lock_guard<std::mutex> lk(rings().m);
    rings().numbers.clear();
    rings().names.clear();
}

void TestVoiceIncoming::cleanupTestCase()
{
    call_hangup();
    callSdkDestroy();
}

void TestVoiceIncoming::answeredCallCarriesTheCallersTone()
{
    QCOMPARE(answer_call(), 0); // nothing rings
    Caller caller("13900139001", "张三 Zhang");
    QVERIFY(waitForRings(1));
    {
        std::lock_guard<std::mutex> lk(rings().m);
        QCOMPARE(rings().numbers, QStringList{"13900139001"});
        QCOMPARE(rings().names, QStringList{"张三 Zhang"});
    }
    QTest::qWait(300);
    QVERIFY2(rec_.states().isEmpty(), qPrintable(rec_.states().join(','))); // ringing is no call state

    QCOMPARE(answer_call(), 1);
    QCOMPARE(answer_call(), 0); // answered already
    QVERIFY2(rec_.waitFor("CONFIRMED", 1, 10s), qPrintable(rec_.states().join(',')));
    QCOMPARE(rec_.states(), QStringList({"CONNECTING", "CONFIRMED"}));
    const double tone = heardTone(kCallerToneHz);
    QVERIFY2(qAbs(tone - kCallerToneHz) < 15, qPrintable(QString::number(tone)));

    // The caller hangs up after 8 s: one end report.
    QVERIFY2(rec_.waitFor("DISCONNCTD", 1, 15s), qPrintable(rec_.states().join(',')));
    QCOMPARE(caller.outcome(), QStringLiteral("answered"));
    QCOMPARE(rec_.count("DISCONNCTD"), 1);
    QCOMPARE(ringCount(), 1);
}

void TestVoiceIncoming::declinedCallerHearsDecline()
{
    Caller caller("13900139002", "");
    QVERIFY(waitForRings(1));
    {
        std::lock_guard<std::mutex> lk(rings().m);
        QCOMPARE(rings().names, QStringList{""});
    }
    decline_call();
    QCOMPARE(caller.outcome(), QStringLiteral("declined"));
    QVERIFY2(rec_.waitFor("DISCONNCTD", 1, 5s), qPrintable(rec_.states().join(',')));
    QCOMPARE(rec_.states(), QStringList{"DISCONNCTD"});
    QCOMPARE(answer_call(), 0); // gone
}

void TestVoiceIncoming::callerNamesAreCleaned_data()
{
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("delivered");
    QTest::newRow("a control character ends it") << "Zhang\\001San" << "Zhang";
    QTest::newRow("malformed UTF-8 ends it") << "ab\\377cd" << "ab";
    QTest::newRow("cut at 64 bytes, between characters") << QString(30, QChar(0x5F20)) << QString(21, QChar(0x5F20));
}

void TestVoiceIncoming::callerNamesAreCleaned()
{
    QFETCH(QString, sent);
    QFETCH(QString, delivered);
    Caller caller("13900139005", sent);
    QVERIFY(waitForRings(1));
    decline_call();
    QCOMPARE(caller.outcome(), QStringLiteral("declined"));
    std::lock_guard<std::mutex> lk(rings().m);
    QCOMPARE(rings().names, QStringList{delivered});
}

void TestVoiceIncoming::secondCallerHearsBusy()
{
    Caller first("13900139003", "first");
    QVERIFY(waitForRings(1));
    QCOMPARE(answer_call(), 1);
    QVERIFY(rec_.waitFor("CONFIRMED", 1, 10s));

    Caller second("13900139004", "second");
    QCOMPARE(second.outcome(), QStringLiteral("busy"));
    QCOMPARE(ringCount(), 1); // never reported
    // The first call goes on: still connected, still the caller's tone.
    const double tone = heardTone(kCallerToneHz);
    QVERIFY2(qAbs(tone - kCallerToneHz) < 15, qPrintable(QString::number(tone)));
    QCOMPARE(rec_.states(), QStringList({"CONNECTING", "CONFIRMED"}));

    // An outgoing call is refused too, and our hang-up ends the first call.
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 0);
    call_hangup();
    QCOMPARE(first.outcome(), QStringLiteral("hung-up-by-callee"));
    QVERIFY(rec_.waitFor("DISCONNCTD", 1, 5s));
}

QTEST_GUILESS_MAIN(TestVoiceIncoming)
#include "test_voice_incoming.moc"
