// The settings window: page selectors, the stored basic settings, the links
// and the update check against a local HTTP stub.
#include "modalanswerer.h"
#include "tests/update/httpstub.h"
#include "testutil.h"
#include "updatekey.h"

#include "app/globals.h"
#include "app/startup.h"
#include "core/settingsstore.h"
#include "core/updatecheck.h"
#include "platform/desktop.h"
#include "settings/clickframe.h"
#include "settings/settingdlg.h"
#include "settings/userdlg.h"
#include "windowdriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// Records what the windows ask of the desktop instead of doing it.
class RecordingDesktop : public Desktop
{
public:
    bool startResult = true;
    QList<QUrl> urls;
    QList<QPair<QString, QStringList>> started;

    bool openUrl(const QUrl &url) override
    {
        urls.append(url);
        return true;
    }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.append(qMakePair(program, arguments));
        return startResult;
    }
};

using WindowDriver::child;

QByteArray manifest(const QString &version, const QStringList &entries)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update ver=\"" + version.toUtf8()
                     + "\" AllDown=\"1\">\n";
    for (const QString &entry : entries)
        xml += "  <file>" + entry.toUtf8() + "</file>\n";
    return xml + "</update>\n";
}

// Runs `action` inside an event loop and reports whether the application
// was asked to quit while it ran.
bool quitRequestedBy(const std::function<void()> &action)
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        action();
        QTimer::singleShot(200, &loop, [&] { loop.exit(42); });
    });
    const bool quit = loop.exec() != 42;
    if (quit) {
        // A quit request stops every later event loop until the
        // application's own loop has run once; run it to go on testing.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    return quit;
}

}  // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    RecordingDesktop m_desktop;
    HttpStub m_http;
    TestUpdateKey m_key;
    UpdateCheck::Manifest m_local;

    // Presses "检查更新" and waits until the answers (the manifest, and its
    // signature unless the first failed) have been handled.
    void checkForUpdate(SettingDlg &dlg)
    {
        const int before = m_http.requests().size();
        QTest::mouseClick(child<QToolButton>(&dlg, "toolButton_10"), Qt::LeftButton);
        QTRY_VERIFY(m_http.requests().size() > before);
        (void)QTest::qWaitFor([&] { return m_http.requests().size() >= before + 2; }, 1000);
        QTest::qWait(150);
    }

    void publish(const QByteArray &manifest)
    {
        m_http.set("/cloud/pc/onlieUpdate.xml", manifest);
        m_http.set("/cloud/pc/onlieUpdate.xml.minisig", m_key.sign(manifest));
    }

private slots:
    void initTestCase()
    {
        Startup::installLook();
        Desktop::setInstance(&m_desktop);
        qputenv("NUVOXA_CLOUD_HOST", m_http.host());
        qputenv("NUVOXA_WEB_HOST", "web.example:8080");
        m_local = UpdateCheck::readLocal();
        QVERIFY2(m_local.valid && !m_local.entries.isEmpty(), "clientCheck.xml of the build");
    }

    void init()
    {
        TestUtil::clearDataDir();
        QFile::remove(Autostart::entryPath());
        m_desktop = RecordingDesktop();
        g_account = QStringLiteral("80012345");
        g_password = QStringLiteral("secret");
        g_autoStart = false;
    }

    void buildsTheFormAndShowsEachPage()
    {
        SettingDlg dlg;
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("系统设置"));
        QCOMPARE(dlg.size(), QSize(617, 507));
        QVERIFY(dlg.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(child<QLabel>(child<QWidget>(&dlg, "widget"), "label")->text(), QStringLiteral("  系统设置"));
        auto *stack = child<QStackedWidget>(&dlg, "stackedWidget");
        QCOMPARE(stack->currentIndex(), 1);
        QVERIFY(child<QRadioButton>(&dlg, "radioButton_2")->isChecked());
        QVERIFY(child<QToolButton>(&dlg, "toolButton_20")->isHidden());
        QVERIFY(child<QLabel>(&dlg, "label_14")->isHidden());
        QCOMPARE(child<QLabel>(&dlg, "label_20")->text(),
                 QStringLiteral("<a href = http://web.example:8080>http://web.example:8080</a>"));
        TestUtil::saveScreenshot(&dlg, QStringLiteral("settings_basic"));

        // A selector is framed while its page shows: it looks other than it
        // did before any was chosen.
        QHash<QString, QImage> plain;
        for (const char *name : {"frame_8", "frame_5", "frame_6"})
            plain[name] = child<ClickFrame>(&dlg, name)->grab().toImage();
        auto framed = [&](const char *name) { return child<ClickFrame>(&dlg, name)->grab().toImage() != plain[name]; };
        auto *frame5 = child<ClickFrame>(&dlg, "frame_5");
        QTest::mousePress(frame5, Qt::LeftButton);
        QCOMPARE(stack->currentIndex(), 2);
        QTest::mousePress(frame5, Qt::RightButton);
        QCOMPARE(stack->currentIndex(), 2);
        QVERIFY(framed("frame_5"));
        QVERIFY(!framed("frame_8"));
        QVERIFY(!framed("frame_6"));
        TestUtil::saveScreenshot(&dlg, QStringLiteral("settings_upgrade"));

        // The label and the icon of a selector select it too.
        QTest::mousePress(child<QLabel>(&dlg, "label_6"), Qt::LeftButton);
        QCOMPARE(stack->currentIndex(), 0);
        QVERIFY(!framed("frame_5"));
        QVERIFY(framed("frame_6"));
        TestUtil::saveScreenshot(&dlg, QStringLiteral("settings_about"));
        auto *icon = child<QToolButton>(&dlg, "toolButton_21");
        QTest::mousePress(dlg.childAt(icon->mapTo(&dlg, icon->rect().center())), Qt::LeftButton);
        QCOMPARE(stack->currentIndex(), 1);
    }

    void autostartIsWrittenOnlyWhenTheBoxChanges()
    {
        g_autoStart = true;
        {
            SettingDlg dlg;
            dlg.show();
            QVERIFY(child<QCheckBox>(&dlg, "cbAuto_2")->isChecked());
            QTest::mouseClick(child<QPushButton>(&dlg, "pushButton_2"), Qt::LeftButton);
            QVERIFY(!dlg.isVisible());
            QVERIFY(!QFile::exists(Autostart::entryPath()));
        }

        g_autoStart = false;
        {
            SettingDlg dlg;
            dlg.show();
            QVERIFY(!child<QCheckBox>(&dlg, "cbAuto_2")->isChecked());
            child<QCheckBox>(&dlg, "cbAuto_2")->setChecked(true);
            QTest::mouseClick(child<QPushButton>(&dlg, "pushButton_2"), Qt::LeftButton);
        }
        QVERIFY(g_autoStart);
        QVERIFY(Autostart::exists());
        const QString entry = TestUtil::readFile(Autostart::entryPath());
        QVERIFY2(entry.contains(QStringLiteral("\nExec=") + QCoreApplication::applicationFilePath() + "\n"),
                 qPrintable(entry));
        QVERIFY(QCoreApplication::applicationFilePath().startsWith(QLatin1Char('/')));

        {
            SettingDlg dlg;
            dlg.show();
            QVERIFY(child<QCheckBox>(&dlg, "cbAuto_2")->isChecked());
            child<QCheckBox>(&dlg, "cbAuto_2")->setChecked(false);
            QTest::mouseClick(child<QPushButton>(&dlg, "pushButton_2"), Qt::LeftButton);
        }
        QVERIFY(!g_autoStart);
        QVERIFY(!QFile::exists(Autostart::entryPath()));
    }

    void autologinFollowsTheBoxOnOkOnly()
    {
        {
            SettingDlg dlg;
            QVERIFY(!child<QCheckBox>(&dlg, "cbAuto")->isChecked());
            child<QCheckBox>(&dlg, "cbAuto")->setChecked(true);
            QTest::mouseClick(child<QPushButton>(&dlg, "pushButton_2"), Qt::LeftButton);
        }
        SettingsStore::Account stored;
        QVERIFY(SettingsStore::readAutoLogin(&stored));
        QCOMPARE(stored, qMakePair(g_account, g_password));
        QCOMPARE(TestUtil::fileMode(SettingsStore::autoLoginFile()), 0600);

        SettingDlg dlg;
        dlg.show();
        auto *box = child<QCheckBox>(&dlg, "cbAuto");
        QVERIFY(box->isChecked());
        box->setChecked(false);
        QTest::mouseClick(child<QPushButton>(&dlg, "pushButton"), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QVERIFY(SettingsStore::autoLoginExists());
        dlg.show();
        dlg.refreshBasicSettings();
        QVERIFY(box->isChecked());

        box->setChecked(false);
        QTest::mouseClick(child<QPushButton>(&dlg, "pushButton_2"), Qt::LeftButton);
        QVERIFY(!SettingsStore::autoLoginExists());
    }

    void linksOpenTheSiteAndTheAgreement()
    {
        SettingDlg dlg;
        dlg.show();
        QMetaObject::invokeMethod(child<QLabel>(&dlg, "label_20"), "linkActivated",
                                  Q_ARG(QString, QStringLiteral("http://elsewhere.example/")));
        QCOMPARE(m_desktop.urls, QList<QUrl>{QUrl(QStringLiteral("http://web.example:8080"))});

        QMetaObject::invokeMethod(child<QLabel>(&dlg, "label_21"), "linkActivated",
                                  Q_ARG(QString, QStringLiteral("x")));
        UserDlg *agreement = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *user = qobject_cast<UserDlg *>(window); user && user->isVisible())
                agreement = user;
        }
        QVERIFY(agreement);
        QCOMPARE(agreement->windowTitle(), QStringLiteral("用户协议"));
    }

    void equalVersionsSayLatest()
    {
        publish(manifest(m_local.version, {QStringLiteral("x.bin")}));
        SettingDlg dlg;
        dlg.show();
        ModalAnswerer answerer;
        answerer.answer(QStringLiteral("确定"));
        checkForUpdate(dlg);
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().title, QStringLiteral("Nuvoxa"));
        QCOMPARE(answerer.last().text, QStringLiteral("您当前使用的已是最新版本!"));
        QCOMPARE(answerer.last().icon, QStringLiteral("information"));
        QCOMPARE(answerer.last().buttons, QStringList{QStringLiteral("确定")});
        QVERIFY(child<QToolButton>(&dlg, "toolButton_20")->isHidden());
        QVERIFY(child<QLabel>(&dlg, "label_14")->isHidden());
    }

    void differentVersionsOfferWhatIsMissingLocally()
    {
        const QString a = QStringLiteral("a.bin"), c = QStringLiteral("image/c.png");
        const QString known = m_local.entries.first();
        SettingDlg dlg;
        dlg.show();
        ModalAnswerer answerer;

        // An older server version is an update too: only inequality counts.
        publish(manifest(QStringLiteral("0.0.1-old"), {a, known, c}));
        checkForUpdate(dlg);
        QCOMPARE(dlg.downloadList(), (QStringList{a, c}));
        QVERIFY(!child<QToolButton>(&dlg, "toolButton_20")->isHidden());
        QVERIFY(!child<QLabel>(&dlg, "label_14")->isHidden());
        QTest::mousePress(child<ClickFrame>(&dlg, "frame_5"), Qt::LeftButton);
        TestUtil::saveScreenshot(&dlg, QStringLiteral("settings_update_available"));

        // One local entry removes one server entry.
        publish(manifest(QStringLiteral("9.9"), {known, known}));
        checkForUpdate(dlg);
        QCOMPARE(dlg.downloadList(), QStringList{known});
        QCOMPARE(answerer.count(), 0);
    }

    void brokenAnswersChangeNothing()
    {
        SettingDlg dlg;
        dlg.show();
        ModalAnswerer answerer;
        m_http.set("/cloud/pc/onlieUpdate.xml", "<update ver=\"9\"><file>a</file>");
        checkForUpdate(dlg);
        // An error page that happens to be XML is not a manifest either.
        m_http.set("/cloud/pc/onlieUpdate.xml", manifest(QStringLiteral("9"), {QStringLiteral("a")}), 404);
        checkForUpdate(dlg);
        m_http.set("/cloud/pc/onlieUpdate.xml", "");
        checkForUpdate(dlg);
        // A newer manifest whose signature does not verify offers nothing.
        publish(manifest(QStringLiteral("9"), {QStringLiteral("a")}));
        m_http.set("/cloud/pc/onlieUpdate.xml.minisig", TestUpdateKey().sign("<update ver=\"9\"/>"));
        qputenv("NUVOXA_UPDATE_PUBKEY", m_key.publicKey().toLatin1());
        checkForUpdate(dlg);
        m_http.set("/cloud/pc/onlieUpdate.xml.minisig", "Not Found", 404);
        checkForUpdate(dlg);
        QCOMPARE(answerer.count(), 0);
        QVERIFY(child<QToolButton>(&dlg, "toolButton_20")->isHidden());
        QVERIFY(dlg.downloadList().isEmpty());
    }

    void updateNowHandsOverOnlyWhenThereIsSomethingToFetch()
    {
        SettingDlg dlg;
        dlg.show();
        auto *updateNow = child<QToolButton>(&dlg, "toolButton_20");
        QVERIFY(!quitRequestedBy([&] { updateNow->click(); }));
        QVERIFY(m_desktop.started.isEmpty());

        publish(manifest(QStringLiteral("9.9"), {QStringLiteral("a.bin"), QStringLiteral("b.bin")}));
        checkForUpdate(dlg);
        QVERIFY(quitRequestedBy([&] { updateNow->click(); }));
        QCOMPARE(m_desktop.started.size(), 1);
        QCOMPARE(m_desktop.started.first().first, UpdateCheck::updaterPath());
        QCOMPARE(m_desktop.started.first().second,
                 (QStringList{QStringLiteral("--"), QStringLiteral("a.bin"), QStringLiteral("b.bin")}));

        // An updater that cannot start must not leave the user without a client.
        m_desktop.startResult = false;
        ModalAnswerer answerer;
        answerer.answer(QStringLiteral("确定"));
        QVERIFY(!quitRequestedBy([&] { updateNow->click(); }));
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().title, QStringLiteral("Nuvoxa"));
        QCOMPARE(answerer.last().text, QStringLiteral("更新程序无法启动"));
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
