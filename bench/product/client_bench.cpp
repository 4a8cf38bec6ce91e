// The real client with the real voice library, in one process, driven like
// a user would: log in, place direct calls.
//
//   client_bench seed HISTORY CONTACTS     write the demo account's history,
//                                          contacts and an automatic login
//   client_bench login                     one login: click -> main window shown
//   client_bench call CALLS NUMBER         log in, then CALLS direct calls:
//                                          click on d13 -> INVITE on the wire,
//                                          -> ACK of the 200 on the wire
//
// The account comes from NUVOXA_DEMO (account:password), the service from
// NUVOXA_CLOUD_HOST, the proxy's UDP port from NUVOXA_SIP_HOST. Prints
// NAME=value lines (milliseconds). Calls need CAP_NET_RAW to see the wire.
#include "app/globals.h"
#include "app/startup.h"
#include "callsdk.h"
#include "core/hosts.h"
#include "core/settingsstore.h"
#include "login/widget.h"
#include "mainwindow/mianwindow.h"
#include "platform/paths.h"
#include "sniff.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

QString g_demoAccount, g_demoPassword;

bool readDemo()
{
    const QString demo = QString::fromLocal8Bit(qgetenv("NUVOXA_DEMO"));
    const int colon = demo.indexOf(QLatin1Char(':'));
    if (colon <= 0) {
        std::fprintf(stderr, "client_bench: NUVOXA_DEMO (account:password) is not set\n");
        return false;
    }
    g_demoAccount = demo.left(colon);
    g_demoPassword = demo.mid(colon + 1);
    return true;
}

// Runs the event loop until pred() holds or ms pass, looking every 0.2 ms;
// with `idleMs`, the loop waits for events between looks that far apart, for
// waits whose figure comes from elsewhere (the capture).
template <class P>
bool waitFor(P pred, int ms, int idleMs = 0)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > ms)
            return false;
        if (idleMs > 0) {
            QEventLoop loop;
            QTimer::singleShot(idleMs, &loop, &QEventLoop::quit);
            loop.exec();
            continue;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!pred())
            QThread::usleep(200);
    }
    return true;
}

bool shown(QWidget *w)
{
    return w && w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed();
}

MianWindow *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *m = qobject_cast<MianWindow *>(w))
            return m;
    }
    return nullptr;
}

int seed(int history, int contacts)
{
    g_account = g_demoAccount;
    SettingsStore::ensureFolder();
    QRandomGenerator random(20261207);
    auto number = [&] {
        return QStringLiteral("1%1%2").arg(3 + random.bounded(6)).arg(random.bounded(1000000000), 9, 10,
                                                                     QLatin1Char('0'));
    };
    {
        auto file = SettingsStore::open(SettingsStore::historyFile(g_account));
        for (int i = 0; i < history; ++i) {
            const QString n = number();
            const QString group = n + QStringLiteral("out");
            file->setValue(group + QStringLiteral("/type"), QStringLiteral("out"));
            file->setValue(group + QStringLiteral("/num"), n);
            file->setValue(group + QStringLiteral("/time"), QStringLiteral("26.12.07 10:00"));
            file->setValue(group + QStringLiteral("/name"), QString());
        }
    }
    {
        auto file = SettingsStore::open(SettingsStore::contactsFile(g_account));
        for (int i = 0; i < contacts; ++i) {
            const QString name = QStringLiteral("联系人%1").arg(i);
            const QString phone = number();
            file->setValue(name + phone + QStringLiteral("/name"), name);
            file->setValue(name + phone + QStringLiteral("/phone"), phone);
        }
    }
    SettingsStore::writeAutoLogin(g_demoAccount, g_demoPassword);
    return 0;
}

// Shows the login window as the program does and logs in; the milliseconds
// from the click to the main window on screen, or -1.
double login(Widget &window)
{
    window.show();
    if (!waitFor([&] { return shown(&window); }, 10000))
        return -1;
    auto *user = window.findChild<QComboBox *>(QStringLiteral("cbUsername"));
    auto *password = window.findChild<QLineEdit *>(QStringLiteral("lePassword"));
    auto *button = window.findChild<QAbstractButton *>(QStringLiteral("pbLogin"));
    if (!user || !password || !button)
        return -1;
    user->setEditText(g_demoAccount);
    password->setText(g_demoPassword);
    // A user reads the window and types for a second at least before the
    // click; the program may use that second (it loads the voice engine).
    waitFor([] { return false; }, 1000);
    QElapsedTimer timer;
    timer.start();
    button->click();
    if (!waitFor([] { return shown(mainWindow()); }, 15000))
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

int calls(Widget &window, int count, const QString &number)
{
    const QString sip = QString::fromLocal8Bit(qgetenv("NUVOXA_SIP_HOST"));
    const int proxyPort = sip.section(QLatin1Char(':'), -1).toInt();
    SipSniffer sniffer;
    if (proxyPort <= 0 || !sniffer.start(proxyPort)) {
        std::fprintf(stderr, "client_bench: cannot capture on lo (NUVOXA_SIP_HOST=%s, root?)\n", qPrintable(sip));
        return 1;
    }
    if (login(window) < 0) {
        std::fprintf(stderr, "client_bench: login failed\n");
        return 1;
    }
    MianWindow *main = mainWindow();
    auto *input = main->findChild<QLineEdit *>(QStringLiteral("leInput"));
    auto *dial = main->findChild<QAbstractButton *>(QStringLiteral("d13"));
    auto *hangUp = main->findChild<QAbstractButton *>(QStringLiteral("pushButton_3"));
    if (!input || !dial || !hangUp)
        return 1;
    waitFor([] { return false; }, 500);
    for (int i = 0; i < count; ++i) {
        input->setText(number);
        const double t0 = realNow();
        dial->click();
        // The figures are the capture's times: the wire is read every 10 ms,
        // as probe reads it for the other programs. Looking every 0.2 ms kept
        // one of the two cores busy while the call was set up.
        CallWire wire;
        waitFor(
            [&] {
                wire = callWire(sniffer.since(t0), t0, proxyPort);
                return wire.ack >= 0;
            },
            5000, 10);
        printWire(stdout, wire);
        // The whole exchange, for finding where the time goes.
        if (qEnvironmentVariableIsSet("BENCH_SIP_TRACE")) {
            for (const SipPacket &p : sniffer.since(t0))
                std::fprintf(stderr, "%8.3f ms %5d -> %5d %s | %s\n", (p.t - t0) * 1000, p.srcPort, p.dstPort,
                             p.first.c_str(), p.cseq.c_str());
        }
        std::fflush(stdout);
        waitFor([] { return false; }, 300);
        if (!hangUp->isHidden())
            hangUp->click();
        waitFor([] { return false; }, 700);
    }
    return 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2 || !readDemo())
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    if (mode == QLatin1String("seed"))
        return seed(argc > 2 ? std::atoi(argv[2]) : 1000, argc > 3 ? std::atoi(argv[3]) : 200);

    QDir::setCurrent(Paths::programDir());
    QDir().mkpath(Paths::tempDir());
    Startup::installLook();
    Hosts::installTrust();
    QApplication::setQuitOnLastWindowClosed(false);
    int status = 2;
    {
        Widget window;
        if (mode == QLatin1String("login")) {
            const double ms = login(window);
            std::printf("login_ms=%.1f\n", ms);
            status = ms < 0 ? 1 : 0;
        } else if (mode == QLatin1String("call")) {
            status = calls(window, argc > 2 ? std::atoi(argv[2]) : 5,
                           argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("13800138000"));
        }
        std::fflush(stdout);
        callSdkDestroy();
    }
    // Leave without the windows' exit path, which ends the process itself.
    std::fflush(stdout);
    _exit(status);
}
