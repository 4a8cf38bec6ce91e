#ifndef NUVOXA_PLATFORM_TRANSLATION_H
#define NUVOXA_PLATFORM_TRANSLATION_H

#include <QLocale>
#include <QString>

class QCoreApplication;

// The interface language. The texts in the sources are Chinese; the program
// folder's `translations/` holds the other languages, built from
// translations/*.ts. A locale whose language has no file there (Chinese
// ones included, and the C locale) keeps the source texts.
namespace Translation {

// The locale of the user's messages, chosen as POSIX does: LC_ALL, else
// LC_MESSAGES, else LANG. QLocale::system() would follow the number format
// (LC_NUMERIC) instead, and QLocale::uiLanguages() calls the C locale English.
QLocale messagesLocale();

// The language file for `locale` in `dir`, or an empty string. Only the
// language counts: en_GB, en_US and en_IN share one file.
QString fileFor(const QLocale &locale, const QString &dir);

// Installs the translation for `locale` from the program folder into `app`;
// false when the source texts stay.
bool install(QCoreApplication &app, const QLocale &locale = messagesLocale());

}  // namespace Translation

#endif
