// The SIP and media stack and the service queries (libcurl, OpenSSL) are
// libraries of their own, loaded only when wanted: programs linking the
// voice library start without them.
#include "callsdk.h"
#include "voicetest.h"

#include <QFile>
#include <QtTest>

#include <dlfcn.h>

using namespace voicetest;
using namespace std::chrono_literals;

class TestVoiceLoading : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void exportedLibraryLinksNoStack();
    void prewarmLoadsEngineAndStateFunctionFollows();
};

static bool mapped(const char *name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

void TestVoiceLoading::initTestCase()
{
    // Registered before anything loads the engine: it must reach the engine
    // once there is one.
    OnCallState(&Recorder::stateFunction);
    QVERIFY2(!demoAccount().isEmpty(), "NUVOXA_DEMO is not set: run through ctest with the service stack");
}

void TestVoiceLoading::exportedLibraryLinksNoStack()
{
    Dl_info info{};
    QVERIFY(dladdr(reinterpret_cast<void *>(&getServerIp), &info) && info.dli_fname);
    const QByteArray deps = runTool(QStringLiteral("ldd"), {QString::fromLocal8Bit(info.dli_fname)});
    QVERIFY(!deps.isEmpty());
    for (const char *part : {"liblinphone", "libmediastreamer", "libcurl", "libssl", "libcrypto"})
        QVERIFY2(!deps.contains(part), deps.constData());
    // Functions that need no engine work without one.
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 0);
    call_hangup();
    dtmf(const_cast<char *>("1"));
    // Nothing loads the stack behind the program's back, however long it
    // runs without asking.
    QTest::qWait(1500);
    QVERIFY(!mapped("libcallsdk-engine.so"));
    QVERIFY(!mapped("libcallsdk-http.so"));
}

void TestVoiceLoading::prewarmLoadsEngineAndStateFunctionFollows()
{
    callSdkPrewarm();
    QTRY_VERIFY_WITH_TIMEOUT(mapped("liblinphone"), 20000);
    // The login's queries find their library there too.
    QTRY_VERIFY_WITH_TIMEOUT(mapped("libcallsdk-http.so"), 20000);
    callSdkPrewarm();
    QVERIFY(loginDemo());
    QVERIFY(mapped("libcallsdk-engine.so"));
    Recorder::instance().clear();
    QCOMPARE(make_call(const_cast<char *>("13800138000")), 1);
    QVERIFY(Recorder::instance().waitFor(QStringLiteral("CONFIRMED"), 1, 10s));
    call_hangup();
    QVERIFY(Recorder::instance().waitFor(QStringLiteral("DISCONNCTD"), 1, 10s));
    callSdkDestroy();
}

QTEST_GUILESS_MAIN(TestVoiceLoading)
#include "test_voice_loading.moc"
