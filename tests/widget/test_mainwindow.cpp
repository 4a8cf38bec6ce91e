// The main window driven through its real widgets with the voice-library
// test double: pages, dial pad, placing calls, call state, balance, account
// pages, tray and exit, popup and menus.
#include "app/globals.h"
#include "app/numberinbox.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "core/hosts.h"
#include "core/numberlink.h"
#include "login/widget.h"
#include "mainwindow/callstate.h"
#include "mainwindow/mianwindow.h"
#include "modalanswerer.h"
#include "platform/desktop.h"
#include "records/addfriend.h"
#include "settings/settingdlg.h"
#include "testutil.h"
#include "widgets/hlmenu.h"
#include "widgets/leavetimewidget.h"
#include "windowdriver.h"

#include <QAction>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

namespace {

class RecordingDesktop : public Desktop
{
public:
    QList<QUrl> opened;
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
};

std::vector<std::string> args(const std::string &function)
{
    std::vector<std::string> out;
    for (const auto &call : CallSdkDouble::callsTo(function))
        out.push_back(call.args.empty() ? std::string() : call.args.front());
    return out;
}

}  // namespace

using WindowDriver::kHints;
using WindowDriver::lines;

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    MianWindow *w = nullptr;
    RecordingDesktop desktop;

    template<typename T> T *child(const char *name) { return WindowDriver::child<T>(w, name); }
    QLineEdit *input() { return child<QLineEdit>("leInput"); }
    QListWidget *hints() { return child<QListWidget>("listWidget_2"); }
    QPushButton *hangUp() { return child<QPushButton>("pushButton_3"); }
    QListWidget *history() { return child<QListWidget>("listWidget"); }
    void click(const char *name) { QTest::mouseClick(child<QToolButton>(name), Qt::LeftButton); }
    void poll() { QMetaObject::invokeMethod(w, "onTimerOut"); }
    void tick() { QMetaObject::invokeMethod(w, "onTimerOut_1"); }
    void type(const QString &digits)
    {
        for (QChar c : digits) {
            if (c == '0') {
                QTest::mouseClick(child<QToolButton>("d11"), Qt::LeftButton);
            } else {
                const QString names = "123456789";
                click(qPrintable(QString("d%1").arg(names.indexOf(c) + 1)));
            }
        }
    }

private slots:
    void initTestCase() { Startup::installLook(); }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
        NumberInbox::instance().take();
        Desktop::setInstance(&desktop);
        desktop.opened.clear();
        g_account = "1001";
        g_password = "secret";
        g_bindPhone = "13800000000";
        g_balance = "12.50";
        g_adReady = false;
        g_callState = 0;
        w = new MianWindow;
        w->move(100, 50);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        CallSdkDouble::clearCalls();
    }

    void cleanup()
    {
        delete w;
        w = nullptr;
        Desktop::setInstance(nullptr);
    }

    void constructionShowsAccountAndIdlePage()
    {
        QCOMPARE(w->windowTitle(), QString("Nuvoxa"));
        QCOMPARE(w->size(), QSize(300, 515));  // no advertisement yet
        QCOMPARE(child<QLabel>("label")->text(), QString("1001"));
        QCOMPARE(child<QLabel>("label_3")->text(), QString("12.50元"));
        QCOMPARE(child<QLabel>("label_2")->text(), QString("绑定号码:13800000000"));
        QVERIFY(hangUp()->isHidden());
        QCOMPARE(lines(hints()), kHints);
        QVERIFY(CallSdkDouble::hasCallback());
        QCOMPARE(child<QToolButton>("tbSetting")->toolTip(), QString("基本设置"));
    }

    void userTextIsNeverRichText()
    {
        delete w;
        g_account = "<b>x</b>";
        g_balance = "<img src=x>";
        g_bindPhone = "<i>1</i>";
        w = new MianWindow;
        QCOMPARE(child<QLabel>("label")->textFormat(), Qt::PlainText);
        QCOMPARE(child<QLabel>("label_3")->textFormat(), Qt::PlainText);
        QCOMPARE(child<QLabel>("label_2")->textFormat(), Qt::PlainText);
        QCOMPARE(child<QLabel>("label")->text(), QString("<b>x</b>"));
    }

    void advertisementSizes()
    {
        w->showAdvert();
        QCOMPARE(w->size(), QSize(300, 575));
        // A left click on the advertisement opens the free-call page with the token.
        QList<QLabel *> labels = w->findChildren<QLabel *>();
        QLabel *advert = nullptr;
        for (QLabel *l : labels)
            if (l->geometry() == QRect(6, 515, 288, 53))
                advert = l;
        QVERIFY(advert);
        QTest::mouseClick(advert, Qt::RightButton);
        QVERIFY(desktop.opened.isEmpty());
        QTest::mouseClick(advert, Qt::LeftButton);
        QCOMPARE(desktop.opened.size(), 1);
        QVERIFY(desktop.opened.first().toString().contains("/free_call.aspx?v="));
    }

    void tabsActLikeRadioButtons()
    {
        auto *tb2 = child<QToolButton>("tb2");
        auto *tb3 = child<QToolButton>("tb3");
        auto *contacts = child<QToolButton>("tb2_2");
        auto *pages = child<QStackedWidget>("stackedWidget");
        QVERIFY(tb2->isChecked() && !tb2->isEnabled());
        QTest::mouseClick(tb3, Qt::LeftButton);
        QCOMPARE(pages->currentIndex(), 1);
        QVERIFY(!tb2->isChecked() && tb2->isEnabled() && !tb3->isEnabled());
        // The checked tab is disabled: clicking it again changes nothing.
        QTest::mouseClick(tb3, Qt::LeftButton);
        QVERIFY(tb3->isChecked());
        QCOMPARE(pages->currentIndex(), 1);
        QTest::mouseClick(contacts, Qt::LeftButton);
        QCOMPARE(pages->currentIndex(), 2);
        QVERIFY(!tb3->isChecked() && tb3->isEnabled());
        QTest::mouseClick(tb2, Qt::LeftButton);
        QCOMPARE(pages->currentIndex(), 0);
    }

    void settingsDialogIsReplacedWhenHidden()
    {
        click("tbSetting");
        QPointer<SettingDlg> first = w->findChild<SettingDlg *>();
        QVERIFY(!first);  // the dialog has no parent: find it among the top-levels
        SettingDlg *shown = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *dlg = qobject_cast<SettingDlg *>(top); dlg && dlg->isVisible())
                shown = dlg;
        QVERIFY(shown);
        first = shown;
        click("tbSetting");
        QVERIFY(first && first->isVisible());  // a shown dialog is reused
        first->hide();
        click("tbSetting");
        QVERIFY(!first);  // a hidden one was deleted and a new one shown
        int visible = 0;
        for (QWidget *top : QApplication::topLevelWidgets())
            visible += qobject_cast<SettingDlg *>(top) && top->isVisible();
        QCOMPARE(visible, 1);
    }

    void audioTestOpensModally()
    {
        ModalAnswerer answerer;  // closes the dialog again
        click("tbTest");
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().buttons.contains("开始测试"), true);
    }

    void keysInsertAtTheCursorAndSendTones()
    {
        type("123");
        QCOMPARE(input()->text(), QString("123"));
        input()->setSelection(1, 1);
        click("d5");
        QCOMPARE(input()->text(), QString("153"));
        QCOMPARE(input()->cursorPosition(), 2);
        click("d10");
        click("d12");
        QCOMPARE(input()->text(), QString("15*#3"));
        QCOMPARE(args("dtmf"), (std::vector<std::string>{"1", "2", "3", "5", "*", "#"}));
    }

    void fullFieldKeepsTwentyFiveCharacters()
    {
        input()->setText(QString(25, '1'));
        QTest::keyClick(input(), Qt::Key_2);  // the keyboard acts as the key pad
        QCOMPARE(input()->text(), QString(25, '1'));
        input()->setCursorPosition(25);
        click("d2");
        QCOMPARE(input()->text(), QString(25, '1'));
        input()->setCursorPosition(0);
        click("d2");
        QCOMPARE(input()->text(), "2" + QString(24, '1'));
        QCOMPARE(CallSdkDouble::countOf("dtmf"), 3);  // sent either way
        QTest::keyClicks(input(), "ab");
        QCOMPARE(input()->text().size(), 25);
    }

    // Held past a second (KeyHold times it), 0 gives + and delete clears.
    void longPressesDecideOnRelease()
    {
        auto *zero = child<QToolButton>("d11");
        auto *del = child<QToolButton>("tbDel");
        QTest::mouseClick(zero, Qt::LeftButton);
        QCOMPARE(input()->text(), QString("0"));
        QTest::mousePress(zero, Qt::LeftButton);
        QTest::qWait(1100);
        QTest::mouseRelease(zero, Qt::LeftButton);
        QCOMPARE(input()->text(), QString("0+"));
        QCOMPARE(args("dtmf"), (std::vector<std::string>{"0", "+"}));

        input()->setText("12345");
        QTest::mousePress(del, Qt::LeftButton);
        QCOMPARE(input()->text(), QString("1234"));  // one character at once
        QTest::mouseRelease(del, Qt::LeftButton);
        QCOMPARE(input()->text(), QString("1234"));
        QTest::mousePress(del, Qt::LeftButton);
        QTest::qWait(1100);
        QTest::mouseRelease(del, Qt::LeftButton);
        QCOMPARE(input()->text(), QString());
    }

    void hintLineClicks()
    {
        hints()->clear();
        w->fillHintList();
        QListWidgetItem *mobile = hints()->item(0);
        QMetaObject::invokeMethod(w, "onItemClicked", Q_ARG(QListWidgetItem *, mobile));
        QCOMPARE(input()->text(), QString());
        QMetaObject::invokeMethod(w, "onItemClicked", Q_ARG(QListWidgetItem *, hints()->item(3)));
        QCOMPARE(input()->text(), QString("10000000000"));
        // Suggestion lines (11 pt) give the part after the double blank.
        auto *suggestion = new QListWidgetItem("张三  13912345678", hints());
        QFont font = suggestion->font();
        font.setPointSize(11);
        suggestion->setFont(font);
        QMetaObject::invokeMethod(w, "onItemClicked", Q_ARG(QListWidgetItem *, suggestion));
        QCOMPARE(input()->text(), QString("13912345678"));
        // (Changing the field renewed the list: make the line again.)
        auto *spaced = new QListWidgetItem("Li  Lei  13912345670", hints());
        spaced->setFont(font);
        QMetaObject::invokeMethod(w, "onItemClicked", Q_ARG(QListWidgetItem *, spaced));
        QCOMPARE(input()->text(), QString("13912345670"));
        // Clearing the field brings the hint lines back.
        input()->clear();
        QCOMPARE(lines(hints()), kHints);

        // The progress line of a failed call gives its number only.
        CallSdkDouble::setMakeCallResult(0);
        input()->setText("13912345678");
        {
            ModalAnswerer answerer;
            answerer.answer("确定");
            click("d13");
        }
        QListWidgetItem *progress = hints()->item(0);
        QCOMPARE(progress->text(), QString(" 正在呼叫：13912345678"));
        QMetaObject::invokeMethod(w, "onItemClicked", Q_ARG(QListWidgetItem *, progress));
        QCOMPARE(input()->text(), QString("13912345678"));
    }

    void emptyFieldPlacesNoCall()
    {
        click("d13");
        click("d14");
        QCOMPARE(CallSdkDouble::countOf("make_call"), 0);
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 0);
        QCOMPARE(CallSdkDouble::countOf("getBalance"), 0);
    }

    void directCallShowsProgressAndHangUp()
    {
        type("13912345678");
        click("d13");
        QCOMPARE(args("EnaleG729"), std::vector<std::string>{"1"});
        QCOMPARE(args("make_call"), std::vector<std::string>{"13912345678"});
        QCOMPARE(lines(hints()), QStringList{" 正在呼叫：13912345678"});
        QCOMPARE(hints()->item(0)->font().pointSize(), 11);
        QVERIFY(!hangUp()->isHidden());
        TestUtil::saveScreenshot(w, "main-dialling");

        // Both call keys and the key pad do nothing more during the call
        // than sending tones.
        click("d13");
        click("d14");
        QCOMPARE(CallSdkDouble::countOf("make_call"), 1);
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 0);
    }

    void serviceNumberIsAlwaysDirect()
    {
        input()->setText("10000000000");
        click("d14");
        QCOMPARE(args("EnaleG729"), std::vector<std::string>{"0"});
        QCOMPARE(args("make_call"), std::vector<std::string>{"10000000000"});
        QCOMPARE(CallSdkDouble::countOf("getBalance"), 0);
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 0);
    }

    void refusedCharactersShowTheBox_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("number");
        for (const char *key : {"d13", "d14"}) {
            QTest::addRow("%s +", key) << key << "+8613912345678";
            QTest::addRow("%s *", key) << key << "139*12345678";
            QTest::addRow("%s #", key) << key << "13912345678#";
        }
    }

    void refusedCharactersShowTheBox()
    {
        QFETCH(QString, key);
        QFETCH(QString, number);
        input()->setText(number);
        ModalAnswerer answerer;
        answerer.answer("确定");
        click(qPrintable(key));
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("无效被叫号码"));
        QCOMPARE(answerer.last().buttons, QStringList{"确定"});
        QCOMPARE(history()->count(), 0);
        QCOMPARE(CallSdkDouble::countOf("make_call"), 0);
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 0);
        QVERIFY(hangUp()->isHidden());
    }

    void failedCallIsReportedAndRecorded_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("direct call not started") << "d13";
        QTest::newRow("callback refused") << "d14";
    }

    void failedCallIsReportedAndRecorded()
    {
        QFETCH(QString, key);
        CallSdkDouble::setMakeCallResult(0);
        CallSdkDouble::setMakeCallBackResult(0);
        input()->setText("13912345678");
        ModalAnswerer answerer;
        answerer.answer("确定");
        click(qPrintable(key));
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("呼叫失败，请稍后再试！"));
        QCOMPARE(answerer.last().buttons, QStringList{"确定"});
        QVERIFY(hangUp()->isHidden());
        // A refused callback promises no ringing phone.
        leaveTimeWidget *popup = TestUtil::topLevel<leaveTimeWidget>();
        QVERIFY(!popup || !popup->isVisible());
        QCOMPARE(history()->count(), 1);
        if (key == "d13")
            QCOMPARE(lines(hints()), QStringList{" 正在呼叫：13912345678"});
    }

    void callbackRefreshesBoundPhoneAndShowsThePopup()
    {
        CallSdkDouble::setBalanceText("13700000000|9.00");
        input()->setText("13912345678");
        click("d14");
        QCOMPARE(g_bindPhone, QString("13700000000"));
        QCOMPARE(child<QLabel>("label_2")->text(), QString("绑定号码:13700000000"));
        const auto calls = CallSdkDouble::callsTo("make_call_back");
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].args, (std::vector<std::string>{"13912345678", "13700000000"}));
        leaveTimeWidget *popup = TestUtil::topLevel<leaveTimeWidget>();
        QVERIFY(popup && popup->isVisible());
        QCOMPARE(popup->pos(), w->pos() + QPoint(20, 300));
        auto *message = popup->findChild<QLabel *>("label");
        QVERIFY(message->text().startsWith("正在呼叫：13912345678，稍后您的电话将会响铃"));
        QVERIFY(popup->findChild<QLabel *>("label_2")->isHidden());
        // A callback leaves no call state: the keys stay usable.
        QVERIFY(hangUp()->isHidden());
    }

    void callbackToTheOwnNumberIsRefused()
    {
        input()->setText("13800000000");
        ModalAnswerer answerer;
        answerer.answer("是");
        click("d14");
        QCOMPARE(answerer.last().title, QString("呼叫失败"));
        QCOMPARE(answerer.last().text, QString("主叫和被叫电话号码不能一样！"));
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 0);
    }

    void callbackWithoutBoundPhoneOffersTheBindLink()
    {
        delete w;
        g_bindPhone.clear();
        w = new MianWindow;
        w->move(0, 0);
        w->show();
        // The header offers the bind page with the account token.
        auto *label2 = child<QLabel>("label_2");
        QVERIFY(label2->text().contains("/Reg_suc2.aspx?v="));
        CallSdkDouble::setPwdText("5ebe2294ecd0e0f08eab7690d2a6ee69");
        QMetaObject::invokeMethod(w, "slotLink", Q_ARG(QString, "ignored"));
        const QString token = QByteArray("1001|5ebe2294ecd0e0f08eab7690d2a6ee69").toBase64();
        QCOMPARE(desktop.opened.last().toString(),
                 Hosts::webBase() + "/Reg_suc2.aspx?v=" + token);

        CallSdkDouble::setBalanceText("|9.00");
        input()->setText("13912345678");
        click("d14");
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 0);
        leaveTimeWidget *popup = TestUtil::topLevel<leaveTimeWidget>();
        QVERIFY(popup && popup->isVisible());
        QCOMPARE(popup->findChild<QLabel *>("label")->text(),
                 QString("绑定手机号码才能使用该功能（绑定成功可获得免费分钟数）。"));
        auto *link = popup->findChild<QLabel *>("label_2");
        QVERIFY(!link->isHidden());
        TestUtil::saveScreenshot(popup, "main-bind-popup");
        // The link opens the bind page and leaves the popup up.
        const int before = desktop.opened.size();
        QMetaObject::invokeMethod(link, "linkActivated", Q_ARG(QString, "x"));
        QCOMPARE(desktop.opened.size(), before + 1);
        QVERIFY(desktop.opened.last().toString().startsWith(Hosts::webBase() + "/Reg_suc2.aspx?v="));
        QVERIFY(popup->isVisible());
        // A following "calling" message hides the link again.
        CallSdkDouble::setBalanceText("13700000000|9.00");
        click("d14");
        QVERIFY(link->isHidden());
    }

    void popupClosesSixSecondsAfterTheLastMessage()
    {
        input()->setText("13912345678");
        click("d14");
        leaveTimeWidget *popup = TestUtil::topLevel<leaveTimeWidget>();
        QTest::qWait(4000);
        click("d14");
        QTest::qWait(4000);
        QVERIFY(popup->isVisible());  // 8 s after the first, 4 s after the second
        QTRY_VERIFY_WITH_TIMEOUT(!popup->isVisible(), 3000);
    }

    void popupIsPlacedUnclamped()
    {
        w->move(-500, 5000);
        input()->setText("13912345678");
        click("d14");
        QCOMPARE(TestUtil::topLevel<leaveTimeWidget>()->pos(), QPoint(-480, 5300));
    }

    // The keyboard works the dial page wherever the focus is in the window:
    // script tokens are characters, BS, Enter, CtrlEnter, HeldCtrlEnter (an
    // auto-repeat), Esc, CtrlV; "calls" lists the voice-library calls made.
    void keyboardDials_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("box");

        QTest::newRow("keys in the field send tones")
            << "leInput" << 0 << "" << "" << "1 * # + 0" << "1*#+0"
            << QStringList{"dtmf 1", "dtmf *", "dtmf #", "dtmf +", "dtmf 0"} << "";
        QTest::newRow("keys on the hint list") << "listWidget_2" << 0 << "" << "" << "4 5" << "45"
                                               << QStringList{"dtmf 4", "dtmf 5"} << "";
        QTest::newRow("backspace on a pad key") << "d5" << 0 << "139" << "" << "BS" << "13" << QStringList{} << "";
        QTest::newRow("Enter dials directly") << "listWidget_2" << 0 << "13912345678" << "" << "Enter"
                                              << "13912345678" << QStringList{"make_call 13912345678"} << "";
        QTest::newRow("Ctrl+Enter calls back")
            << "d13" << 0 << "13912345678" << "" << "HeldCtrlEnter CtrlEnter" << "13912345678"
            << QStringList{"make_call_back 13912345678"} << "";
        QTest::newRow("Escape hangs up") << "leInput" << 0 << "13912345678" << "" << "Enter Esc" << ""
                                         << QStringList{"make_call 13912345678", "call_hangup"} << "";
        QTest::newRow("Escape without a call") << "leInput" << 0 << "139" << "" << "Esc" << "139"
                                               << QStringList{} << "";
        QTest::newRow("Ctrl+V pastes a link normalised")
            << "d1" << 0 << "" << "tel:+86-139-1234-5678" << "CtrlV" << "008613912345678" << QStringList{} << "";
        QTest::newRow("Ctrl+V refuses what is no number")
            << "leInput" << 0 << "139" << "call 139 now" << "CtrlV" << "139" << QStringList{} << NumberLink::refusal();
        QTest::newRow("other pages keep their keys") << "listWidget" << 1 << "139" << "" << "1 Enter" << "139"
                                                     << QStringList{} << "";
    }

    void keyboardDials()
    {
        QFETCH(QString, focus);
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(QString, clipboard);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        QFETCH(QString, box);
        QVERIFY(QTest::qWaitForWindowActive(w));
        input()->setText(field);
        QApplication::clipboard()->setText(clipboard);
        child<QToolButton>(page == 0 ? "tb2" : "tb3")->setChecked(true);
        auto *target = child<QWidget>(qPrintable(focus));
        target->setFocus();

        ModalAnswerer answerer;
        if (!box.isEmpty())
            answerer.answer("确定");
        for (const QString &key : keys.split(' ')) {
            if (key.size() == 1)
                QTest::keyClick(target, key.at(0).toLatin1());
            else if (key == "BS")
                QTest::keyClick(target, Qt::Key_Backspace);
            else if (key == "Enter")
                QTest::keyClick(target, Qt::Key_Return);
            else if (key == "CtrlEnter")
                QTest::keyClick(target, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
            else if (key == "HeldCtrlEnter") {
                QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier, QString(), true);
                QApplication::sendEvent(target, &held);
            } else if (key == "Esc")
                QTest::keyClick(target, Qt::Key_Escape);
            else if (key == "CtrlV")
                QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(input()->text(), expected);
        QStringList made;
        for (const auto &call : CallSdkDouble::calls()) {
            if (call.function == "dtmf" || call.function == "make_call" || call.function == "make_call_back"
                || call.function == "call_hangup")
                made << QString::fromStdString(call.function + (call.args.empty() ? "" : " " + call.args.front()))
                            .trimmed();
        }
        QCOMPARE(made, calls);
        QCOMPARE(answerer.count(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QCOMPARE(answerer.last().text, box);
    }

    // A number from a link fills the dial page and shows its suggestions,
    // but only the user places the call.
    void linkNumberIsShownNeverDialled_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("window shown") << "shown";
        QTest::newRow("window in the tray") << "hidden";
        QTest::newRow("before the login") << "before";
    }

    void linkNumberIsShownNeverDialled()
    {
        QFETCH(QString, when);
        const QString number = "008613912345678";
        QMetaObject::invokeMethod(w, "dataString", Q_ARG(QString, "张三"), Q_ARG(QString, number),
                                  Q_ARG(bool, false));
        child<QToolButton>("tb3")->setChecked(true);
        input()->setText("1");
        if (when == "hidden")
            w->hide();
        if (when == "before") {
            delete w;
            NumberInbox::instance().put(number);
            w = new MianWindow;
            QMetaObject::invokeMethod(w, "dataString", Q_ARG(QString, "张三"), Q_ARG(QString, number),
                                      Q_ARG(bool, false));
            QVERIFY(input()->text().isEmpty());  // not before the window shows
            w->show();
        } else {
            NumberInbox::instance().put(number);
        }
        QVERIFY(w->isVisible());
        QCOMPARE(child<QStackedWidget>("stackedWidget")->currentIndex(), 0);
        QCOMPARE(input()->text(), number);
        QVERIFY(lines(hints()).join('|').contains(number));
        QCOMPARE(NumberInbox::instance().take(), QString());
        QCOMPARE(CallSdkDouble::countOf("make_call"), 0);
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 0);
        QCOMPARE(CallSdkDouble::countOf("dtmf"), 0);
    }

    void historyDoubleClickFillsOnly()
    {
        QMetaObject::invokeMethod(w, "onWphone", Q_ARG(QString, "13912345678HL"));
        QCOMPARE(input()->text(), QString("13912345678"));
        QCOMPARE(CallSdkDouble::countOf("make_call"), 0);
        QMetaObject::invokeMethod(w, "onWphone", Q_ARG(QString, "13912345678"));
        QCOMPARE(CallSdkDouble::countOf("make_call"), 1);
        QMetaObject::invokeMethod(w, "on_pushButton_3_clicked");
        child<QToolButton>("tb3")->setChecked(true);
        QMetaObject::invokeMethod(w, "onHphone", Q_ARG(QString, "13912345670"));
        QCOMPARE(child<QStackedWidget>("stackedWidget")->currentIndex(), 0);
        QCOMPARE(CallSdkDouble::countOf("make_call_back"), 1);
    }

    void answeredThenEndedCall()
    {
        input()->setText("13912345678");
        click("d13");
        CallSdkDouble::deliverState("CALLING");
        CallSdkDouble::deliverState("EARLY");
        CallSdkDouble::deliverState("CONNECTING");
        poll();
        QCOMPARE(lines(hints()), QStringList{" 正在呼叫：13912345678"});  // nothing visible changed
        CallSdkDouble::deliverState("CONFIRMED");
        poll();
        for (int i = 0; i < 10; ++i)
            tick();
        QCOMPARE(lines(hints()), QStringList{"您与 13912345678 通话 00:00:10"});
        QCOMPARE(hints()->item(0)->font().pointSize(), 10);
        TestUtil::saveScreenshot(w, "main-connected");
        CallSdkDouble::setBalanceText("13800000000|11.80");
        CallSdkDouble::deliverState("DISCONNCTD");
        QCOMPARE(CallSdkDouble::countOf("call_hangup"), 1);  // from the callback thread
        poll();
        QVERIFY(hangUp()->isHidden());
        QCOMPARE(input()->text(), QString());
        QCOMPARE(lines(hints()), kHints);
        QCOMPARE(child<QLabel>("label_3")->text(), QString("11.80元"));

        // The handled report is gone: a next call keeps its display across
        // polls until it reports anything itself.
        input()->setText("13912345679");
        click("d13");
        poll();
        poll();
        QVERIFY(!hangUp()->isHidden());
        QCOMPARE(lines(hints()), QStringList{" 正在呼叫：13912345679"});
    }

    // Reports of an earlier call, still pending when the next call starts
    // (before or while make_call runs, as the library delivers them before
    // the new call's first state), never end or time the new call.
    void earlierCallsReportsLeaveTheNextCallAlone_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("duringMakeCall");
        QTest::newRow("end report before the dial") << QStringList{"DISCONNCTD"} << QStringList{"CALLING"};
        QTest::newRow("end report while dialling") << QStringList() << QStringList{"DISCONNCTD", "CALLING"};
        QTest::newRow("answer report before the dial") << QStringList{"CONFIRMED"} << QStringList{"CALLING"};
    }

    void earlierCallsReportsLeaveTheNextCallAlone()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, duringMakeCall);
        input()->setText("13912345678");
        click("d13");
        QTest::mouseClick(hangUp(), Qt::LeftButton);
        for (const QString &state : before)
            CallSdkDouble::deliverState(qPrintable(state));
        std::vector<std::string> states;
        for (const QString &state : duringMakeCall)
            states.push_back(state.toStdString());
        CallSdkDouble::setMakeCallStates(states);
        input()->setText("13912345679");
        click("d13");
        poll();
        QTest::qWait(1100);  // a wrongly started duration line would show by now
        poll();
        QVERIFY(!hangUp()->isHidden());
        QCOMPARE(lines(hints()), QStringList{" 正在呼叫：13912345679"});
        // The user can still hang up and call again.
        QTest::mouseClick(hangUp(), Qt::LeftButton);
        input()->setText("13912345670");
        click("d13");
        QCOMPARE(args("make_call").back(), std::string("13912345670"));
    }

    void answerAndEndWithinOnePoll()
    {
        input()->setText("13912345678");
        click("d13");
        CallSdkDouble::deliverState("CONFIRMED");
        CallSdkDouble::deliverState("DISCONNCTD");
        poll();
        QVERIFY(hangUp()->isHidden());
        QCOMPARE(lines(hints()), kHints);
    }

    void hangUpThenLateEndReport()
    {
        input()->setText("13912345678");
        click("d13");
        CallSdkDouble::deliverState("CONFIRMED");
        poll();
        tick();
        QTest::mouseClick(hangUp(), Qt::LeftButton);
        QVERIFY(hangUp()->isHidden());
        QCOMPARE(lines(hints()), kHints);
        QCOMPARE(CallSdkDouble::countOf("getBalance"), 0);
        CallSdkDouble::deliverState("DISCONNCTD");
        poll();
        QCOMPARE(lines(hints()), kHints);
        // The balance is refreshed once, five seconds after the hang-up.
        CallSdkDouble::setBalanceText("13800000000|10.00");
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("label_3")->text(), QString("10.00元"), 7000);
        QCOMPARE(CallSdkDouble::countOf("getBalance"), 1);

        // The next call's duration starts again at one second.
        input()->setText("13912345679");
        click("d13");
        CallSdkDouble::deliverState("CONFIRMED");
        poll();
        tick();
        QCOMPARE(lines(hints()), QStringList{"您与 13912345679 通话 00:00:01"});
    }

    void endReportWhileInTheTrayEndsTheCall()
    {
        input()->setText("13912345678");
        click("d13");
        CallSdkDouble::deliverState("CONFIRMED");
        poll();
        w->hide();
        CallSdkDouble::deliverState("DISCONNCTD");
        poll();
        QVERIFY(hangUp()->isHidden());
        w->show();
        QCOMPARE(lines(hints()), kHints);
    }

    void balanceRefreshTexts_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("two fields") << QByteArray("139|7.25") << "7.25元";
        QTest::newRow("empty fields") << QByteArray("|") << "元";
        QTest::newRow("no bar") << QByteArray("7.25") << "12.50元";
        QTest::newRow("nothing") << QByteArray() << "12.50元";
    }

    void balanceRefreshTexts()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, shown);
        CallSdkDouble::setBalanceText(answer.isNull() ? nullptr : answer.constData());
        QMetaObject::invokeMethod(w, "onTimerOut2");
        QCOMPARE(child<QLabel>("label_3")->text(), shown);
    }

    void accountPagesCarryTheToken()
    {
        CallSdkDouble::setPwdText("abc");
        click("tbYu");
        click("tbChong");
        const QString token = QString::fromLatin1(QByteArray("1001|abc").toBase64());
        QCOMPARE(desktop.opened.size(), 2);
        QCOMPARE(desktop.opened[0].toString(), Hosts::webBase() + "/user/usercenter.aspx?v=" + token);
        QCOMPARE(desktop.opened[1].toString(), Hosts::webBase() + "/pay_list?v=" + token);
        // Nothing is cached: a new password text gives a new token.
        CallSdkDouble::setPwdText("xyz");
        click("tbYu");
        QVERIFY(desktop.opened[2].toString().endsWith(QByteArray("1001|xyz").toBase64()));
        QMetaObject::invokeMethod(w, "onLinkActivated", Q_ARG(QString, ""));
        QCOMPARE(desktop.opened[3].toString(), Hosts::webBase() + "/free_call.aspx");
    }

    void trayRestoresOnPlainClickOnly()
    {
        w->hide();
        for (auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick,
                            QSystemTrayIcon::Context}) {
            QMetaObject::invokeMethod(w, "iconActivated",
                                      Q_ARG(QSystemTrayIcon::ActivationReason, reason));
            QVERIFY(!w->isVisible());
        }
        QMetaObject::invokeMethod(w, "iconActivated",
                                  Q_ARG(QSystemTrayIcon::ActivationReason, QSystemTrayIcon::Trigger));
        QVERIFY(w->isVisible());
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
    }

    void minimiseWithoutTrayDoesNotHide()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());  // offscreen has none
        w->showMinimized();
        QTest::qWait(50);
        QVERIFY(w->isVisible());
        w->showMaximized();
        QVERIFY(w->isVisible());
    }

    void closeQuestionKeepsRunningOnNo()
    {
        ModalAnswerer answerer;
        answerer.answer("否");
        w->close();
        QCOMPARE(answerer.last().title, QString("Nuvoxa"));
        QCOMPARE(answerer.last().text, QString("确定关闭Nuvoxa？"));
        QStringList buttons = answerer.last().buttons;
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"否", "是"}));
        QVERIFY(w->isVisible());
        // Escape (no scripted answer: the box is rejected) keeps it too.
        w->close();
        QCOMPARE(answerer.count(), 2);
        QVERIFY(w->isVisible());
    }

    void confirmedExitHangsUpAndExitsWithOne_data()
    {
        QTest::addColumn<int>("destroyMs");
        QTest::newRow("library ends at once") << 0;
        QTest::newRow("library slow to shut down") << 5000;
    }

    void confirmedExitHangsUpAndExitsWithOne()
    {
        QFETCH(int, destroyMs);
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({"--exit-child", QString::number(destroyMs)});
        child.start();
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QVERIFY2(out.endsWith("make_call\ncall_hangup\ncallSdkDestroy\n"), qPrintable(out));
    }

    // The message boxes of the main window, its contact dialog and the login
    // window, opened as the user opens them: exact texts, and every button
    // labelled in Chinese (the answerer also fails on any Latin label).
    void everyMessageBox()
    {
        struct Box
        {
            const char *what;
            std::function<void()> open;
            QString title, text;
            QStringList buttons;
            QString answer;
        };
        AddFriend addFriend;
        Widget login;
        const QList<Box> boxes = {
            {"invalid number", [&] { input()->setText("1#"); click("d13"); },
             "Nuvoxa", "无效被叫号码", {"确定"}, "确定"},
            {"same number", [&] { input()->setText("13800000000"); click("d14"); },
             "呼叫失败", "主叫和被叫电话号码不能一样！", {"是"}, "是"},
            {"call failed", [&] { CallSdkDouble::setMakeCallResult(0); input()->setText("139"); click("d13"); },
             "Nuvoxa", "呼叫失败，请稍后再试！", {"确定"}, "确定"},
            {"exit question", [&] { w->close(); }, "Nuvoxa", "确定关闭Nuvoxa？", {"否", "是"}, "否"},
            {"contact without number",
             [&] { addFriend.show(); QTest::mouseClick(addFriend.findChild<QToolButton *>("toolButton"), Qt::LeftButton); },
             "Nuvoxa", "电话号码不能为空", {"确定"}, "确定"},
            {"login without account",
             [&] { login.show(); login.findChild<QPushButton *>("pbLogin")->click(); },
             "Nuvoxa", "请输入账号", {"确定"}, "确定"},
        };
        for (const Box &box : boxes) {
            ModalAnswerer answerer;
            answerer.answer(box.answer);
            box.open();
            QVERIFY2(answerer.count() == 1, box.what);
            QCOMPARE(answerer.last().title, box.title);
            QCOMPARE(answerer.last().text, box.text);
            QStringList buttons = answerer.last().buttons;
            buttons.sort();
            QCOMPARE(buttons, box.buttons);
        }
        QVERIFY(w->isVisible());  // "否" kept the window
    }

    void historyMenuToolTips()
    {
        HLMenu menu;
        QAction *withTip = menu.addAction("网络直拨");
        withTip->setToolTip("直接拨打\n该号码");
        QAction *plain = menu.addAction("删除");
        menu.popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QHelpEvent over(QEvent::ToolTip, menu.actionGeometry(withTip).center(),
                        menu.mapToGlobal(menu.actionGeometry(withTip).center()));
        QApplication::sendEvent(&menu, &over);
        QCOMPARE(QToolTip::text(), QString("直接拨打\n该号码"));
        QHelpEvent overPlain(QEvent::ToolTip, menu.actionGeometry(plain).center(),
                             menu.mapToGlobal(menu.actionGeometry(plain).center()));
        QApplication::sendEvent(&menu, &overPlain);
        QTRY_VERIFY(!QToolTip::isVisible());
        MyMenu style;
        QCOMPARE(style.pixelMetric(QStyle::PM_SmallIconSize), 22);
    }
};

// The confirmed exit ends the process: run it in a child copy of this test
// program and report the voice-library calls it made on the way out.
static int exitChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    g_account = "1001";
    CallSdkDouble::setDestroyDelayMs(QByteArray(argv[2]).toInt());
    auto *w = new MianWindow;
    w->show();
    w->findChild<QLineEdit *>("leInput")->setText("13912345678");
    CallSdkDouble::traceCalls();
    QMetaObject::invokeMethod(w, "on_d13_clicked");
    ModalAnswerer answerer;
    answerer.answer("是");
    QTimer::singleShot(0, w, &QWidget::close);
    app.exec();
    return 0;  // not reached: the confirmed close exits with 1
}

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--exit-child")
        return exitChild(argc, argv);
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainwindow.moc"
