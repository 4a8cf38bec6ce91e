// History and contacts in the main window, driven through its real widgets
// with the voice-library test double: rows, menus, the contact dialogs, the
// dial-page suggestions, and what survives a restart.
#include "app/globals.h"
#include "app/settingsstore.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "mainwindow/mianwindow.h"
#include "records/addfriend.h"
#include "records/callrecord.h"
#include "records/editfriend.h"
#include "records/nofocusdelegate.h"
#include "records/recordstore.h"
#include "testutil.h"
#include "widgets/hlmenu.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

// Acts on modal windows and popup menus as they come up, one scripted step
// each. Steps that press a button do it from a fresh event, so a box the
// button opens in turn is seen by the next poll. Anything unscripted is
// closed, so a test fails instead of hanging.
class Steps : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    Steps()
    {
        connect(&m_timer, &QTimer::timeout, this, &Steps::poll);
        m_timer.start(10);
    }

    Steps &then(Step step)
    {
        m_steps.append(std::move(step));
        return *this;
    }
    // Presses the button (message box, dialog) or chooses the action (menu).
    Steps &press(const QString &text)
    {
        return then([text](QWidget *w) { pressIn(w, text); });
    }
    // Fills a contact dialog, then presses its first button.
    Steps &fill(const QString &name, const QString &number, const QString &button)
    {
        return then([=](QWidget *w) {
            w->findChild<QLineEdit *>("lineEdit")->setText(name);
            w->findChild<QLineEdit *>("lineEdit_2")->setText(number);
            pressIn(w, button);
        });
    }

    // Texts of boxes, titles of dialogs, the enabled actions of menus.
    QStringList seen;
    bool done() const { return m_steps.isEmpty(); }

private:
    static void pressIn(QWidget *w, const QString &text)
    {
        if (auto *menu = qobject_cast<QMenu *>(w)) {
            for (QAction *action : menu->actions()) {
                if (action->text() == text) {
                    const QPoint at = menu->actionGeometry(action).center();
                    QTimer::singleShot(0, menu, [menu, at] {
                        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
                    });
                    return;
                }
            }
            menu->close();
            return;
        }
        for (QAbstractButton *button : w->findChildren<QAbstractButton *>()) {
            if (button->text() == text) {
                QTimer::singleShot(0, button, &QAbstractButton::click);
                return;
            }
        }
    }

    void poll()
    {
        QWidget *w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) {
            m_current = nullptr;
            return;
        }
        // Once acted on, a window is left alone until another one is on top
        // of it or it has gone.
        if (w == m_current)
            return;
        m_current = w;
        w->installEventFilter(this);
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            seen << box->text();
        } else if (auto *menu = qobject_cast<QMenu *>(w)) {
            QStringList enabled;
            for (QAction *action : menu->actions()) {
                if (!action->isSeparator() && action->isEnabled())
                    enabled << action->text();
            }
            seen << enabled.join(',');
        } else {
            seen << w->windowTitle();
        }
        if (m_steps.isEmpty()) {
            if (auto *dialog = qobject_cast<QDialog *>(w))
                dialog->reject();
            else
                w->close();
        } else {
            m_steps.takeFirst()(w);
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_current && event->type() == QEvent::Hide)
            m_current = nullptr;
        return false;
    }

    QTimer m_timer;
    QList<Step> m_steps;
    QPointer<QWidget> m_current;
};

QStringList lines(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

const QStringList kHints = {"  手机 - 直接拨打", "  固话 - 区号+电话号码",
                            "  国际长途 - 00+国际区号+号码", "  客服热线：10000000000"};
const QString kService = QStringLiteral("Nuvoxa客服  10000000000");

}  // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private:
    MianWindow *w = nullptr;

    template<typename T> T *child(const char *name) { return w->findChild<T *>(name); }
    QLineEdit *input() { return child<QLineEdit>("leInput"); }
    QListWidget *history() { return child<QListWidget>("listWidget"); }
    QListWidget *contacts() { return child<QListWidget>("listWidget_3"); }
    QListWidget *hints() { return child<QListWidget>("listWidget_2"); }
    int page() { return child<QStackedWidget>("stackedWidget")->currentIndex(); }
    void showPage(const char *tab) { child<QToolButton>(tab)->setChecked(true); }

    void open()
    {
        w = new MianWindow;
        w->move(100, 50);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void restart()
    {
        delete w;
        open();
    }
    void call(const QString &number)
    {
        showPage("tb2");
        input()->setText(number);
        QTest::mouseClick(child<QToolButton>("d13"), Qt::LeftButton);
        QMetaObject::invokeMethod(w, "on_pushButton_3_clicked");
    }
    // The row's widget; rows get theirs once they are in view.
    CallRecord *row(QListWidget *list, int i)
    {
        list->scrollToItem(list->item(i));
        CallRecord *record = nullptr;
        [&] { QTRY_VERIFY((record = qobject_cast<CallRecord *>(list->itemWidget(list->item(i))))); }();
        return record;
    }
    QString label(CallRecord *record, const char *name)
    {
        return record->findChild<QLabel *>(name)->text();
    }
    void rightClick(CallRecord *record) { QTest::mouseClick(record, Qt::RightButton); }
    // Adds through the dialog; `then` answers what the dialog's button opens.
    void addContact(const QString &name, const QString &number, Steps *steps = nullptr,
                    const QStringList &then = {})
    {
        std::unique_ptr<Steps> local(steps ? nullptr : new Steps);
        Steps &script = steps ? *steps : *local;
        script.fill(name, number, "确定");
        for (const QString &answer : then)
            script.press(answer);
        input()->setText(number);
        QMetaObject::invokeMethod(w, "on_tbAdd_clicked");
        QVERIFY(script.done());
    }
    QStringList storedContacts()
    {
        QStringList out;
        for (const auto &c : ContactStore(g_account).load())
            out << c.name + "  " + c.phone;
        return out;
    }

private slots:
    void initTestCase()
    {
        Startup::installFontSubstitutes();
        qRegisterMetaType<PHONEDATA>();
    }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
        g_account = "1001";
        g_bindPhone = "13800000000";
        g_balance = "12.50";
        g_adReady = false;
        open();
    }

    void cleanup()
    {
        delete w;
        w = nullptr;
    }

    // History

    void sameNumberKeepsOneEntryMovedToTheTop()
    {
        call("555");
        call("444");
        QCOMPARE(lines(history()), (QStringList{"444", "555"}));
        call("555");
        QCOMPARE(lines(history()), (QStringList{"555", "444"}));
        CallRecord *top = row(history(), 0);
        QCOMPARE(label(top, "label"), QString("555"));
        QCOMPARE(label(top, "label_3"), QDateTime::currentDateTime().toString("yy.MM.dd hh:mm"));
        QCOMPARE(HistoryStore("1001").load().size(), 2);

        // Also across a restart; the list then is ordered by number.
        call("333");
        restart();
        QCOMPARE(lines(history()), (QStringList{"333", "444", "555"}));
        call("444");
        call("9");
        QCOMPARE(lines(history()), (QStringList{"9", "444", "333", "555"}));
        QCOMPARE(HistoryStore("1001").load().size(), 4);
    }

    void callbackAttemptsAreRecordedToo()
    {
        input()->setText("13912345678");
        QTest::mouseClick(child<QToolButton>("d14"), Qt::LeftButton);
        QCOMPARE(lines(history()), QStringList{"13912345678"});
        // With nothing typed a call key only brings back the newest number.
        input()->clear();
        QTest::mouseClick(child<QToolButton>("d13"), Qt::LeftButton);
        QCOMPARE(input()->text(), QString("13912345678"));
        QCOMPARE(CallSdkDouble::countOf("make_call"), 0);
    }

    void namesComeFromTheContactsFileWhenCalled()
    {
        ContactStore store("1001");
        store.save("zed", "123");
        store.save("amy", "123");
        call("10000000000");
        call("123");
        call("777");
        QCOMPARE(label(row(history(), 2), "label_2"), QString("Nuvoxa客服"));
        QCOMPARE(label(row(history(), 1), "label_2"), QString("amy"));
        QCOMPARE(label(row(history(), 0), "label_2"), QString());
        // The service number never offers a callback, in either list.
        QVERIFY(row(history(), 2)->findChild<QToolButton *>("toolButton_4")->isHidden());
        QVERIFY(!row(history(), 1)->findChild<QToolButton *>("toolButton_4")->isHidden());

        // Later changes to the contacts leave the history alone.
        store.remove(store.load().at(0).group);
        restart();
        QCOMPARE(label(row(history(), 0), "label_2"), QString("Nuvoxa客服"));
        QCOMPARE(label(row(history(), 1), "label_2"), QString("amy"));
    }

    void deleteOneActsOnTheRightClickedEntry()
    {
        for (const char *n : {"1", "2", "3"})
            call(n);
        showPage("tb3");
        history()->setCurrentRow(0);
        Steps steps;
        steps.press("删除该条记录").press("否");
        rightClick(row(history(), 2));
        QTRY_VERIFY(steps.done());
        QCOMPARE(lines(history()), (QStringList{"3", "2", "1"}));
        steps.press("删除该条记录").press("是");
        rightClick(row(history(), 2));
        QTRY_VERIFY(steps.done());
        QTRY_COMPARE(lines(history()), (QStringList{"3", "2"}));
        QCOMPARE(steps.seen, (QStringList{"删除该条记录,删除所有记录", "是否删除本条记录",
                                          "删除该条记录,删除所有记录", "是否删除本条记录"}));
        // The dropped entry is gone for good, and calling it again is safe.
        restart();
        QCOMPARE(lines(history()), (QStringList{"2", "3"}));
        call("1");
        call("1");
        QCOMPARE(lines(history()), (QStringList{"1", "2", "3"}));
    }

    void deleteAllRemovesTheFile()
    {
        call("1");
        call("2");
        showPage("tb3");
        Steps steps;
        steps.press("删除所有记录").press("是");
        rightClick(row(history(), 0));
        QTRY_VERIFY(steps.done());
        QTRY_COMPARE(history()->count(), 0);
        QCOMPARE(steps.seen, (QStringList{"删除该条记录,删除所有记录", "是否删除所有记录"}));
        QVERIFY(!QFileInfo::exists(SettingsStore::historyFile("1001")));
        call("2");
        QCOMPARE(lines(history()), QStringList{"2"});
        QCOMPARE(HistoryStore("1001").load().size(), 1);
        restart();
        QCOMPARE(lines(history()), QStringList{"2"});
    }

    // A call placed from a row's own button replaces that row.
    void callFromARowReplacesIt()
    {
        call("42");
        showPage("tb3");
        QPointer<CallRecord> old = row(history(), 0);
        QTest::mouseClick(old->findChild<QToolButton *>("toolButton_2"), Qt::LeftButton);
        QCOMPARE(page(), 0);
        QCOMPARE(CallSdkDouble::countOf("make_call"), 2);
        QCOMPARE(lines(history()), QStringList{"42"});
        QTRY_VERIFY(!old);
        QVERIFY(row(history(), 0));
    }

    void accountsNeverSeeEachOther()
    {
        call("1");
        addContact("a", "11");
        g_account = "2002";
        restart();
        QCOMPARE(history()->count(), 0);
        QCOMPARE(lines(contacts()), QStringList{kService});
        call("2");
        g_account = "1001";
        restart();
        QCOMPARE(lines(history()), QStringList{"1"});
        QCOMPARE(lines(contacts()), (QStringList{kService, "a  11"}));
    }

    // Contacts

    void serviceContactComesFirstAndIsNeverStored()
    {
        QCOMPARE(lines(contacts()), QStringList{kService});
        CallRecord *service = row(contacts(), 0);
        QCOMPARE(label(service, "label_2"), QString("Nuvoxa客服"));
        QVERIFY(service->findChild<QToolButton *>("toolButton_4")->isHidden());
        QVERIFY(service->findChild<QLabel *>("label_3")->isHidden());
        QVERIFY(!QFileInfo::exists(SettingsStore::contactsFile("1001")));
    }

    void addRefusesOnlyExactDuplicates()
    {
        Steps steps;
        addContact("张三", "123", &steps);
        addContact("李四", "123", &steps);
        QCOMPARE(lines(contacts()), (QStringList{kService, "张三  123", "李四  123"}));
        addContact("张三", "123", &steps, {"确定"});
        addContact("Nuvoxa客服", "10000000000", &steps, {"确定"});
        QTRY_VERIFY(steps.done());
        QCOMPARE(steps.seen.count("联系人已存在!"), 2);
        QCOMPARE(lines(contacts()), (QStringList{kService, "张三  123", "李四  123"}));
        QCOMPARE(storedContacts().size(), 2);
        restart();
        QCOMPARE(contacts()->count(), 3);
        QCOMPARE(contacts()->item(0)->text(), kService);
    }

    void addWithoutNumberAsksAndStaysOpen()
    {
        Steps steps;
        steps.fill("x", "", "确定").press("确定").press("取消");
        input()->clear();
        QMetaObject::invokeMethod(w, "on_tbAdd_clicked");
        QCOMPARE(steps.seen, (QStringList{"添加联系人", "电话号码不能为空", "添加联系人"}));
        QVERIFY(steps.done());
        QCOMPARE(contacts()->count(), 1);
    }

    void numberFieldsTakeDigitsOnly()
    {
        AddFriend add;
        EditFriend edit;
        for (QDialog *dialog : {static_cast<QDialog *>(&add), static_cast<QDialog *>(&edit)}) {
            QCOMPARE(dialog->windowTitle(), QString("添加联系人"));
            auto *number = dialog->findChild<QLineEdit *>("lineEdit_2");
            auto *name = dialog->findChild<QLineEdit *>("lineEdit");
            QTest::keyClicks(number, "1a2+b3 #*");
            QCOMPARE(number->text(), QString("123"));
            QTest::keyClicks(name, "a/b 1");
            QCOMPARE(name->text(), QString("a/b 1"));
        }
        add.setPhone("555");
        QCOMPARE(add.findChild<QLineEdit *>("lineEdit")->text(), QString());
        QCOMPARE(add.findChild<QLineEdit *>("lineEdit_2")->text(), QString("555"));
        QCOMPARE(edit.size(), QSize(271, 180));
    }

    void editReplacesTheGroupAndThePairBecomesADuplicate()
    {
        addContact("a", "1");
        addContact("b", "2");
        showPage("tb2_2");
        Steps steps;
        steps.press("编辑联系人").fill("c", "3", "修改");
        rightClick(row(contacts(), 1));
        QTRY_VERIFY(steps.done());
        QCOMPARE(lines(contacts()), (QStringList{kService, "c  3", "b  2"}));
        QCOMPARE(label(row(contacts(), 1), "label"), QString("3"));
        QCOMPARE(label(row(contacts(), 1), "label_2"), QString("c"));
        QStringList stored = storedContacts();
        stored.sort();
        QCOMPARE(stored, (QStringList{"b  2", "c  3"}));

        input()->setText("3");
        QCOMPARE(lines(hints()), QStringList{"c  3"});
        addContact("c", "3", &steps, {"确定"});
        QTRY_VERIFY(steps.done());
        QVERIFY(steps.seen.contains("联系人已存在!"));

        // An emptied number is accepted, stored and listed after a restart.
        steps.press("编辑联系人").fill("d", "", "修改");
        rightClick(row(contacts(), 1));
        QTRY_VERIFY(steps.done());
        restart();
        QCOMPARE(lines(contacts()), (QStringList{kService, "b  2", "d  "}));
    }

    void deleteAsksAndSurvivesRestart()
    {
        addContact("a", "1");
        addContact("b", "2");
        showPage("tb2_2");
        Steps steps;
        steps.press("从通讯录删除").press("否").press("从通讯录删除").press("是");
        rightClick(row(contacts(), 2));
        rightClick(row(contacts(), 2));
        QTRY_VERIFY(steps.done());
        QCOMPARE(steps.seen.at(1), QString("是否删该联系人"));
        QTRY_COMPARE(lines(contacts()), (QStringList{kService, "a  1"}));
        restart();
        QCOMPARE(lines(contacts()), (QStringList{kService, "a  1"}));
    }

    void serviceContactMenuOffersOnlyTheDirectCall()
    {
        addContact("a", "1");
        showPage("tb2_2");
        Steps steps;
        rightClick(row(contacts(), 0));
        rightClick(row(contacts(), 1));
        QTRY_COMPARE(steps.seen.size(), 2);
        QCOMPARE(steps.seen.at(0), QString("网络电话直拨"));
        QCOMPARE(steps.seen.at(1), QString("网络电话直拨,Nuvoxa回拨电话,编辑联系人,从通讯录删除"));
        // A right-click on the list itself picks the row under the pointer.
        const QPoint onService = contacts()->visualItemRect(contacts()->item(0)).center();
        QMetaObject::invokeMethod(w, "customMune", Q_ARG(QPoint, onService));
        QTRY_COMPARE(steps.seen.size(), 3);
        QCOMPARE(steps.seen.at(2), QString("网络电话直拨"));
        QCOMPARE(contacts()->currentRow(), 0);
        // The disabled entries do nothing even when reached another way.
        contacts()->setCurrentRow(0);
        QMetaObject::invokeMethod(w, "onDeletef");
        QMetaObject::invokeMethod(w, "onEditf");
        QCOMPARE(contacts()->count(), 2);
    }

    void contactMenuCallsTheRightClickedContact()
    {
        addContact("a", "111");
        addContact("b", "222");
        showPage("tb2_2");
        contacts()->setCurrentRow(1);
        Steps steps;
        steps.press("Nuvoxa回拨电话");
        rightClick(row(contacts(), 2));
        QTRY_VERIFY(steps.done());
        QTRY_COMPARE(CallSdkDouble::countOf("make_call_back"), 1);
        QCOMPARE(CallSdkDouble::callsTo("make_call_back").front().args.front(), std::string("222"));
        QCOMPARE(page(), 0);
        showPage("tb2_2");
        steps.press("网络电话直拨");
        rightClick(row(contacts(), 0));
        QTRY_COMPARE(CallSdkDouble::countOf("make_call"), 1);
        QCOMPARE(CallSdkDouble::callsTo("EnaleG729").back().args.front(), std::string("0"));
        QCOMPARE(input()->text(), QString("10000000000"));
    }

    void doubleClickFillsFromHistoryOnly()
    {
        call("555");
        addContact("a", "777");
        CallSdkDouble::clearCalls();
        input()->clear();
        showPage("tb2_2");
        QTest::mouseDClick(row(contacts(), 1), Qt::LeftButton);
        QCOMPARE(page(), 2);
        QCOMPARE(input()->text(), QString());
        showPage("tb3");
        QTest::mouseDClick(row(history(), 0), Qt::LeftButton);
        QCOMPARE(page(), 0);
        QCOMPARE(input()->text(), QString("555"));
        QCOMPARE(CallSdkDouble::countOf("make_call"), 0);
        QCOMPARE(history()->count(), 1);
    }

    // Names and numbers are text, never markup.
    void hostileNamesShowAsTextAndKeepTheirOwnData()
    {
        const QStringList names = {"<b>x</b>", "<img src=image/main.png>", "a/b", "x\\y", "a%2Fb"};
        for (const QString &name : names)
            addContact(name, "1");
        addContact("", "9");
        showPage("tb2_2");
        // Empty the last one entirely.
        Steps steps;
        steps.press("编辑联系人").fill("", "", "修改");
        rightClick(row(contacts(), 6));
        QTRY_VERIFY(steps.done());
        for (int i = 1; i <= names.size(); ++i) {
            QLabel *name = row(contacts(), i)->findChild<QLabel *>("label_2");
            QCOMPARE(name->text(), names.at(i - 1));
            QCOMPARE(name->textFormat(), Qt::PlainText);
        }
        restart();
        QStringList expected{kService};
        for (const QString &name : names)
            expected << name + "  1";
        expected << "  ";
        QStringList shown = lines(contacts());
        QCOMPARE(shown.first(), kService);
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()), QSet<QString>(expected.begin(), expected.end()));

        // Deleting one of them leaves all the others.
        showPage("tb2_2");
        const int aSlashB = shown.indexOf("a/b  1");
        steps.press("从通讯录删除").press("是");
        rightClick(row(contacts(), aSlashB));
        QTRY_VERIFY(steps.done());
        restart();
        expected.removeOne("a/b  1");
        shown = lines(contacts());
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()), QSet<QString>(expected.begin(), expected.end()));
        QCOMPARE(shown.size(), expected.size());
    }

    // Suggestions

    void suggestionsPreferContactsOverHistory()
    {
        call("13911112222");
        call("13933334444");
        addContact("王五", "13955556666");
        input()->setText("139");
        QCOMPARE(lines(hints()), QStringList{"王五  13955556666"});
        QCOMPARE(hints()->item(0)->font().pointSize(), 11);
        input()->setText("1393");
        QCOMPARE(lines(hints()), QStringList{"13933334444"});
        input()->setText("王");  // the name is searched too
        QCOMPARE(lines(hints()), QStringList{"王五  13955556666"});
        input()->setText("000");
        QCOMPARE(lines(hints()), QStringList{kService});
        input()->setText("8");
        QCOMPARE(lines(hints()), QStringList());
        input()->clear();
        QCOMPARE(lines(hints()), kHints);

        // Clicking a suggestion takes its number.
        input()->setText("王");
        QMetaObject::invokeMethod(w, "onItemClicked", Q_ARG(QListWidgetItem *, hints()->item(0)));
        QCOMPARE(input()->text(), QString("13955556666"));

        // The search follows every change of the lists.
        showPage("tb2_2");
        contacts()->setCurrentRow(1);
        Steps steps;
        steps.press("是");
        QMetaObject::invokeMethod(w, "onDeletef");
        QVERIFY(steps.done());
        input()->setText("139");
        QCOMPARE(lines(hints()), (QStringList{"13933334444", "13911112222"}));
        call("13900000000");
        input()->setText("1390");
        QCOMPARE(lines(hints()), QStringList{"13900000000"});
        showPage("tb3");
        steps.press("是");
        QMetaObject::invokeMethod(w, "onDeleteAll");
        input()->setText("139");
        QCOMPARE(lines(hints()), QStringList());
    }

    // Rows

    void rowsGetTheirWidgetsWhenInView()
    {
        {
            HistoryStore store("1001");
            for (int i = 0; i < 300; ++i)
                store.write(PHONEDATA{"26.12.07 10:00", QString::number(100000 + i), "out", ""});
        }
        restart();
        showPage("tb3");
        QTRY_VERIFY(history()->itemWidget(history()->item(0)));
        int made = 0;
        for (int i = 0; i < history()->count(); ++i)
            made += history()->itemWidget(history()->item(i)) ? 1 : 0;
        QVERIFY2(made > 0 && made < 20, qPrintable(QString::number(made)));
        history()->verticalScrollBar()->setValue(history()->verticalScrollBar()->maximum());
        QTRY_VERIFY(history()->itemWidget(history()->item(299)));
        QCOMPARE(label(row(history(), 299), "label"), QString("100299"));
    }

    void noFocusFrame()
    {
        QListWidget list;
        list.addItem("x");
        QStyleOptionViewItem option;
        option.initFrom(&list);
        option.rect = QRect(0, 0, 100, 20);
        option.state |= QStyle::State_HasFocus | QStyle::State_Selected;
        const QModelIndex index = list.model()->index(0, 0);
        auto render = [&](QStyledItemDelegate &delegate, const QStyleOptionViewItem &o) {
            QImage image(100, 20, QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            delegate.paint(&painter, o, index);
            return image;
        };
        QStyleOptionViewItem noFocus = option;
        noFocus.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate plain;
        NoFocusDelegate delegate;
        QVERIFY(render(plain, option) != render(plain, noFocus));  // the frame is visible
        QCOMPARE(render(delegate, option), render(plain, noFocus));
        QVERIFY(qobject_cast<NoFocusDelegate *>(history()->itemDelegate()));
        QVERIFY(qobject_cast<NoFocusDelegate *>(contacts()->itemDelegate()));
        QVERIFY(qobject_cast<NoFocusDelegate *>(hints()->itemDelegate()));
    }

    // The entries of the contact menu are never cut off.
    void contactMenuFitsItsEntries()
    {
        HLMenu *menu = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *m = qobject_cast<HLMenu *>(top);
            if (m && m->actions().size() == 5)
                menu = m;
        }
        QVERIFY(menu);
        QVERIFY(menu->width() >= 138);
        menu->adjustSize();  // a fixed width stays put
        QVERIFY(menu->width() >= menu->sizeHint().width());
    }

    // Screenshots

    void screenshots()
    {
        call("13912345678");
        call("10000000000");
        call("075512345678");
        addContact("张三", "13912345678");
        addContact("<b>李四</b>", "13800138000");
        showPage("tb3");
        row(history(), 0);
        QTest::qWait(50);
        TestUtil::saveScreenshot(w, "records-history");

        showPage("tb2_2");
        CallRecord *record = row(contacts(), 1);
        QTest::qWait(50);
        Steps steps;
        steps.then([this](QWidget *popup) {
            // The menu is a window of its own: draw it over the main window.
            QPixmap shot = w->grab();
            QPainter painter(&shot);
            painter.drawPixmap(popup->pos() - w->pos(), popup->grab());
            painter.end();
            const QString dir = qEnvironmentVariable("NUVOXA_SCREENSHOT_DIR", QDir::currentPath());
            QDir().mkpath(dir);
            shot.save(dir + "/records-contacts-menu.png");
            popup->close();
        });
        QCursor::setPos(record->mapToGlobal(QPoint(120, 30)));
        rightClick(record);
        QTRY_VERIFY(steps.done());
    }
};

QTEST_MAIN(TestRecords)
#include "test_records.moc"
