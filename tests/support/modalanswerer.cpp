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

void ModalAnswerer::answer(const QString &text, Fill fill)
{
    m_answers.append({text, std::move(fill)});
}

QStringList ModalAnswerer::shown() const
{
    return m_shown;
}

void ModalAnswerer::stop()
{
    m_timer.stop();
}

bool ModalAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_current && event->type() == QEvent::Hide)
        m_current = nullptr;
    return false;
}

void ModalAnswerer::poll()
{
    QWidget *window = QApplication::activePopupWidget();
    auto *menu = qobject_cast<QMenu *>(window);
    if (!menu)
        window = QApplication::activeModalWidget();
    if (!window || !window->isVisible() || window == m_current)
        return;
    m_current = window;
    window->installEventFilter(this);

    Seen seen;
    seen.title = window->windowTitle();
    auto *box = qobject_cast<QMessageBox *>(window);
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
    QList<QAbstractButton *> buttons;
    if (menu) {
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator() && action->isEnabled())
                seen.buttons.append(action->text());
        }
    } else {
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
            if (button->isVisible() && !button->text().isEmpty()) {
                buttons.append(button);
                seen.buttons.append(button->text());
            }
        }
    }
    m_seen.append(seen);
    m_shown.append(menu ? seen.buttons.join(',') : box ? seen.text : seen.title);
    if (box) {
        for (const QString &label : seen.buttons) {
            if (hasLatinLetter(label))
                m_faults.append(QStringLiteral("button \"%1\" in the box \"%2\"").arg(label, seen.text));
        }
    }

    const Answer wanted = m_answers.isEmpty() ? Answer() : m_answers.takeFirst();
    if (wanted.fill)
        wanted.fill(window);
    if (menu) {
        for (QAction *action : menu->actions()) {
            if (!wanted.text.isEmpty() && action->text() == wanted.text) {
                const QPoint at = menu->actionGeometry(action).center();
                QTimer::singleShot(0, menu, [menu, at] { QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at); });
                return;
            }
        }
    } else {
        for (QAbstractButton *button : buttons) {
            if (!wanted.text.isEmpty() && button->text() == wanted.text) {
                QTimer::singleShot(0, button, &QAbstractButton::click);
                return;
            }
        }
    }
    if (!wanted.text.isEmpty())
        m_faults.append(QStringLiteral("no \"%1\" in \"%2\" [%3]").arg(wanted.text, menu ? seen.title : seen.text,
                                                                        seen.buttons.join(',')));
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->reject();
    else
        window->close();
}
