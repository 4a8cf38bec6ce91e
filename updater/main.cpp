// The update program. The client starts it with the manifest entries to
// fetch and then exits; this program installs them and starts the client
// again, the updated one or, after any failure, the old one.
#include "core/hosts.h"
#include "platform/paths.h"
#include "platform/translation.h"
#include "updater/updatejob.h"
#include "updater/updatewindow.h"
#include "widgets/skinstyle.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include "widgets/messagebox.h"
#include <QProcess>
#include <QTextStream>
#include <QTimer>

namespace {

// The outcome of every run, for support: temp/update.log in the data folder.
void log(const QString &line)
{
    QDir().mkpath(Paths::tempDir());
    QFile file(Paths::tempDir() + QStringLiteral("/update.log"));
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << QDateTime::currentDateTime().toString(Qt::ISODate) << ' ' << line << '\n';
}

void tell(QWidget *parent, const QString &text)
{
    // Scripted runs (tests, unattended installs) have nobody to click "确定".
    if (qEnvironmentVariableIsSet("NUVOXA_UPDATE_UNATTENDED"))
        return;
    MessageBox::information(parent, QObject::tr("Nuvoxa"), text);
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Translation::install(app);
    const QString programDir = Paths::programDir();
    QDir::setCurrent(programDir);
    Hosts::installTrust();
    SkinStyle::apply();
    // The entries follow "--"; without it every argument is an entry, and
    // none that looks like an option is accepted as one.
    QStringList entries = app.arguments().mid(1);
    const int separator = entries.indexOf(QStringLiteral("--"));
    if (separator >= 0)
        entries = entries.mid(separator + 1);

    UpdateJob job(programDir, entries);
    UpdateWindow window(&job);
    QObject::connect(&job, &UpdateJob::finished, &window, [&](bool ok) {
        if (ok)
            log(QStringLiteral("installed: %1").arg(entries.join(QLatin1Char(' '))));
        else
            log(QStringLiteral("failed: %1").arg(job.error()));
        if (!ok)
            tell(&window, QObject::tr("更新失败：%1\n原来的版本已保留。").arg(job.error()));
        window.hide();
        if (!job.clientStillRunning()) {
            job.releaseClient();
            const QString client = programDir + QStringLiteral("/nuvoxa");
            if (QProcess::startDetached(client, {}, programDir)) {
                log(QStringLiteral("restarted %1").arg(client));
            } else {
                log(QStringLiteral("could not restart %1").arg(client));
                tell(nullptr, QObject::tr("无法重新启动Nuvoxa，请手动启动。"));
            }
        }
        QCoreApplication::exit(ok ? 0 : 1);
    });
    window.show();
    // Started from the event loop: a refusal found at once must still end it.
    QTimer::singleShot(0, &job, &UpdateJob::start);
    return app.exec();
}
