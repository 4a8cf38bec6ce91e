#ifndef NUVOXA_MAINWINDOW_INCOMINGCALL_H
#define NUVOXA_MAINWINDOW_INCOMINGCALL_H

#include "audio/ringtone.h"

#include <QTimer>
#include <QWidget>

namespace Ui {
class IncomingCall;
}

// The window of a ringing incoming call: who calls, "接听" and "拒绝", and
// the ring. It closes when the call is answered or turned away, when the
// caller gives up and after 45 s without an answer.
class IncomingCall : public QWidget
{
    Q_OBJECT
public:
    explicit IncomingCall(QWidget *parent = nullptr);
    ~IncomingCall() override;

    // Shows the call on top of every window: the number and, when it is in
    // the contacts, the contact's name.
    void ring(const QString &number, const QString &contactName);
    // The call ended before anyone answered it.
    void callEnded();
    bool isRinging() const { return m_ringing; }
    static int noAnswerLimitMs();

signals:
    void answered(const QString &number);
    // Not answered: turned away, given up by the caller, or too long unanswered.
    void missed(const QString &number);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pbAnswer_clicked();
    void on_pbDecline_clicked();

private:
    // Closes the window and silences the ring; true when it was ringing.
    bool finish();

    Ui::IncomingCall *ui;
    RingTone m_tone;
    QTimer m_noAnswer;
    QString m_number;
    bool m_ringing = false;
};

#endif
