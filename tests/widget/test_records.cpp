// History and contacts in the main window, driven through its real widgets
// with the voice-library test double: rows, menus, the contact dialogs, the
// dial-page suggestions, and what survives a restart.
#include "app/globals.h"
#include "app/startup.h"
#include "callsdk_double.h"
#include "core/recordstore.h"
#include "core/settingsstore.h"
#include "mainwindow/mianwindow.h"
#include "modalanswerer.h"
#include "records/addfriend.h"
#include "records/callrecord.h"
#include "records/editfriend.h"
#include "records/nofocusdelegate.h"
#include "testutil.h"
#include "widgets/hlmenu.h"
#include "windowdriver.h"

#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

// Fills a contact dialog before its button is pressed.
ModalAnswerer::Fill fill(const QString &name, const QString &number)
{
    return [=](QWidget *dialog) {
        dialog->findChild<QLineEdit *>("lineEdit")->setText(name);
        dialog->findChild<QLineEdit *>("lineEdit_2")->setText(number);
    };
}

const QString kService = QStringLiteral("Nuvoxa客服  10000000000");

}  // namespace

using WindowDriver::kHints;
using WindowDriver::lines;

class TestRecords : public QObject
{
    Q_OBJECT

private:
    MianWindow *w = nullptr;

    template<typename T> T *child(const char *name) { return WindowDriver::child<T>(w, name); }
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
    // The row's widget; rows get theirs once they are on screen.
    CallRecord *row(QListWidget *list, int i)
    {
        showPage(list == contacts() ? "tb2_2" : "tb3");
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
    void addContact(const QString &name, const QString &number, ModalAnswerer *answerer = nullptr,
                    const QStringList &then = {})
    {
        std::unique_ptr<ModalAnswerer> local(answerer ? nullptr : new ModalAnswerer);
        ModalAnswerer &script = answerer ? *answerer : *local;
        script.answer("确定", fill(name, number));
        for (const QString &answer : then)
            script.answer(answer);
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
        Startup::installLook();
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
        ModalAnswerer answerer;
        answerer.answer("删除该条记录");
        answerer.answer("否");
        rightClick(row(history(), 2));
        QTRY_VERIFY(answerer.done());
        QCOMPARE(lines(history()), (QStringList{"3", "2", "1"}));
        answerer.answer("删除该条记录");
        answerer.answer("是");
        rightClick(row(history(), 2));
        QTRY_VERIFY(answerer.done());
        QTRY_COMPARE(lines(history()), (QStringList{"3", "2"}));
        QCOMPARE(answerer.shown(), (QStringList{"删除该条记录,删除所有记录", "是否删除本条记录",
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
        ModalAnswerer answerer;
        answerer.answer("删除所有记录");
        answerer.answer("是");
        rightClick(row(history(), 0));
        QTRY_VERIFY(answerer.done());
        QTRY_COMPARE(history()->count(), 0);
        QCOMPARE(answerer.shown(), (QStringList{"删除该条记录,删除所有记录", "是否删除所有记录"}));
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
        ModalAnswerer answerer;
        addContact("张三", "123", &answerer);
        addContact("李四", "123", &answerer);
        QCOMPARE(lines(contacts()), (QStringList{kService, "张三  123", "李四  123"}));
        addContact("张三", "123", &answerer, {"确定"});
        addContact("Nuvoxa客服", "10000000000", &answerer, {"确定"});
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.shown().count("联系人已存在!"), 2);
        QCOMPARE(lines(contacts()), (QStringList{kService, "张三  123", "李四  123"}));
        QCOMPARE(storedContacts().size(), 2);
        restart();
        QCOMPARE(contacts()->count(), 3);
        QCOMPARE(contacts()->item(0)->text(), kService);
    }

    void addWithoutNumberAsksAndStaysOpen()
    {
        ModalAnswerer answerer;
        answerer.answer("确定", fill("x", ""));
        answerer.answer("确定");
        answerer.answer("取消");
        input()->clear();
        QMetaObject::invokeMethod(w, "on_tbAdd_clicked");
        QCOMPARE(answerer.shown(), (QStringList{"添加联系人", "电话号码不能为空", "添加联系人"}));
        QVERIFY(answerer.done());
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
        ModalAnswerer answerer;
        answerer.answer("编辑联系人");
        answerer.answer("修改", fill("c", "3"));
        rightClick(row(contacts(), 1));
        QTRY_VERIFY(answerer.done());
        QCOMPARE(lines(contacts()), (QStringList{kService, "c  3", "b  2"}));
        QCOMPARE(label(row(contacts(), 1), "label"), QString("3"));
        QCOMPARE(label(row(contacts(), 1), "label_2"), QString("c"));
        QStringList stored = storedContacts();
        stored.sort();
        QCOMPARE(stored, (QStringList{"b  2", "c  3"}));

        input()->setText("3");
        QCOMPARE(lines(hints()), QStringList{"c  3"});
        addContact("c", "3", &answerer, {"确定"});
        QTRY_VERIFY(answerer.done());
        QVERIFY(answerer.shown().contains("联系人已存在!"));

        // An emptied number is accepted, stored and listed after a restart.
        answerer.answer("编辑联系人");
        answerer.answer("修改", fill("d", ""));
        rightClick(row(contacts(), 1));
        QTRY_VERIFY(answerer.done());
        restart();
        QCOMPARE(lines(contacts()), (QStringList{kService, "b  2", "d  "}));
    }

    void deleteAsksAndSurvivesRestart()
    {
        addContact("a", "1");
        addContact("b", "2");
        showPage("tb2_2");
        ModalAnswerer answerer;
        answerer.answer("从通讯录删除");
        answerer.answer("否");
        answerer.answer("从通讯录删除");
        answerer.answer("是");
        rightClick(row(contacts(), 2));
        rightClick(row(contacts(), 2));
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.shown().at(1), QString("是否删该联系人"));
        QTRY_COMPARE(lines(contacts()), (QStringList{kService, "a  1"}));
        restart();
        QCOMPARE(lines(contacts()), (QStringList{kService, "a  1"}));
    }

    void serviceContactMenuOffersOnlyTheDirectCall()
    {
        addContact("a", "1");
        showPage("tb2_2");
        ModalAnswerer answerer;
        rightClick(row(contacts(), 0));
        rightClick(row(contacts(), 1));
        QTRY_COMPARE(answerer.shown().size(), 2);
        QCOMPARE(answerer.shown().at(0), QString("网络电话直拨"));
        QCOMPARE(answerer.shown().at(1), QString("网络电话直拨,Nuvoxa回拨电话,编辑联系人,从通讯录删除"));
        // A right-click on the list itself picks the row under the pointer.
        const QPoint onService = contacts()->visualItemRect(contacts()->item(0)).center();
        QMetaObject::invokeMethod(w, "customMune", Q_ARG(QPoint, onService));
        QTRY_COMPARE(answerer.shown().size(), 3);
        QCOMPARE(answerer.shown().at(2), QString("网络电话直拨"));
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
        ModalAnswerer answerer;
        answerer.answer("Nuvoxa回拨电话");
        rightClick(row(contacts(), 2));
        QTRY_VERIFY(answerer.done());
        QTRY_COMPARE(CallSdkDouble::countOf("make_call_back"), 1);
        QCOMPARE(CallSdkDouble::callsTo("make_call_back").front().args.front(), std::string("222"));
        QCOMPARE(page(), 0);
        showPage("tb2_2");
        answerer.answer("网络电话直拨");
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
        ModalAnswerer answerer;
        answerer.answer("编辑联系人");
        answerer.answer("修改", fill("", ""));
        rightClick(row(contacts(), 6));
        QTRY_VERIFY(answerer.done());
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
        answerer.answer("从通讯录删除");
        answerer.answer("是");
        rightClick(row(contacts(), aSlashB));
        QTRY_VERIFY(answerer.done());
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
        ModalAnswerer answerer;
        answerer.answer("是");
        QMetaObject::invokeMethod(w, "onDeletef");
        QVERIFY(answerer.done());
        input()->setText("139");
        QCOMPARE(lines(hints()), (QStringList{"13933334444", "13911112222"}));
        call("13900000000");
        input()->setText("1390");
        QCOMPARE(lines(hints()), QStringList{"13900000000"});
        showPage("tb3");
        answerer.answer("是");
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
        // Off screen (the dial page is shown), no row has a widget, not even
        // the row of a call just placed: building it would compete with the
        // call's set-up.
        call("13912345678");
        QTest::qWait(50);
        for (int i = 0; i < history()->count(); ++i)
            QVERIFY2(!history()->itemWidget(history()->item(i)), qPrintable(QString::number(i)));
        showPage("tb3");
        QTRY_VERIFY(history()->itemWidget(history()->item(0)));
        QCOMPARE(label(row(history(), 0), "label"), QString("13912345678"));
        int made = 0;
        for (int i = 0; i < history()->count(); ++i)
            made += history()->itemWidget(history()->item(i)) ? 1 : 0;
        QVERIFY2(made > 0 && made < 20, qPrintable(QString::number(made)));
        history()->verticalScrollBar()->setValue(history()->verticalScrollBar()->maximum());
        QTRY_VERIFY(history()->itemWidget(history()->item(300)));
        QCOMPARE(label(row(history(), 300), "label"), QString("100299"));
    }

    // A history row shows the direction of its call and a missed call's
    // number in red, and a row given another record takes that one's look.
    void historyRowShowsTheKindOfCall()
    {
        auto show = [](CallRecord &record, const QString &kind) {
            record.setHistoryData(PHONEDATA{"26.12.07 10:00", "13900000000", kind, ""});
            record.ensurePolished();
            return record.findChild<QToolButton *>("toolButton_3")->grab().toImage();
        };
        auto red = [](CallRecord &record) {
            return record.findChild<QLabel *>("label")->palette().color(QPalette::WindowText) == QColor(0xe0, 0x3c, 0x31);
        };
        QHash<QString, QImage> fresh;
        for (const QString kind : {"out", "in", "miss"}) {
            CallRecord record;
            fresh[kind] = show(record, kind);
            QCOMPARE(red(record), kind == "miss");
        }
        QVERIFY(fresh["out"] != fresh["in"] && fresh["in"] != fresh["miss"] && fresh["out"] != fresh["miss"]);
        CallRecord reused;
        for (const QString kind : {"miss", "out", "in", "miss", "in"}) {
            QVERIFY2(show(reused, kind) == fresh[kind], qPrintable(kind));
            QCOMPARE(red(reused), kind == "miss");
        }
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
};

QTEST_MAIN(TestRecords)
#include "test_records.moc"
