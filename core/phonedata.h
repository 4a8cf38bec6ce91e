#ifndef NUVOXA_CORE_PHONEDATA_H
#define NUVOXA_CORE_PHONEDATA_H

#include <QMetaType>
#include <QString>

// One history entry or one contact. History entries have type "out"; a
// contact has an empty time and type.
struct PHONEDATA
{
    QString time;  // "yy.MM.dd hh:mm"
    QString num;
    QString type;
    QString name;
};
Q_DECLARE_METATYPE(PHONEDATA)

namespace Records {
// The service's own number: always the first contact, never stored, never
// offered for callback.
inline QString serviceNumber()
{
    return QStringLiteral("10000000000");
}
}  // namespace Records

#endif
