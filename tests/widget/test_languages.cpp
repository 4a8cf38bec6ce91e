// Every window in both languages: pictures of each under
// build/screenshots/lang-<language>-<window>.png, no text cut off by the
// control that shows it, and no two texts drawn over each other.
#include "app/startup.h"
#include "callsdk_double.h"
#include "everywindow.h"
#include "platform/translation.h"
#include "testutil.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <QTranslator>

#include <memory>

namespace {

QString shownText(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

int widest(const QFontMetrics &metrics, const QString &text)
{
    int width = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        width = qMax(width, metrics.horizontalAdvance(line));
    return width;
}

// What a widget shows of its text, or an empty string when all of it fits.
QString cutOff(QWidget *widget)
{
    const QFontMetrics metrics(widget->font());
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        const QString text = shownText(label->text()).trimmed();
        if (text.isEmpty())
            return {};
        const bool fits = label->wordWrap()
                              ? label->heightForWidth(label->width()) <= label->height()
                              : widest(metrics, text) <= label->contentsRect().width();
        return fits ? QString() : text;
    }
    if (qobject_cast<QCheckBox *>(widget) || qobject_cast<QRadioButton *>(widget)) {
        auto *button = static_cast<QAbstractButton *>(widget);
        const bool check = qobject_cast<QCheckBox *>(widget);
        const QStyle *style = button->style();
        const int box =
            style->pixelMetric(check ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth, nullptr, button)
            + style->pixelMetric(check ? QStyle::PM_CheckBoxLabelSpacing : QStyle::PM_RadioButtonLabelSpacing,
                                 nullptr, button);
        return box + widest(metrics, button->text()) <= button->width() ? QString() : button->text();
    }
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        auto *tool = qobject_cast<QToolButton *>(widget);
        // A tool button without an icon shows its text whatever its style.
        if (button->text().isEmpty()
            || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull()))
            return {};
        // The style's own measure, with the frames and padding of the style
        // sheets; a tool button's size hint may still be that of its old font.
        int need = button->sizeHint().width();
        if (tool) {
            QStyleOptionToolButton option;
            option.initFrom(tool);
            option.text = tool->text();
            option.toolButtonStyle = tool->toolButtonStyle();
            const QSize text(widest(metrics, tool->text()), metrics.height());
            need = tool->style()->sizeFromContents(QStyle::CT_ToolButton, &option, text, tool).width();
        }
        return need <= button->width() ? QString() : button->text();
    }
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        const QString hint = edit->placeholderText();
        return hint.isEmpty() || metrics.horizontalAdvance(hint) <= edit->width() - 8 ? QString() : hint;
    }
    if (auto *list = qobject_cast<QListWidget *>(widget)) {
        for (int row = 0; row < list->count(); ++row) {
            const QListWidgetItem *item = list->item(row);
            if (list->itemWidget(const_cast<QListWidgetItem *>(item)))
                continue;
            if (widest(QFontMetrics(item->font()), item->text()) > list->viewport()->width())
                return item->text();
        }
    }
    return {};
}

// Where a label or button draws its text, in its parent's coordinates;
// empty when it shows none.
QRect textArea(QWidget *widget)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text().isEmpty() ? QRect() : button->geometry();
    auto *label = qobject_cast<QLabel *>(widget);
    const QString text = label ? shownText(label->text()).trimmed() : QString();
    if (text.isEmpty())
        return {};
    const QFontMetrics metrics(label->font());
    const QRect box = label->geometry();
    const int width = label->wordWrap() ? box.width() : qMin(widest(metrics, text), box.width());
    const int lines = text.count(QLatin1Char('\n')) + 1;
    const int height =
        qMin(box.height(), label->wordWrap() ? label->heightForWidth(box.width()) : metrics.lineSpacing() * lines);
    const Qt::Alignment align = label->alignment();
    const int x = align & Qt::AlignRight ? box.right() + 1 - width
                  : align & Qt::AlignHCenter ? box.center().x() - width / 2 : box.left();
    const int y = align & Qt::AlignTop ? box.top()
                  : align & Qt::AlignBottom ? box.bottom() + 1 - height : box.center().y() - height / 2;
    return QRect(x, y, width, height);
}

void collectOverlaps(QWidget *window, QStringList &found)
{
    QList<QWidget *> parents = window->findChildren<QWidget *>();
    parents << window;
    for (QWidget *parent : qAsConst(parents)) {
        QVector<QWidget *> shown;
        for (QObject *child : parent->children()) {
            auto *widget = qobject_cast<QWidget *>(child);
            if (widget && widget->isVisibleTo(window) && !textArea(widget).isEmpty())
                shown << widget;
        }
        for (int i = 0; i < shown.size(); ++i) {
            for (int j = i + 1; j < shown.size(); ++j) {
                const QString line = shown[i]->objectName() + QStringLiteral(" overlaps ") + shown[j]->objectName();
                if (textArea(shown[i]).intersects(textArea(shown[j])) && !found.contains(line))
                    found << line;
            }
        }
    }
}

void collectCutOff(QWidget *window, QStringList &found)
{
    collectOverlaps(window, found);
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const QString text = cutOff(widget);
        if (!text.isEmpty() && !found.contains(widget->objectName() + QStringLiteral(": ") + text))
            found << widget->objectName() + QStringLiteral(": ") + text;
    }
}

}  // namespace

class TestLanguages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Startup::installLook();
        qputenv("NUVOXA_CLOUD_HOST", "127.0.0.1:9");
        qputenv("NUVOXA_WEB_HOST", "web.example:8080");
    }

    void init()
    {
        TestUtil::clearDataDir();
        CallSdkDouble::reset();
    }

    void cleanup() { qDeleteAll(qApp->findChildren<QTranslator *>()); }

    void everyTextFits_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("index");
        for (const char *language : {"zh_CN", "en_US"}) {
            for (int i = 0; i < EveryWindow::kCount; ++i)
                QTest::addRow("%s %s", language, EveryWindow::kWindows[i].window) << language << i;
        }
    }

    void everyTextFits()
    {
        QFETCH(QString, language);
        QFETCH(int, index);
        QCOMPARE(Translation::install(*qApp, QLocale(language)), language.startsWith(QLatin1String("en")));
        std::unique_ptr<QWidget> window(EveryWindow::kWindows[index].make());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        const QString name = QStringLiteral("lang-%1-%2")
                                 .arg(language.left(2), QString::fromLatin1(EveryWindow::kWindows[index].window))
                                 .replace(QLatin1Char(' '), QLatin1Char('-'));
        TestUtil::saveScreenshot(window.get(), name);
        QStringList found;
        collectCutOff(window.get(), found);
        // The pages the window does not show at first.
        for (QStackedWidget *stack : window->findChildren<QStackedWidget *>()) {
            const int shown = stack->currentIndex();
            for (int page = 0; page < stack->count(); ++page) {
                if (page == shown)
                    continue;
                stack->setCurrentIndex(page);
                collectCutOff(window.get(), found);
                TestUtil::saveScreenshot(window.get(), name + QStringLiteral("-page%1").arg(page));
            }
            stack->setCurrentIndex(shown);
        }
        QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("cut off:\n") + found.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestLanguages)
#include "test_languages.moc"
