// The client driven by a script, for the headless demo: logs in by the real
// login window, calls an echo number, hangs up and saves pictures of the
// login window, the main window in the call, the history page and the
// contacts page.
//
//   nuvoxa-demo SHOTS_DIR [--keep]
//
// The account comes from NUVOXA_DEMO ("account:password"), the service from
// NUVOXA_CLOUD_HOST as for the client. With --keep the client stays up after
// the script. Exit status 0 when every step was seen, 1 otherwise.
#include "app/globals.h"
#include "app/startup.h"
#include "core/hosts.h"
#include "login/widget.h"
#include "mainwindow/mianwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QSystemTrayIcon>
#include <QTextCodec>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

const char *const kEchoNumber = "18600000000";

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

void pause(int ms)
{
    waitUntil([] { return false; }, ms);
}

MianWindow *mainWindow()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *w = qobject_cast<MianWindow *>(top))
            return w;
    }
    return nullptr;
}

template <typename T>
T *child(QWidget *w, const char *name)
{
    return w ? w->findChild<T *>(QLatin1String(name)) : nullptr;
}

void click(QWidget *w, const char *name)
{
    if (auto *button = child<QAbstractButton>(w, name))
        button->click();
}

class Script
{
public:
    Script(Widget *login, const QString &shots) : m_login(login), m_shots(shots) {}

    bool run()
    {
        QByteArray demo = qgetenv("NUVOXA_DEMO");
        if (demo.isEmpty())
            demo = "80000001:nuvoxa123";
        const QString account = QString::fromUtf8(demo.left(demo.indexOf(':')));
        const QString password = QString::fromUtf8(demo.mid(demo.indexOf(':') + 1));

        pause(1500);
        child<QComboBox>(m_login, "cbUsername")->setEditText(account);
        child<QLineEdit>(m_login, "lePassword")->setText(password);
        shot(m_login, "run-login");
        click(m_login, "pbLogin");
        if (!step("main window shown",
                  waitUntil([] { return mainWindow() && mainWindow()->isVisible(); }, 20000)))
            return false;
        MianWindow *main = mainWindow();
        step("tray available", QSystemTrayIcon::isSystemTrayAvailable());
        pause(1000);

        for (const char *c = kEchoNumber; *c; ++c) {
            const int key = *c == '0' ? 11 : *c - '0';
            click(main, qPrintable(QStringLiteral("d%1").arg(key)));
        }
        click(main, "d13");
        auto *status = child<QListWidget>(main, "listWidget_2");
        const bool connected = waitUntil(
            [status] { return status->count() > 0 && status->item(0)->text().contains(QStringLiteral("00:00:03")); },
            15000);
        shot(main, "run-in-call");
        if (!step("call connected", connected))
            return false;
        click(main, "pushButton_3");
        pause(500);

        click(main, "tb3");
        pause(500);
        shot(main, "run-history");
        click(main, "tb2_2");
        pause(500);
        shot(main, "run-contacts");
        click(main, "tb2");
        return true;
    }

private:
    bool step(const char *what, bool ok)
    {
        std::printf("%s: %s\n", what, ok ? "yes" : "NO");
        std::fflush(stdout);
        return ok;
    }

    void shot(QWidget *w, const char *name)
    {
        const QString path = m_shots + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        const bool saved = w->grab().save(path);
        std::printf("screenshot %s%s\n", qPrintable(path), saved ? "" : " FAILED");
        std::fflush(stdout);
    }

    Widget *m_login;
    QString m_shots;
};

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: nuvoxa-demo SHOTS_DIR [--keep]\n");
        return 2;
    }
    const QString shots = QDir(args.at(1)).absolutePath();
    const bool keep = args.contains(QStringLiteral("--keep"));
    QDir().mkpath(shots);

    // As the client starts, without the single-instance guard: the demo may
    // run beside a client of the same user.
    Startup::prepareFolders();
    Hosts::installTrust();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    Startup::installLook();
    QApplication::setQuitOnLastWindowClosed(false);

    Widget login;
    login.show();
    int status = 1;
    QTimer::singleShot(0, [&] {
        Script script(&login, shots);
        status = script.run() ? 0 : 1;
        if (!keep)
            QCoreApplication::quit();
    });
    const int appStatus = app.exec();
    return keep ? appStatus : status;
}
