#ifndef NUVOXA_TESTS_MODALANSWERER_H
#define NUVOXA_TESTS_MODALANSWERER_H

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers modal message boxes and popup menus while a test drives a window.
// Arm it before the action that opens the box: every 10 ms it looks at the
// active modal widget (or popup menu), records what it shows and clicks the
// next scripted answer by button text (menu action text). The click comes
// from a fresh event, so a box it opens in turn is answered as well; a window
// once answered is left alone until it hides or another is on top of it.
// With no answer left it rejects the box, so a test fails instead of hanging.
// The test fails when the answerer is destroyed if a scripted answer was not
// on offer, or a message box showed a button with Latin letters (Qt's own
// English labels in the Chinese interface).
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString title;
        QString text;
        QStringList buttons;  // of a menu, its enabled entries
        QString icon;  // "information", "question", "warning", "critical" or ""
    };

    explicit ModalAnswerer(QObject *parent = nullptr);
    ~ModalAnswerer() override;

    using Fill = std::function<void(QWidget *)>;

    // Queues answers, used in order; `fill` acts on the window (its fields)
    // before the button is pressed.
    void answer(const QString &buttonOrActionText, Fill fill = {});
    bool done() const { return m_answers.isEmpty(); }
    const QList<Seen> &seen() const { return m_seen; }
    // One line per window: a box's text, a menu's enabled entries joined by
    // commas, or another window's title.
    QStringList shown() const;
    int count() const { return m_seen.size(); }
    Seen last() const { return m_seen.isEmpty() ? Seen() : m_seen.last(); }
    void stop();

private:
    struct Answer
    {
        QString text;
        Fill fill;
    };

    void poll();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QTimer m_timer;
    QList<Answer> m_answers;
    QPointer<QWidget> m_current;
    QStringList m_shown;
    QStringList m_faults;
    QList<Seen> m_seen;
};

#endif
