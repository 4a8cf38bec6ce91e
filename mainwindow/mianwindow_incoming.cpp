// Incoming calls: the ringing window, answering into the dial page, the
// history's "in" and "miss" entries, and word of them while in the tray.
#include "mainwindow/mianwindow.h"

#include "app/globals.h"
#include "callsdk.h"
#include "mainwindow/callstate.h"
#include "mainwindow/incomingcall.h"
#include "platform/notifications.h"
#include "core/recordstore.h"
#include "ui_mianwindow.h"

#include <QPixmap>

namespace {

const int kFlashMs = 500;

}  // namespace

void MianWindow::setUpIncomingCalls()
{
    m_incoming = new IncomingCall;
    connect(m_incoming, &IncomingCall::answered, this, &MianWindow::onIncomingAnswered);
    connect(m_incoming, &IncomingCall::missed, this, &MianWindow::onIncomingMissed);
    CallEvents &events = CallEvents::instance();
    connect(&events, &CallEvents::ringing, this, &MianWindow::onRinging);
    connect(&events, &CallEvents::ended, m_incoming, &IncomingCall::callEnded);
    m_trayFlash.setInterval(kFlashMs);
    connect(&m_trayFlash, &QTimer::timeout, this, [this] {
        if (!m_trayIcon)
            return;
        m_trayFlashOn = !m_trayFlashOn;
        QPixmap blank(32, 32);
        blank.fill(Qt::transparent);
        m_trayIcon->setIcon(m_trayFlashOn ? QIcon(blank) : QIcon(QStringLiteral("image/Nuvoxaico19.png")));
    });
    OnIncomingCall(incomingCallArrived);
}

void MianWindow::onRinging(const QString &number, const QString &displayName)
{
    // An earlier call's end may still wait for the poll: it belongs to that
    // call, so it is taken now, before this call can be answered.
    onTimerOut();
    const QString contact = number.isEmpty() ? QString() : ContactStore(g_account).nameOf(number);
    m_incoming->ring(number, contact);
    if (isHidden()) {
        m_trayFlash.start();
        // The contact's name, else the name the caller gives (unchecked, so
        // beside the number, never instead of it).
        const QString who = contact.isEmpty() ? displayName : contact;
        const QString caller = number.isEmpty() ? tr("未知号码") : number;
        notify(tr("来电"), who.isEmpty() ? caller : who + QLatin1Char(' ') + caller);
    }
}

void MianWindow::onIncomingAnswered(const QString &number)
{
    m_trayFlash.stop();
    bringToFront();
    ui->tb2->setChecked(true);
    m_callee = number;
    endCallDisplay();
    ui->listWidget_2->clear();
    auto *item = new QListWidgetItem(
        tr("您与 %1 通话 %2").arg(number, m_callTime.toString(QStringLiteral("hh:mm:ss"))), ui->listWidget_2);
    item->setSizeHint(QSize(30, 24));
    QFont font(QStringLiteral("宋体"), 10);
    font.setBold(false);
    item->setFont(font);
    ui->pushButton_3->show();
    addHistoryEntry(number, QStringLiteral("in"));
}

void MianWindow::onIncomingMissed(const QString &number)
{
    const bool flashing = m_trayFlash.isActive();
    m_trayFlash.stop();
    if (m_trayIcon && flashing)
        m_trayIcon->setIcon(QIcon(QStringLiteral("image/Nuvoxaico19.png")));
    addHistoryEntry(number, QStringLiteral("miss"));
    if (isHidden())
        notify(tr("未接来电"), number.isEmpty() ? tr("未知号码") : number);
}

void MianWindow::notify(const QString &summary, const QString &body)
{
    Notifications::instance().show(summary, body);
}
