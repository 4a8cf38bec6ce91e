// The two-stage login, its failures, and the advertisement download.
#include "app/globals.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "core/servicehttp.h"
#include "core/settingsstore.h"
#include "httpresponder.h"
#include "login/giflogin.h"
#include "login/widget.h"
#include "mainwindow/mianwindow.h"
#include "modalanswerer.h"
#include "platform/paths.h"
#include "testutil.h"
#include "windowdriver.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QUrlQuery>

#include <memory>

namespace {

const QByteArray kLogin = "/cloud/login.aspx";
const QByteArray kUpdate = "/cloud/pc/onlieUpdate.xml";
const QByteArray kAdvert = "/cloud/pc/app/hd.gif";

QString md5(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

bool mainWindowShown()
{
    MianWindow *main = TestUtil::topLevel<MianWindow>();
    return main && main->isVisible();
}

QString advertPath()
{
    return Paths::dataDir() + "/hd.gif";
}

QString readValue(const QString &path, const QString &group, const QString &key)
{
    auto settings = SettingsStore::open(path);
    return settings->value(group + "/" + key).toString();
}

}  // namespace

class TestLoginRequest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<HttpResponder> m_service;
    std::unique_ptr<Widget> m_window;

    void build() { m_window = WindowDriver::shown<Widget>(); }

    void login(const QString &account, const QString &password, bool remember = false, bool autoLogin = false)
    {
        WindowDriver::login(m_window.get(), account, password, remember, autoLogin);
    }

    QList<ServiceHttp *> requestObjects() const
    {
        return m_window->findChildren<ServiceHttp *>();
    }

    // The login window is back after a failure, the progress window gone.
    void verifyBackAtTheLoginWindow()
    {
        QVERIFY(m_window->isVisible());
        QVERIFY(!TestUtil::topLevel<GifLogin>()->isVisible());
        QVERIFY(!mainWindowShown());
    }

private slots:
    void initTestCase() { Startup::installLook(); }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
        g_account.clear();
        g_password.clear();
        g_bindPhone.clear();
        g_balance.clear();
        g_adReady = false;
        // A fresh service per test: stalled connections of one test must
        // not answer the next.
        m_service = std::make_unique<HttpResponder>();
        QVERIFY(m_service->listen());
        m_service->stall(kAdvert);
        qputenv("NUVOXA_CLOUD_HOST", m_service->hostPort().toUtf8());
    }

    void cleanup()
    {
        m_window.reset();
        m_service.reset();
    }

    void acceptedAnswers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("balance");
        QTest::newRow("phone and balance") << QByteArray("13800000000|12.50") << 200
                                           << "13800000000" << "12.50";
        QTest::newRow("no bound phone") << QByteArray("|8.00") << 200 << "" << "8.00";
        QTest::newRow("bar only") << QByteArray("|") << 200 << "" << "";
        QTest::newRow("error status with a bar") << QByteArray("1|2|extra") << 500 << "1" << "2";
    }

    void acceptedAnswers()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, phone);
        QFETCH(QString, balance);
        m_service->respond(kLogin, body, status);
        ModalAnswerer answerer;
        build();
        login("13800001111", "pw");
        QTRY_VERIFY(mainWindowShown());
        QCOMPARE(answerer.count(), 0);
        QVERIFY(!m_window->isVisible());
        QVERIFY(!TestUtil::topLevel<GifLogin>()->isVisible());
        QCOMPARE(g_bindPhone, phone);
        QCOMPARE(g_balance, balance);

        const auto calls = CallSdkDouble::callsTo("loginServer");
        QCOMPARE(int(calls.size()), 1);
        QCOMPARE(calls.front().args, (std::vector<std::string>{"13800001111", "pw", "1"}));
        QCOMPARE(CallSdkDouble::countOf("callSdkDestroy"), 0);

        // A digits-only account goes out exactly as it always did.
        const QString pwd = md5("pw");
        const QString validate = md5("13800001111" + pwd + "rolo^_^");
        QCOMPARE(m_service->requestsTo(kLogin).size(), 1);
        QCOMPARE(QString::fromLatin1(m_service->requestsTo(kLogin).first().query),
                 "acct=13800001111&pwd=" + pwd + "&validate=" + validate);
        QTRY_COMPARE(m_service->countOf(kUpdate), 1);

        // Remembered without its password, no auto-login.
        QCOMPARE(readValue(SettingsStore::loginFile(), "13800001111", "acc"),
                 QString("13800001111"));
        QCOMPARE(readValue(SettingsStore::loginFile(), "13800001111", "pwd"), QString());
        QCOMPARE(readValue(SettingsStore::lastLoginFile(), "lastlogin", "acc"),
                 QString("13800001111"));
        QVERIFY(!QFile::exists(SettingsStore::autoLoginFile()));
    }

    void checkBoxesDecideWhatIsRemembered()
    {
        m_service->respond(kLogin, "|1.00");
        SettingsStore::writeAutoLogin("old", "old");
        build();
        login("13800001111", "pw", true, true);
        QTRY_VERIFY(mainWindowShown());
        QCOMPARE(readValue(SettingsStore::loginFile(), "13800001111", "pwd"), QString("pw"));
        QCOMPARE(readValue(SettingsStore::lastLoginFile(), "lastlogin", "pwd"), QString("pw"));
        QCOMPARE(readValue(SettingsStore::autoLoginFile(), "AUTO", "acc"), QString("13800001111"));
        QCOMPARE(readValue(SettingsStore::autoLoginFile(), "AUTO", "pwd"), QString("pw"));
        QCOMPARE(TestUtil::fileMode(SettingsStore::loginFile()), 0600);
    }

    void voiceLoginFailureSendsNothing()
    {
        CallSdkDouble::setLoginResult(-1);
        ModalAnswerer answerer;
        answerer.answer("确定");
        build();
        login("13800001111", "pw");
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("登录失败"));
        QCOMPARE(answerer.last().icon, QString("information"));
        verifyBackAtTheLoginWindow();
        QTest::qWait(100);
        QCOMPARE(m_service->countOf(kLogin), 0);
        QCOMPARE(m_service->countOf(kUpdate), 0);
        QCOMPARE(CallSdkDouble::countOf("callSdkDestroy"), 0);
        QVERIFY(!QFile::exists(SettingsStore::loginFile()));
    }

    void refusedThenAccepted()
    {
        m_service->respond(kLogin, "ERROR");
        ModalAnswerer answerer;
        answerer.answer("确定");
        build();
        login("13800001111", "wrong");
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().text, QString("账号或密码错误"));
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        verifyBackAtTheLoginWindow();
        QCOMPARE(CallSdkDouble::countOf("callSdkDestroy"), 1);
        QVERIFY(!QFile::exists(SettingsStore::loginFile()));
        QVERIFY(!QFile::exists(SettingsStore::lastLoginFile()));
        // The fields keep their texts.
        QCOMPARE(m_window->findChild<QLineEdit *>("lePassword")->text(), QString("wrong"));

        // An answered request is dropped; the next attempt makes a new one.
        QTRY_VERIFY(requestObjects().isEmpty());
        m_service->respond(kLogin, "13800000000|3.00");
        login("13800001111", "right");
        QTRY_VERIFY(mainWindowShown());
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(m_service->countOf(kLogin), 2);
        // The update check went out with the first attempt only.
        QCOMPARE(m_service->countOf(kUpdate), 1);
    }

    void failedTransferKeepsTheRequestObject()
    {
        ModalAnswerer answerer;
        answerer.answer("确定");
        build();
        // Network down: nothing listens where the service should be.
        qputenv("NUVOXA_CLOUD_HOST", "127.0.0.1:1");
        login("13800001111", "pw");
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().text, QString("登录失败"));
        verifyBackAtTheLoginWindow();
        QCOMPARE(CallSdkDouble::countOf("callSdkDestroy"), 1);
        QTest::qWait(50);
        const QList<ServiceHttp *> before = requestObjects();
        QCOMPARE(before.size(), 1);  // the validation's; the update check has its own
        const QPointer<ServiceHttp> kept = before.first();

        qputenv("NUVOXA_CLOUD_HOST", m_service->hostPort().toUtf8());
        m_service->respond(kLogin, "|5.00");
        login("13800001111", "pw");
        QTRY_VERIFY(mainWindowShown());
        QCOMPARE(m_service->countOf(kLogin), 1);
        QCOMPARE(m_service->countOf(kUpdate), 0);
        // The validation object was used again, then dropped after its answer.
        QTRY_VERIFY(!kept);
        QVERIFY(requestObjects().isEmpty());
    }

    void stalledValidationTimesOut()
    {
        m_service->stall(kLogin);
        ModalAnswerer answerer;
        answerer.answer("确定");
        build();
        QCOMPARE(ServiceHttp::DefaultTimeoutMs, 20000);
        m_window->setValidationTimeout(300);
        QElapsedTimer clock;
        clock.start();
        login("13800001111", "pw");
        QTRY_COMPARE(answerer.count(), 1);
        QVERIFY(clock.elapsed() >= 300);
        QCOMPARE(answerer.last().text, QString("登录失败"));
        QCOMPARE(CallSdkDouble::countOf("callSdkDestroy"), 1);
        verifyBackAtTheLoginWindow();
    }

    void unusualAccountArrivesIntact()
    {
        const QString account = "a&b =c#d+%";
        const QString password = "p&w d=";
        m_service->respond(kLogin, "|");
        build();
        // A query the service cannot read ends in a refusal box: answer it
        // and report it instead of waiting on it.
        ModalAnswerer answerer;
        login(account, password);
        QTRY_VERIFY(mainWindowShown() || answerer.count() > 0);
        QVERIFY2(answerer.count() == 0, qPrintable(answerer.last().text));
        QCOMPARE(g_account, account);
        const QByteArray raw = m_service->requestsTo(kLogin).first().query;
        const QUrlQuery query(QString::fromLatin1(raw));
        QCOMPARE(query.queryItems().size(), 3);
        QCOMPARE(query.queryItemValue("acct", QUrl::FullyDecoded), account);
        const QString pwd = md5(password);
        QCOMPARE(query.queryItemValue("pwd", QUrl::FullyDecoded), pwd);
        QCOMPARE(query.queryItemValue("validate", QUrl::FullyDecoded),
                 md5(account + pwd + "rolo^_^"));
        // The digest is taken over the text as typed.
        QCOMPARE(QString::fromStdString(CallSdkDouble::callsTo("Md5String").front().args.at(0)),
                 account + pwd + "rolo^_^");
    }

    void noAdvertisementGivesTheShortMainWindow()
    {
        m_service->respond(kLogin, "|1.00");
        qputenv("NUVOXA_CLOUD_HOST", "127.0.0.1:1");
        build();
        qputenv("NUVOXA_CLOUD_HOST", m_service->hostPort().toUtf8());
        login("13800001111", "pw");
        QTRY_VERIFY(mainWindowShown());
        QVERIFY(!g_adReady);
        QCOMPARE(TestUtil::topLevel<MianWindow>()->size(), QSize(300, 515));
    }

    void lateAdvertisementSwitchesTheMainWindow()
    {
        m_service->respond(kAdvert, "GIF89a-late", 200, 3000);
        m_service->respond(kLogin, "|1.00");
        build();
        login("13800001111", "pw");
        QTRY_VERIFY(mainWindowShown());
        QVERIFY(!g_adReady);
        QTRY_VERIFY_WITH_TIMEOUT(g_adReady, 10000);
        QCOMPARE(TestUtil::topLevel<MianWindow>()->size(), QSize(300, 575));
        QCOMPARE(TestUtil::readFile(advertPath()), QString("GIF89a-late"));
    }

    void earlyAdvertisementIsShownAtOnce()
    {
        m_service->respond(kAdvert, "GIF89a-early");
        m_service->respond(kLogin, "|1.00");
        build();
        QTRY_VERIFY(g_adReady);
        login("13800001111", "pw");
        QTRY_VERIFY(mainWindowShown());
        QCOMPARE(TestUtil::topLevel<MianWindow>()->size(), QSize(300, 575));
    }

    void staleAdvertisementIsDeletedFirst()
    {
        QFile stale(advertPath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("stale image of an earlier run");
        stale.close();
        build();
        QCOMPARE(QFileInfo(advertPath()).size(), 0);
        QVERIFY(!g_adReady);
    }

    void oversizedAdvertisementIsDiscarded()
    {
        m_service->respond(kAdvert, QByteArray(int(Widget::MaxAdvertBytes) + 1024, 'x'));
        m_service->respond(kLogin, "|1.00");
        build();
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(advertPath()), 10000);
        QVERIFY(!g_adReady);
        login("13800001111", "pw");
        QTRY_VERIFY(mainWindowShown());
        QCOMPARE(TestUtil::topLevel<MianWindow>()->size(), QSize(300, 515));
    }

    void advertisementOfExactlyTheLimitIsKept()
    {
        m_service->respond(kAdvert, QByteArray(int(Widget::MaxAdvertBytes), 'x'));
        build();
        QTRY_VERIFY_WITH_TIMEOUT(g_adReady, 10000);
        QCOMPARE(QFileInfo(advertPath()).size(), Widget::MaxAdvertBytes);
    }

    void closingTheProgressWindowKeepsTheLogin()
    {
        m_service->respond(kLogin, "|1.00", 200, 500);
        build();
        login("13800001111", "pw");
        GifLogin *gif = TestUtil::topLevel<GifLogin>();
        QTRY_COMPARE(m_service->countOf(kLogin), 1);
        gif->close();
        QVERIFY(!gif->isVisible());
        QTRY_VERIFY(mainWindowShown());
    }
};

QTEST_MAIN(TestLoginRequest)
#include "test_login_request.moc"
