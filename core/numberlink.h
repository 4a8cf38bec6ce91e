#ifndef NUVOXA_CORE_NUMBERLINK_H
#define NUVOXA_CORE_NUMBERLINK_H

#include <QString>

// Numbers that reach the client from outside the key pad: a link opened on
// the desktop (tel:, callto:, sip:), a number on the command line, the
// clipboard.
namespace NumberLink {

// The longest number the number field holds.
constexpr int MaxLength = 25;

// The number to put into the number field, or an empty string when the text
// holds no dialable number. Links are read as RFC 3966 writes telephone
// numbers: visual separators ("-", ".", "(", ")") and blanks are dropped,
// parameters after ";" are ignored, percent-escapes are decoded; a sip: link
// gives its user part. A leading "+" becomes the service's international
// prefix "00". What is left must be 1 to 25 of "0"-"9", "*" and "#".
QString dialable(const QString &text);

// What the user is told when a link or pasted text holds no such number.
QString refusal();

}  // namespace NumberLink

#endif
