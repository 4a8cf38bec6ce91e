#include "core/numberlink.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// Longer input is no telephone number: it is refused before any work on it.
constexpr int MaxInput = 1024;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Decodes %XX escapes once. A "%" without two hex digits after it refuses
// the text: a half-decoded number must not reach the field. What an escape
// decodes to is data, never structure: "%3B" is no parameter separator and
// is refused with every other character a number cannot hold.
bool percentDecode(QString *text)
{
    const QByteArray raw = text->toUtf8();
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (int i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != '%') {
            bytes.append(raw.at(i));
            continue;
        }
        if (i + 2 >= raw.size() || !isHexDigit(raw.at(i + 1)) || !isHexDigit(raw.at(i + 2)))
            return false;
        bytes.append(char(raw.mid(i + 1, 2).toInt(nullptr, 16)));
        i += 2;
    }
    // With its size: the QByteArray overload stops at a NUL, which would cut
    // "123%00…" down to a clean-looking "123".
    *text = QString::fromUtf8(bytes.constData(), bytes.size());
    return true;
}

}  // namespace

namespace NumberLink {

QString dialable(const QString &text)
{
    if (text.size() > MaxInput)
        return QString();
    QString number = text.trimmed();

    static const QRegularExpression scheme(QStringLiteral("^(tel|callto|sip):"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch link = scheme.match(number);
    if (link.hasMatch()) {
        const bool sip = link.captured(1).compare(QLatin1String("sip"), Qt::CaseInsensitive) == 0;
        number.remove(0, link.capturedLength());
        // "callto://…" and "tel://…" are common in web pages.
        if (number.startsWith(QLatin1String("//")))
            number.remove(0, 2);
        // Headers of a sip: link, a query of the others.
        number = number.section(QLatin1Char('?'), 0, 0);
        // The user part of sip:user@host; sip:number alone is a number too.
        if (sip)
            number = number.section(QLatin1Char('@'), 0, 0);
        number = number.section(QLatin1Char(';'), 0, 0);
        if (!percentDecode(&number))
            return QString();
    }

    static const QRegularExpression separators(QStringLiteral("[-.() ]"));
    number.remove(separators);
    if (number.startsWith(QLatin1Char('+')))
        number.replace(0, 1, QStringLiteral("00"));

    // Anchored at the very end: "$" would let a trailing line feed through.
    static const QRegularExpression valid(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9*#]{1,%1}").arg(MaxLength)));
    return valid.match(number).hasMatch() ? number : QString();
}

QString refusal()
{
    return QCoreApplication::translate("NumberLink", "无法拨打这个号码：号码只能由数字、* 和 # 组成，最长 25 位。");
}

}  // namespace NumberLink
