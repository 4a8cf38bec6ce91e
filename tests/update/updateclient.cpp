// Stands in for the client in the end-to-end update test: it holds the
// instance guard like the client, opens the real settings window, presses
// "检查更新" and logs what it is offered. The first time it is offered an
// update it presses "立即更新", which hands over to the update program.
#include "app/globals.h"
#include "platform/instanceguard.h"
#include "platform/paths.h"
#include "settings/settingdlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

static void logLine(const QString &line)
{
    QFile file(qEnvironmentVariable("NUVOXA_TEST_CLIENT_LOG"));
    if (file.open(QIODevice::Append))
        file.write(line.toUtf8() + '\n');
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    static InstanceGuard guard(QStringLiteral("Nuvoxa"));
    if (guard.acquire() != InstanceGuard::Result::Acquired) {
        logLine(QStringLiteral("refused"));
        return 3;
    }
    g_instanceMutex = &guard;
    QDir::setCurrent(Paths::programDir());

    QFile previous(qEnvironmentVariable("NUVOXA_TEST_CLIENT_LOG"));
    const bool handedOverBefore = previous.open(QIODevice::ReadOnly) && previous.readAll().contains("offered");

    SettingDlg dlg;
    dlg.show();
    auto *checkNow = dlg.findChild<QToolButton *>(QStringLiteral("toolButton_10"));
    auto *updateNow = dlg.findChild<QToolButton *>(QStringLiteral("toolButton_20"));
    QTimer poll;
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            done = true;
            logLine(QStringLiteral("latest ") + box->text());
            box->buttons().first()->click();
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        } else if (!updateNow->isHidden()) {  // on a page not shown
            done = true;
            logLine(QStringLiteral("offered ") + dlg.downloadList().join(QLatin1Char(',')));
            if (handedOverBefore)
                QCoreApplication::exit(0);
            else
                updateNow->click();
        }
    });
    poll.start(20);
    QTimer::singleShot(0, checkNow, &QToolButton::click);
    QTimer::singleShot(20000, [] {
        logLine(QStringLiteral("timeout"));
        QCoreApplication::exit(2);
    });
    const int status = app.exec();
    guard.release();
    return status;
}
