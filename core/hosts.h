#ifndef NUVOXA_CORE_HOSTS_H
#define NUVOXA_CORE_HOSTS_H

#include <QString>

// The service's two hosts. Build settings, overridden at run time by
// NUVOXA_CLOUD_HOST / NUVOXA_WEB_HOST: "host[:port]" is plain http,
// "https://host[:port]" is TLS, verified against the system's authorities
// and the one of NUVOXA_CA_FILE (see installTrust).
namespace Hosts {

// Scheme and host, no trailing slash: "http://host:port", "https://host".
QString cloudBase();
QString webBase();

// Adds the certificates of NUVOXA_CA_FILE (variable, else build setting) to
// the authorities every TLS connection of the process trusts. Call before
// the first request; false (and a line on stderr) when a file is named but
// holds no certificate, in which case HTTPS to a host it vouches for fails.
bool installTrust();

}  // namespace Hosts

#endif
