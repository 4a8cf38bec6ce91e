// Every window in both languages: pictures of each under
// build/screenshots/lang-<language>-<window>.png, and no text cut off by
// the control that shows it.
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
        const int box = style->pixelMetric(check ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth,
                                           nullptr, button)
                        + style->pixelMetric(check ? QStyle::PM_CheckBoxLabelSpacing : QStyle::PM_RadioButtonLabelSpacing,
                                             nullptr, button);
        return box + widest(metrics, button->text()) <= button->width() ? QString() : button->text();
    }
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        auto *tool = qobject_cast<QToolButton *>(widget);
        if (button->text().isEmpty() || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly))
            return {};
        int need = widest(metrics, button->text());
        if (tool && tool->toolButtonStyle() == Qt::ToolButtonTextBesideIcon)
            need += tool->iconSize().width();
        return need <= button->contentsRect().width() ? QString() : button->text();
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

void collectCutOff(QWidget *window, QStringList &found)
{
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
        Startup::installFontSubstitutes();
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
