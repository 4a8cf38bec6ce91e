// The login window: remembered accounts, input checks, links, closing.
#include "app/globals.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "core/settingsstore.h"
#include "httpresponder.h"
#include "login/giflogin.h"
#include "login/widget.h"
#include "modalanswerer.h"
#include "platform/desktop.h"
#include "platform/instanceguard.h"
#include "testutil.h"
#include "windowdriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include <cstring>
#include <iostream>
#include <memory>

namespace {

class RecordingDesktop : public Desktop
{
public:
    QList<QUrl> urls;
    bool openUrl(const QUrl &url) override
    {
        urls.append(url);
        return true;
    }
};

void writeGroup(const QString &path, const QString &group, const QString &acc, const QString &pwd)
{
    SettingsStore::ensureFolder();
    auto settings = SettingsStore::open(path, true);
    settings->beginGroup(SettingsStore::safeName(group));
    settings->setValue("acc", acc);
    settings->setValue("pwd", pwd);
    settings->endGroup();
}

GifLogin *progressWindow()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *gif = qobject_cast<GifLogin *>(top))
            return gif;
    }
    return nullptr;
}

// The child of closeEndsTheProcess: holds the guard like a started client,
// waits for the parent's word, then closes the login window by its button.
int closeChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    Startup::installLook();
    InstanceGuard guard("Nuvoxa");
    if (guard.acquire() != InstanceGuard::Result::Acquired)
        return 3;
    g_instanceMutex = &guard;
    Widget window;
    window.show();
    std::cout << "ready" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    window.findChild<QToolButton *>("close")->click();
    return 0;  // not reached: closing ends the process
}

}  // namespace

class TestLoginWindow : public QObject
{
    Q_OBJECT

private:
    HttpResponder m_service;
    std::unique_ptr<Widget> m_window;

    template <typename T>
    T *child(const char *name)
    {
        return WindowDriver::child<T>(m_window.get(), name);
    }
    QComboBox *accountBox() { return child<QComboBox>("cbUsername"); }
    QLineEdit *passwordField() { return child<QLineEdit>("lePassword"); }
    QCheckBox *rememberBox() { return child<QCheckBox>("checkBox"); }
    QCheckBox *autoBox() { return child<QCheckBox>("checkBox_2"); }

    void build()
    {
        m_window = WindowDriver::shown<Widget>();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    static bool guardHeldElsewhere()
    {
        InstanceGuard probe("Nuvoxa");
        return probe.acquire() == InstanceGuard::Result::HeldElsewhere;
    }

private slots:
    void initTestCase()
    {
        Startup::installLook();
        QVERIFY(m_service.listen());
        // Logins in this file go no further than the voice library.
        m_service.stall("/cloud/login.aspx");
        m_service.stall("/cloud/pc/app/hd.gif");
        qputenv("NUVOXA_CLOUD_HOST", m_service.hostPort().toUtf8());
        qputenv("NUVOXA_WEB_HOST", "web.example:8080");
    }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
        m_service.clearRequests();
        g_account.clear();
        g_password.clear();
    }

    void cleanup()
    {
        m_window.reset();
        Desktop::setInstance(nullptr);
    }

    void noSettingsLeaveTheWindowEmpty()
    {
        build();
        QCOMPARE(accountBox()->count(), 0);
        QCOMPARE(accountBox()->currentText(), QString());
        QCOMPARE(passwordField()->text(), QString());
        QVERIFY(!rememberBox()->isChecked());
        QVERIFY(!autoBox()->isChecked());
        QTest::qWait(100);
        QVERIFY(m_window->isVisible());
        QCOMPARE(CallSdkDouble::countOf("getServerIp"), 0);
        // The progress window comes with the first login.
        QVERIFY(!progressWindow());
    }

    void autoLoginFileStartsALoginAtOnce()
    {
        writeGroup(SettingsStore::autoLoginFile(), "AUTO", "13900001111", "secret");
        // Auto-login wins over everything else remembered.
        writeGroup(SettingsStore::loginFile(), "other", "other", "otherpwd");
        m_window = std::make_unique<Widget>();
        QCOMPARE(accountBox()->count(), 1);
        QCOMPARE(accountBox()->currentText(), QString("13900001111"));
        QCOMPARE(passwordField()->text(), QString("secret"));
        QVERIFY(autoBox()->isChecked());
        QVERIFY(!rememberBox()->isChecked());
        QVERIFY(progressWindow()->isVisible());
        QVERIFY(!progressWindow()->mask().isEmpty());  // shaped like the login window
        QCOMPARE(g_account, QString("13900001111"));
        QTRY_COMPARE(CallSdkDouble::countOf("loginServer"), 1);
        const auto login = CallSdkDouble::callsTo("loginServer").front();
        QCOMPARE(login.args.at(0), std::string("13900001111"));
        QCOMPARE(login.args.at(1), std::string("secret"));
    }

    void rememberedAccountsAndLastLogin_data()
    {
        QTest::addColumn<QString>("passwordOfB");
        QTest::newRow("B remembered") << "pwdB";
        QTest::newRow("B not remembered") << "";
    }

    void rememberedAccountsAndLastLogin()
    {
        QFETCH(QString, passwordOfB);
        writeGroup(SettingsStore::loginFile(), "A", "A", "pwdA");
        writeGroup(SettingsStore::loginFile(), "B", "B", passwordOfB);
        writeGroup(SettingsStore::lastLoginFile(), "lastlogin", "B", passwordOfB);
        build();
        QCOMPARE(accountBox()->count(), 2);
        QCOMPARE(accountBox()->itemText(0), QString("A"));
        QCOMPARE(accountBox()->itemText(1), QString("B"));
        QCOMPARE(accountBox()->currentText(), QString("B"));
        QCOMPARE(passwordField()->text(), passwordOfB);
        QCOMPARE(rememberBox()->isChecked(), !passwordOfB.isEmpty());
        QVERIFY(!autoBox()->isChecked());
        QCOMPARE(QApplication::focusWidget(), passwordField());
        QCOMPARE(CallSdkDouble::countOf("getServerIp"), 0);

        // Choosing from the list fills the stored password.
        accountBox()->setCurrentIndex(1);
        accountBox()->setCurrentIndex(0);
        QCOMPARE(passwordField()->text(), QString("pwdA"));
        QVERIFY(rememberBox()->isChecked());
        accountBox()->setCurrentIndex(1);
        QCOMPARE(passwordField()->text(), passwordOfB);
        QCOMPARE(rememberBox()->isChecked(), !passwordOfB.isEmpty());

        // Typing an account does not fill anything.
        passwordField()->setText("typed");
        accountBox()->lineEdit()->clear();
        QTest::keyClicks(accountBox()->lineEdit(), "A");
        QCOMPARE(passwordField()->text(), QString("typed"));
    }

    void accountsWithoutLastLoginAndTheListLimit()
    {
        // Without a login file the last login alone is not shown.
        writeGroup(SettingsStore::lastLoginFile(), "lastlogin", "B", "pwdB");
        build();
        QCOMPARE(accountBox()->currentText(), QString());
        QCOMPARE(passwordField()->text(), QString());
        m_window.reset();

        QFile::remove(SettingsStore::lastLoginFile());
        for (int i = 0; i < 13; ++i)
            writeGroup(SettingsStore::loginFile(), QString("acc%1").arg(i, 2, 10, QChar('0')),
                       QString("acc%1").arg(i, 2, 10, QChar('0')), i == 12 ? "" : "p");
        build();
        QCOMPARE(accountBox()->count(), 11);
        QCOMPARE(accountBox()->currentText(), QString("acc00"));
        // The last remembered pair decides the password shown.
        QCOMPARE(passwordField()->text(), QString());
        QVERIFY(!rememberBox()->isChecked());
    }

    void fieldLimits()
    {
        build();
        QTest::keyClicks(accountBox()->lineEdit(), "12345678901234567890");
        QCOMPARE(accountBox()->currentText(), QString("123456789012345"));
        QTest::keyClicks(passwordField(), QString(40, QChar('x')));
        QCOMPARE(passwordField()->text(), QString(30, QChar('x')));
        QCOMPARE(passwordField()->echoMode(), QLineEdit::Password);
        QCOMPARE(accountBox()->lineEdit()->contextMenuPolicy(), Qt::NoContextMenu);
    }

    void returnKeyChecksAndStartsALogin()
    {
        build();
        ModalAnswerer answerer;
        answerer.answer("确定");
        answerer.answer("确定");
        QTest::keyClick(passwordField(), Qt::Key_Return);
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("请输入账号"));
        QCOMPARE(answerer.last().icon, QString("information"));
        QCOMPARE(answerer.last().buttons, QStringList{"确定"});

        QTest::keyClicks(accountBox()->lineEdit(), "13800001111");
        QTest::keyClick(passwordField(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(answerer.count(), 2);
        QCOMPARE(answerer.last().text, QString("请输入密码"));
        QVERIFY(m_window->isVisible());
        QCOMPARE(CallSdkDouble::countOf("getServerIp"), 0);

        // Texts are taken as typed, spaces included.
        QTest::keyClicks(passwordField(), " pw ");
        QTest::keyClick(passwordField(), Qt::Key_Return);
        QCOMPARE(answerer.count(), 2);
        QVERIFY(!m_window->isVisible());
        QVERIFY(progressWindow()->isVisible());
        QCOMPARE(g_account, QString("13800001111"));
        QCOMPARE(g_password, QString(" pw "));
        QTRY_COMPARE(CallSdkDouble::countOf("loginServer"), 1);
    }

    void autoLoginCheckDrivesRememberPassword()
    {
        build();
        autoBox()->click();
        QVERIFY(autoBox()->isChecked());
        QVERIFY(rememberBox()->isChecked());
        autoBox()->click();
        QVERIFY(!rememberBox()->isChecked());
        // The other way round there is no link.
        rememberBox()->click();
        QVERIFY(rememberBox()->isChecked());
        QVERIFY(!autoBox()->isChecked());
    }

    void linksOpenTheServicePages()
    {
        RecordingDesktop desktop;
        Desktop::setInstance(&desktop);
        build();
        auto *registerLink = child<QLabel>("label_5");
        auto *forgetLink = child<QLabel>("label_2");
        QVERIFY(registerLink->text().contains("注册账号"));
        QVERIFY(forgetLink->text().contains("忘记密码"));
        emit registerLink->linkActivated("ignored");
        emit forgetLink->linkActivated("ignored");
        QCOMPARE(desktop.urls.size(), 2);
        QCOMPARE(desktop.urls.at(0), QUrl("http://web.example:8080/register.aspx"));
        QCOMPARE(desktop.urls.at(1), QUrl("http://web.example:8080/forgetpwd.aspx"));
    }

    void progressWindowCloseKeepsTheLogin()
    {
        CallSdkDouble::setServerIpDelayMs(300);
        writeGroup(SettingsStore::autoLoginFile(), "AUTO", "13900001111", "secret");
        m_window = std::make_unique<Widget>();
        GifLogin *gif = progressWindow();
        QVERIFY(gif->isVisible());
        QVERIFY(gif->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!gif->findChild<QPushButton *>("pushButton")->isVisible());
        gif->findChild<QToolButton *>("close")->click();
        QVERIFY(!gif->isVisible());
        // The login goes on: registration, then the validation request (which
        // Qt's HTTP layer may resend once on a fresh connection under load).
        QTRY_COMPARE(CallSdkDouble::countOf("loginServer"), 1);
        QTRY_VERIFY(m_service.countOf("/cloud/login.aspx") >= 1);
        QCOMPARE(CallSdkDouble::countOf("loginServer"), 1);
    }

    void closeEndsTheProcess()
    {
        QProcess process;
        process.setProgram(QCoreApplication::applicationFilePath());
        process.setArguments({"--close-child"});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        QVERIFY(process.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += process.readAllStandardOutput()).contains("ready"),
                                 10000);
        QVERIFY(guardHeldElsewhere());
        process.write("close\n");
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        InstanceGuard next("Nuvoxa");
        QCOMPARE(next.acquire(), InstanceGuard::Result::Acquired);
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--close-child") == 0)
        return closeChild(argc, argv);
    QApplication app(argc, argv);
    TestLoginWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_login_window.moc"
