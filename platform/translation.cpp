#include "platform/translation.h"

#include "platform/paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

namespace Translation {

QLocale messagesLocale()
{
    QString name;
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            break;
    }
    // "en_US.UTF-8@euro": the codeset and modifier say nothing of the language.
    name = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QLocale::c();
    return QLocale(name);
}

QString fileFor(const QLocale &locale, const QString &dir)
{
    // The C locale names no language, and Chinese is the sources' own.
    const QString language = locale.name().section(QLatin1Char('_'), 0, 0);
    if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("zh"))
        return QString();
    const QString file = dir + QStringLiteral("/nuvoxa_") + language + QStringLiteral(".qm");
    return QFileInfo(file).isFile() ? file : QString();
}

bool install(QCoreApplication &app, const QLocale &locale)
{
    const QString file = fileFor(locale, Paths::programFile(QStringLiteral("translations")));
    if (file.isEmpty())
        return false;
    auto *translator = new QTranslator(&app);
    if (!translator->load(file)) {
        delete translator;
        return false;
    }
    return app.installTranslator(translator);
}

}  // namespace Translation
