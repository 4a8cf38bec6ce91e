#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

ModalAnswerer::~ModalAnswerer()
{
    stop();
    QTest::qVerify(m_faults.isEmpty(), "m_faults.isEmpty()", qPrintable(m_faults.join(QLatin1String("; "))),
                   __FILE__, __LINE__);
}

static bool hasLatinLetter(const QString &text)
{
    for (QChar c : text) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')))
            return true;
    }
    return false;
}

void ModalAnswerer::answer(const QString &text)
{
    m_answers.append(text);
}

void ModalAnswerer::stop()
{
    m_timer.stop();
}

void ModalAnswerer::poll()
{
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        Seen seen;
        seen.title = menu->title();
        for (QAction *action : menu->actions())
            seen.buttons.append(action->text());
        m_seen.append(seen);
        const QString wanted = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        for (QAction *action : menu->actions()) {
            if (!wanted.isEmpty() && action->text() == wanted) {
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                                  menu->actionGeometry(action).center());
                return;
            }
        }
        if (!wanted.isEmpty())
            m_faults.append(QStringLiteral("no \"%1\" in the menu [%2]").arg(wanted, seen.buttons.join(',')));
        menu->close();
        return;
    }

    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    Seen seen;
    seen.title = modal->windowTitle();
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (box) {
        seen.text = box->text();
        switch (box->icon()) {
        case QMessageBox::Information: seen.icon = QStringLiteral("information"); break;
        case QMessageBox::Question: seen.icon = QStringLiteral("question"); break;
        case QMessageBox::Warning: seen.icon = QStringLiteral("warning"); break;
        case QMessageBox::Critical: seen.icon = QStringLiteral("critical"); break;
        default: break;
        }
    }
    const QList<QAbstractButton *> buttons = modal->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (button->isVisible() && !button->text().isEmpty())
            seen.buttons.append(button->text());
    }
    m_seen.append(seen);
    if (box) {
        for (const QString &label : seen.buttons) {
            if (hasLatinLetter(label))
                m_faults.append(QStringLiteral("button \"%1\" in the box \"%2\"").arg(label, seen.text));
        }
    }

    const QString wanted = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    for (QAbstractButton *button : buttons) {
        if (!wanted.isEmpty() && button->isVisible() && button->text() == wanted) {
            button->click();
            return;
        }
    }
    if (!wanted.isEmpty())
        m_faults.append(QStringLiteral("no \"%1\" in \"%2\" [%3]").arg(wanted, seen.text, seen.buttons.join(',')));
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}
