#ifndef NUVOXA_SERVICE_TLSFILES_H
#define NUVOXA_SERVICE_TLSFILES_H

#include <string>

// The service's own certificate authority and the server certificate it
// issues for the loopback addresses. Clients trust the authority through
// NUVOXA_CA_FILE; HTTPS and the SIP proxy's TLS listener present the server
// certificate.
namespace nuvoxa::tls {

struct Files
{
    std::string folder;  // <state>/tls, owner-only
    std::string caCert;  // ca.pem: what clients trust
    std::string caKey;  // ca.key, owner-only
    std::string serverCert;  // server.pem: server certificate then the CA
    std::string serverKey;  // server.key, owner-only
};

// The files in `folder`/tls.
Files filesFor(const std::string &folder);

// Creates what is missing: the authority once (ten years), and a server
// certificate for localhost, 127.0.0.1 and ::1 whenever there is none, it
// no longer reads, it was not issued by the authority or it expires within
// 30 days. Existing keys are never overwritten.
bool ensure(const Files &files, std::string *error);

}  // namespace nuvoxa::tls

#endif
