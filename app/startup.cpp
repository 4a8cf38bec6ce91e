#include "app/startup.h"

#include "app/globals.h"
#include "app/numberinbox.h"
#include "core/hosts.h"
#include "core/numberlink.h"
#include "login/widget.h"
#include "platform/instanceguard.h"
#include "platform/numberchannel.h"
#include "platform/paths.h"
#include "platform/translation.h"
#include "widgets/focusmarker.h"
#include "widgets/skinstyle.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include "widgets/messagebox.h"
#include <QTextCodec>
#include <QTimer>

#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <system_error>
#include <thread>

namespace {

// Every window is drawn by the raster engine. Without this the X11 platform
// loads its OpenGL integration at start, and with it the system's software
// renderer: about 50 MiB of memory and 100 ms of start-up for nothing. It has
// to be in place before the application object exists, hence a static
// initialiser; a value set by the user still wins.
const bool g_noGlIntegration = setenv("QT_XCB_GL_INTEGRATION", "none", 0) == 0;

// The font configuration (some forty XML files and the font caches, 5 ms
// here) is read when the login window first lays out a text, and the window
// waits for it. The application object takes longer than that to connect to
// the display, so it is read meanwhile on another thread: fontconfig keeps
// one configuration per process and the toolkit finds it ready.
struct FontConfigurationReader {
    std::thread thread;
    void wait()
    {
        if (thread.joinable())
            thread.join();
    }
    ~FontConfigurationReader() { wait(); }
};
FontConfigurationReader g_fontConfiguration;

}  // namespace

namespace Startup {

void prepareFolders()
{
    QDir::setCurrent(Paths::programDir());
    const QString temp = Paths::tempDir();
    if (!QDir(temp).exists())
        QDir().mkpath(temp);
}

void readFontConfigurationAhead()
{
    try {
        g_fontConfiguration.thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to spare: the toolkit reads it when it needs it.
    }
}

void installFontSubstitutes()
{
    // Reading it twice at once would only double the work.
    g_fontConfiguration.wait();
    const QStringList families = QFontDatabase().families();
    // Carlito has Calibri's metrics, so the number field holds as many digits.
    if (families.contains(QStringLiteral("Carlito")))
        QFont::insertSubstitution(QStringLiteral("Calibri"), QStringLiteral("Carlito"));
    static const char *const candidates[] = {
        "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC", "Droid Sans Fallback"};
    for (const char *candidate : candidates) {
        const QString family = QString::fromLatin1(candidate);
        if (!families.contains(family))
            continue;
        QFont::insertSubstitution(QStringLiteral("微软雅黑"), family);
        QFont::insertSubstitution(QStringLiteral("宋体"), family);
        QFont::insertSubstitution(QStringLiteral("Microsoft YaHei"), family);
        QFont::insertSubstitution(QStringLiteral("SimSun"), family);
        // Labels without a family of their own get the Chinese face too, at
        // the size the forms were laid out for.
        QApplication::setFont(QFont(family, 9));
        return;
    }
}

void installLook()
{
    installFontSubstitutes();
    SkinStyle::apply();
}

void receiveNumbers(NumberChannel &channel)
{
    QObject::connect(&channel, &NumberChannel::received, &channel, [](const QString &text) {
        // Whatever another process of ours sends is checked like a link.
        const QString number = NumberLink::dialable(text);
        if (!number.isEmpty())
            NumberInbox::instance().put(number);
    });
}

int run(QApplication &app, const QStringList &arguments)
{
    // Before the first box: a second copy speaks the user's language too.
    Translation::install(app);
    // A link handler passes exactly one argument; more are not read.
    const bool numberGiven = arguments.size() > 1;
    const QString number = numberGiven ? NumberLink::dialable(arguments.at(1)) : QString();
    auto refuseNumber = [] {
        MessageBox::information(nullptr, QCoreApplication::translate("main", "Nuvoxa"), NumberLink::refusal());
    };

    static InstanceGuard guard(QStringLiteral("Nuvoxa"));
    switch (guard.acquire()) {
    case InstanceGuard::Result::HeldElsewhere:
        if (numberGiven && number.isEmpty()) {
            refuseNumber();
            return 0;
        }
        if (!number.isEmpty() && NumberChannel::send(number))
            return 0;
        MessageBox::information(nullptr, QCoreApplication::translate("main", "Nuvoxa"),
                                QCoreApplication::translate("main", "只能同时登录一个账号！"));
        return 0;
    case InstanceGuard::Result::Acquired:
        g_instanceMutex = &guard;
        break;
    case InstanceGuard::Result::Unavailable:
        // No runtime folder to lock in: run without the guard.
        break;
    }

    NumberChannel channel;
    if (guard.isHeld()) {
        receiveNumbers(channel);
        channel.listen();
    }

    prepareFolders();
    Widget::prefetchSkin();
    // With an extra authority every certificate of the system's store is
    // parsed (a quarter of a second on a busy machine), which the login
    // window does not need to show. Queued before the window exists, this
    // still comes before any request the window makes.
    QTimer::singleShot(0, [] { Hosts::installTrust(); });
    g_adReady = false;
    g_autoStart = false;
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    installLook();
    FocusMarker::install();
    QApplication::setQuitOnLastWindowClosed(false);

    if (numberGiven && number.isEmpty())
        refuseNumber();
    else if (!number.isEmpty())
        NumberInbox::instance().put(number);  // taken when the main window first shows

    Widget window;
    window.show();
    const int status = app.exec();
    guard.release();
    return status;
}

}  // namespace Startup
