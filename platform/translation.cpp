#include "platform/translation.h"

#include "platform/paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

namespace Translation {

QString fileFor(const QLocale &locale, const QString &dir)
{
    // "C" and "POSIX" name no language; their section is no file name either.
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
