#ifndef NUVOXA_TESTS_MODALANSWERER_H
#define NUVOXA_TESTS_MODALANSWERER_H

#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers modal message boxes and popup menus while a test drives a window.
// Arm it before the action that opens the box: every 10 ms it looks at the
// active modal widget (or popup menu), records what it shows and clicks the
// next scripted answer by button text (menu action text). With no answer
// left it rejects the box, so a test fails instead of hanging.
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
        QStringList buttons;
        QString icon;  // "information", "question", "warning", "critical" or ""
    };

    explicit ModalAnswerer(QObject *parent = nullptr);
    ~ModalAnswerer() override;

    // Queues answers, used in order.
    void answer(const QString &buttonOrActionText);
    const QList<Seen> &seen() const { return m_seen; }
    int count() const { return m_seen.size(); }
    Seen last() const { return m_seen.isEmpty() ? Seen() : m_seen.last(); }
    void stop();

private:
    void poll();

    QTimer m_timer;
    QStringList m_answers;
    QStringList m_faults;
    QList<Seen> m_seen;
};

#endif
