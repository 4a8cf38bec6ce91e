// Dial pad, number field and the hint list of the dial page.
#include "mainwindow/mianwindow.h"

#include "app/numberinbox.h"
#include "core/numberlink.h"
#include "callsdk.h"
#include "ui_mianwindow.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QRegularExpression>

static const char *const kServiceLine = QT_TRANSLATE_NOOP("MianWindow", "  客服热线：10000000000");

void MianWindow::insertIntoField(const QString &insert)
{
    QLineEdit *field = ui->leInput;
    QString text = field->text();
    int at = field->cursorPosition();
    if (field->hasSelectedText()) {
        at = field->selectionStart();
        text.remove(at, field->selectedText().size());
    }
    text.insert(at, insert);
    // Blanks before the insertion point shift it left.
    const int blanksBefore = text.left(at).count(QLatin1Char(' '));
    text.remove(QLatin1Char(' '));
    at -= blanksBefore;
    field->setText(text.left(field->maxLength()));
    field->setCursorPosition(at + insert.size());
}

void MianWindow::pressKey(QChar key)
{
    insertIntoField(QString(key));
    const QByteArray tone = QString(key).toUtf8();
    dtmf(const_cast<char *>(tone.constData()));
}

void MianWindow::on_d1_clicked() { pressKey(QLatin1Char('1')); }
void MianWindow::on_d2_clicked() { pressKey(QLatin1Char('2')); }
void MianWindow::on_d3_clicked() { pressKey(QLatin1Char('3')); }
void MianWindow::on_d4_clicked() { pressKey(QLatin1Char('4')); }
void MianWindow::on_d5_clicked() { pressKey(QLatin1Char('5')); }
void MianWindow::on_d6_clicked() { pressKey(QLatin1Char('6')); }
void MianWindow::on_d7_clicked() { pressKey(QLatin1Char('7')); }
void MianWindow::on_d8_clicked() { pressKey(QLatin1Char('8')); }
void MianWindow::on_d9_clicked() { pressKey(QLatin1Char('9')); }
void MianWindow::on_d10_clicked() { pressKey(QLatin1Char('*')); }
void MianWindow::on_d12_clicked() { pressKey(QLatin1Char('#')); }

void MianWindow::on_d11_pressed()
{
    m_keyHold.press();
}

void MianWindow::on_d11_released()
{
    pressKey(m_keyHold.isLong() ? QLatin1Char('+') : QLatin1Char('0'));
}

void MianWindow::on_tbDel_pressed()
{
    m_keyHold.press();
    ui->leInput->backspace();
}

void MianWindow::on_tbDel_released()
{
    if (m_keyHold.isLong())
        ui->leInput->clear();
}

void MianWindow::fillHintList()
{
    const QString lines[] = {tr("  手机 - 直接拨打"), tr("  固话 - 区号+电话号码"),
                             tr("  国际长途 - 00+国际区号+号码"), tr(kServiceLine)};
    QFont font(QStringLiteral("宋体"), 9);
    font.setBold(false);
    for (const QString &line : lines) {
        auto *item = new QListWidgetItem(line, ui->listWidget_2);
        item->setSizeHint(QSize(26, 18));
        item->setFont(font);
    }
}

void MianWindow::onItemClicked(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString text = item->text();
    if (text == tr(kServiceLine) || text == QLatin1String("10000000000")) {
        ui->leInput->setText(QStringLiteral("10000000000"));
        return;
    }
    if (item->font().pointSize() != 11)
        return;
    // A suggestion line is name, two blanks, number; a name may hold two
    // blanks itself, a number never does.
    const QStringList parts = text.split(QStringLiteral("  "));
    if (parts.size() >= 2) {
        ui->leInput->setText(parts.last());
        return;
    }
    // The progress line of a direct call is a text before the number: only
    // the number, the line's dialable end, goes into the field.
    static const QRegularExpression number(QStringLiteral("[0-9#*+]+$"));
    const QRegularExpressionMatch match = number.match(text);
    if (match.hasMatch())
        ui->leInput->setText(match.captured());
}

bool MianWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Filtering the application's events lets the keys reach the number
    // field wherever the focus is in this window: the lists and buttons of
    // the page would otherwise take digits and Enter for themselves.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this && isActiveWindow()
        && ui->stackedWidget->currentIndex() == 0 && dialKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool MianWindow::dialKey(const QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteNumber();
        return true;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers != Qt::NoModifier && modifiers != Qt::ControlModifier)
            return false;
        // A held key must not place one callback request after another.
        if (event->isAutoRepeat())
            return true;
        if (modifiers == Qt::ControlModifier)
            on_d14_clicked();
        else
            on_d13_clicked();
        return true;
    case Qt::Key_Backspace:
        if (modifiers != Qt::NoModifier)
            return false;
        ui->leInput->backspace();
        return true;
    case Qt::Key_Escape:
        if (modifiers != Qt::NoModifier || ui->pushButton_3->isHidden())
            return false;
        on_pushButton_3_clicked();
        return true;
    default:
        break;
    }
    // "*", "#" and "+" need Shift on most layouts.
    const QString text = event->text();
    if ((modifiers & ~Qt::ShiftModifier) != Qt::NoModifier || text.size() != 1
        || !QStringLiteral("0123456789*#+").contains(text.at(0)))
        return false;
    pressKey(text.at(0));
    return true;
}

void MianWindow::pasteNumber()
{
    const QString text = QApplication::clipboard()->text();
    if (text.trimmed().isEmpty())
        return;
    const QString number = NumberLink::dialable(text);
    if (number.isEmpty()) {
        MessageBox::information(this, tr("Nuvoxa"), NumberLink::refusal());
        return;
    }
    insertIntoField(number);
}

void MianWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A number that came before the login is shown once the window is.
    const QString number = NumberInbox::instance().take();
    if (!number.isEmpty())
        showLinkNumber(number);
}

void MianWindow::takeLinkNumber()
{
    const QString number = NumberInbox::instance().take();
    if (number.isEmpty())
        return;
    showNormal();
    raise();
    activateWindow();
    showLinkNumber(number);
}

void MianWindow::showLinkNumber(const QString &number)
{
    ui->tb2->setChecked(true);
    // The suggestions for the number show even when the field held it already.
    if (ui->leInput->text() == number)
        onInPutText(number);
    else
        ui->leInput->setText(number);
}
