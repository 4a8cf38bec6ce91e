// Tray icon, minimising to the tray and the confirmed exit.
#include "mainwindow/mianwindow.h"

#include "app/globals.h"
#include "callsdk.h"
#include "ui_mianwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopWidget>
#include <QMenu>
#include "widgets/messagebox.h"

#include <chrono>
#include <future>
#include <thread>

void MianWindow::setupTray()
{
    m_trayIcon = new QSystemTrayIcon(QIcon(QStringLiteral("image/Nuvoxaico19.png")), this);
    m_exitAction = new QAction(tr("退出"), this);
    connect(m_exitAction, &QAction::triggered, this, &MianWindow::onExit);
    m_trayMenu = new QMenu(QApplication::desktop());
    m_trayMenu->addAction(m_exitAction);
    m_trayIcon->setVisible(true);
    m_trayIcon->setToolTip(windowTitle() + QStringLiteral("(") + g_account + QStringLiteral(")"));
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &MianWindow::iconActivated);
}

void MianWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || windowState() != Qt::WindowMinimized)
        return;
    // Without a tray there would be no way back to a hidden window: then the
    // window minimises as any other.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    hide();
    event->ignore();
}

void MianWindow::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    bringToFront();
}

void MianWindow::bringToFront()
{
    m_trayFlash.stop();
    if (m_trayIcon)
        m_trayIcon->setIcon(QIcon(QStringLiteral("image/Nuvoxaico19.png")));
    if (isHidden())
        setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    showNormal();
    raise();
    activateWindow();
}

void MianWindow::onExit()
{
    close();
}

void MianWindow::closeEvent(QCloseEvent *event)
{
    // Only an explicit "是" ends the program; Escape or closing the box keeps it.
    if (MessageBox::information(this, tr("Nuvoxa"), tr("确定关闭Nuvoxa？"),
                                QMessageBox::Yes | QMessageBox::No, {},
                                Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint, QMessageBox::No)
        != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    delete m_trayIcon;

    // Leaving a call connected would keep the far end (and the bill) running
    // until it times out: hang up and unregister, but never wait for the
    // voice library longer than a second.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([done] {
        call_hangup();
        callSdkDestroy();
        done->set_value();
    }).detach();
    finished.wait_for(std::chrono::seconds(1));
    exitReleasingGuard(1);
}
