// The HTTP side of the service: the cloud paths the client and the voice
// library call, and the account web pages the client opens in a browser.
#pragma once

#include "guard.h"

#include <string>
#include <vector>

namespace httplib {
class Server;
}

namespace nuvoxa {

class Store;

struct ServiceConfig
{
    std::string sipAddress = "127.0.0.1:5060";  // answer of server.aspx
    // Top-up credits the balance without any payment: for demonstrations only.
    bool demoPayments = false;
    Limits limits{};
    // The load balancers in front (canonical addresses, see canonicalAddress):
    // only from these does X-Forwarded-For name the client.
    std::vector<std::string> trustedProxies{};
};

// Installs every route on `server`, with its limits on connections and
// requests. `store` must outlive the server.
void installRoutes(httplib::Server &server, Store &store, const ServiceConfig &config);

}  // namespace nuvoxa
