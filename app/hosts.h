#ifndef NUVOXA_APP_HOSTS_H
#define NUVOXA_APP_HOSTS_H

#include <QString>

// The service's two hosts ("host" or "host:port", plain http). Build
// settings, overridden at run time by NUVOXA_CLOUD_HOST / NUVOXA_WEB_HOST.
namespace Hosts {

QString cloudHost();
QString webHost();
// "http://" + host, no trailing slash.
QString cloudBase();
QString webBase();

}  // namespace Hosts

#endif
