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

// The language file for `locale` in `dir`, or an empty string. Only the
// language counts: en_GB, en_US and en_IN share one file.
QString fileFor(const QLocale &locale, const QString &dir);

// Installs the translation for `locale` from the program folder into `app`;
// false when the source texts stay.
bool install(QCoreApplication &app, const QLocale &locale = QLocale::system());

}  // namespace Translation

#endif
