// The library from two threads: state reports arrive on the library's own
// thread while the user-interface thread dials and hangs up in quick
// succession. Meant to run under ThreadSanitizer as well.
#include "callsdk.h"
#include "voicetest.h"

#include <QtTest>

#include <thread>

using namespace voicetest;
using namespace std::chrono_literals;

class TestVoiceThreads : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void dialAndHangUpRepeatedly();
    void stateFunctionSwappedDuringCalls();

private:
    Recorder &rec_ = Recorder::instance();
};

void TestVoiceThreads::initTestCase()
{
    QVERIFY2(!demoAccount().isEmpty(), "NUVOXA_DEMO is not set: run through ctest with the service stack");
    OnCallState(&Recorder::stateFunction);
    QVERIFY(loginDemo());
}

void TestVoiceThreads::cleanupTestCase()
{
    callSdkDestroy();
}

void TestVoiceThreads::dialAndHangUpRepeatedly()
{
    rec_.clear();
    const std::thread::id ui = std::this_thread::get_id();
    const int rounds = 12;
    for (int i = 0; i < rounds; ++i) {
        EnaleG729(i % 2);
        // Hang up at different moments: at once, once connected, while ringing.
        int kind = i % 3;
        QCOMPARE(make_call(const_cast<char *>(kind == 2 ? "40813800000" : "13800138000")), 1);
        if (kind != 0)
            QTest::qWait(400);
        char key[] = "5";
        dtmf(key);
        call_hangup();
        call_hangup();
        QVERIFY2(rec_.waitFor("DISCONNCTD", i + 1, 10s), qPrintable(rec_.states().join(',')));
    }
    QTest::qWait(800);
    QCOMPARE(rec_.count("DISCONNCTD"), rounds);
    QCOMPARE(rec_.count("CALLING"), rounds);
    for (std::thread::id t : rec_.threads())
        QVERIFY(t != ui);
}

namespace {
std::atomic<int> g_other{0};
void otherFunction(char *) { g_other++; }
}

void TestVoiceThreads::stateFunctionSwappedDuringCalls()
{
    // Registering a state function while reports flow is safe; the new one
    // gets the reports from then on.
    rec_.clear();
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 1);
    for (int i = 0; i < 50; ++i) {
        OnCallState(i % 2 ? &Recorder::stateFunction : &otherFunction);
        std::this_thread::sleep_for(2ms);
    }
    OnCallState(&Recorder::stateFunction);
    call_hangup();
    QTRY_VERIFY_WITH_TIMEOUT(rec_.count("DISCONNCTD") + g_other.load() >= 1, 10000);
    // The end arrives exactly once across the two functions.
    QTest::qWait(500);
    QVERIFY(rec_.count("DISCONNCTD") <= 1);
}

QTEST_GUILESS_MAIN(TestVoiceThreads)
#include "test_voice_threads.moc"
