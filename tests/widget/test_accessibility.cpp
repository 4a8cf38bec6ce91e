// What a screen reader finds in each window: every control it can reach has
// a name, and the login window's Tab key follows its layout.
#include "app/startup.h"
#include "callsdk_double.h"
#include "everywindow.h"
#include "mainwindow/callstate.h"
#include "testutil.h"
#include "widgets/focusmarker.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QApplication>
#include <QStackedWidget>
#include <QTest>

#include <memory>

namespace {

using EveryWindow::kWindows;
using EveryWindow::mainWindow;
using EveryWindow::record;

bool isControl(const QAccessibleInterface *iface)
{
    switch (iface->role()) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::List:
    case QAccessible::ListItem:
    case QAccessible::PageTab:
    case QAccessible::Link:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
        return true;
    default:
        return iface->state().focusable;
    }
}

// On this platform a combo box's name is its current text; what tells the
// reader what it is for is the label pointing at it.
bool hasName(QAccessibleInterface *iface)
{
    if (!iface->text(QAccessible::Name).trimmed().isEmpty())
        return true;
    for (const auto &relation : iface->relations(QAccessible::Label)) {
        if (!relation.first->text(QAccessible::Name).trimmed().isEmpty())
            return true;
    }
    return false;
}

QString describe(QAccessibleInterface *iface)
{
    QObject *object = iface->object();
    if (!object && iface->parent() && iface->parent()->object())
        return iface->parent()->object()->objectName() + QStringLiteral("[row]");
    return object ? QStringLiteral("%1 (%2)").arg(object->objectName(),
                                                  QString::fromLatin1(object->metaObject()->className()))
                  : QStringLiteral("?");
}

void collectUnnamed(QAccessibleInterface *iface, QStringList &unnamed, int depth = 0)
{
    if (!iface || !iface->isValid() || depth > 50)
        return;
    if (isControl(iface) && !hasName(iface))
        unnamed << describe(iface);
    // A combo box's children are its drop-down list and edit line, which
    // the reader presents as the box itself.
    if (iface->role() == QAccessible::ComboBox)
        return;
    for (int i = 0; i < iface->childCount(); ++i)
        collectUnnamed(iface->child(i), unnamed, depth + 1);
}

}  // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Startup::installLook();
        FocusMarker::install();
        // Nothing answers here: the login window's advertisement download fails at once.
        qputenv("NUVOXA_CLOUD_HOST", "127.0.0.1:9");
        qputenv("NUVOXA_WEB_HOST", "web.example:8080");
    }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
    }

    void everyControlHasAName_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < EveryWindow::kCount; ++i)
            QTest::newRow(kWindows[i].window) << i;
    }

    void everyControlHasAName()
    {
        QFETCH(int, index);
        std::unique_ptr<QWidget> window(kWindows[index].make());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QStringList unnamed;
        collectUnnamed(QAccessible::queryAccessibleInterface(window.get()), unnamed);
        QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("without a name: ") + unnamed.join(", ")));
    }

    // The rows' texts only serve the search (a history row's is the bare
    // number) and their widgets are pictures: the reader needs whom a row calls.
    void rowsAreReadByNameAndNumber()
    {
        std::unique_ptr<QWidget> window(mainWindow());
        const QString expected = "张三 13900000000";
        for (const char *list : {"listWidget", "listWidget_3"}) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(window->findChild<QWidget *>(list));
            QStringList rows;
            for (int i = 0; i < iface->childCount(); ++i)
                rows << iface->child(i)->text(QAccessible::Name);
            QVERIFY2(rows.contains(expected), qPrintable(QStringLiteral("%1: %2").arg(list, rows.join(" | "))));
        }
        for (bool history : {true, false}) {
            std::unique_ptr<QWidget> row(record(history));
            QCOMPARE(row->accessibleName(), expected);
            for (const char *button : {"toolButton_2", "toolButton_4"})
                QCOMPARE(row->findChild<QWidget *>(button)->accessibleDescription(), expected);
        }
    }

    // The page switches are read as tabs, the shown page's as selected
    // (not as unavailable), and the reader's press action switches pages.
    void pageSwitchesAreTabs_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("tabs");
        QTest::newRow("main") << 2 << QStringList{"tb2_2", "tb3", "tb2"};
        QTest::newRow("settings") << 3 << QStringList{"toolButton_4", "toolButton_5", "toolButton_21"};
    }

    void pageSwitchesAreTabs()
    {
        QFETCH(int, index);
        QFETCH(QStringList, tabs);
        std::unique_ptr<QWidget> window(kWindows[index].make());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto *stack = window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
        QSet<int> pages;
        for (const QString &pressed : tabs) {
            QAccessibleInterface *tab = QAccessible::queryAccessibleInterface(window->findChild<QWidget *>(pressed));
            QVERIFY(tab->actionInterface());
            tab->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            pages.insert(stack->currentIndex());
            for (const QString &name : tabs) {
                QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(window->findChild<QWidget *>(name));
                QCOMPARE(iface->role(), QAccessible::PageTab);
                QVERIFY(!iface->text(QAccessible::Name).isEmpty());
                QCOMPARE(bool(iface->state().selected), name == pressed);
                QVERIFY2(!iface->state().disabled, qPrintable(name));
            }
        }
        QCOMPARE(pages.size(), tabs.size());
    }

    void loginTabOrderFollowsTheLayout()
    {
        Widget window;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QStringList expected = {"cbUsername", "lePassword", "checkBox", "checkBox_2", "pbLogin"};
        QWidget *first = window.findChild<QWidget *>(expected.first());
        first->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (int i = 0; i < 20 && visited.size() < expected.size(); ++i) {
            const QString name = QApplication::focusWidget()->objectName();
            if (expected.contains(name) && !visited.contains(name))
                visited << name;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
    }

    // The skin's pictures replace the toolkit's frames; the control with
    // the keyboard focus must still look different from the others.
    void keyboardFocusIsVisible_data() { everyControlHasAName_data(); }

    void keyboardFocusIsVisible()
    {
        QFETCH(int, index);
        std::unique_ptr<QWidget> window(kWindows[index].make());
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        // As after any press of Tab: the styles draw focus marks only then.
        window->setAttribute(Qt::WA_KeyboardFocusChange);
        QStringList unmarked;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            const bool kind = qobject_cast<QAbstractButton *>(control) || qobject_cast<QAbstractSlider *>(control)
                              || qobject_cast<QAbstractItemView *>(control);
            if (!kind || !(control->focusPolicy() & Qt::TabFocus) || !control->isVisible()
                || !control->isEnabled())
                continue;
            // The mark may lie around the control, so look at its surroundings.
            const QRect area(control->mapTo(window.get(), QPoint(-3, -3)), control->size() + QSize(6, 6));
            control->clearFocus();
            const QImage before = window->grab(area).toImage();
            control->setFocus(Qt::TabFocusReason);
            QVERIFY(control->hasFocus());
            if (window->grab(area).toImage() == before)
                unmarked << control->objectName();
        }
        QVERIFY2(unmarked.isEmpty(), qPrintable(QStringLiteral("focus not shown: ") + unmarked.join(", ")));
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
