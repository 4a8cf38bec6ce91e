#include "app/hosts.h"

namespace Hosts {

static QString hostFrom(const char *variable, const char *fallback)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    return value.isEmpty() ? QString::fromUtf8(fallback) : value;
}

QString cloudHost()
{
    return hostFrom("NUVOXA_CLOUD_HOST", NUVOXA_DEFAULT_CLOUD_HOST);
}

QString webHost()
{
    return hostFrom("NUVOXA_WEB_HOST", NUVOXA_DEFAULT_WEB_HOST);
}

QString cloudBase()
{
    return QStringLiteral("http://") + cloudHost();
}

QString webBase()
{
    return QStringLiteral("http://") + webHost();
}

}  // namespace Hosts
