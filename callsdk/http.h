// The service's queries on the cloud host, over http or https. libcurl and
// OpenSSL would add much of the loading work at every program start, so the
// queries live in libcallsdk-http.so beside the exported library, which
// loads it at the first query.
#ifndef CALLSDK_HTTP_H
#define CALLSDK_HTTP_H

#include <string>
#include <utility>
#include <vector>

namespace callsdk {

using Query = std::vector<std::pair<std::string, std::string>>;

// GET <cloud base><path>?<query, percent-encoded>. True with the body when
// the server answered 200 within timeoutMs; over https only from a server
// whose certificate verifies (system authorities plus caFile()).
// False also when the query library cannot be loaded.
bool cloudGet(const std::string &path, const Query &query, std::string *body, long timeoutMs);
// Starts loading the query library on a background thread, once, so that
// the first query does not wait for it.
void cloudPreload();

// Checks a voice server text "host[:port][;transport=tls]" and splits it.
// The port defaults to 5060 (5061 with TLS); `tls` tells whether the ";transport=tls"
// suffix was there (without it the server is reached over UDP).
bool parseServer(const std::string &text, std::string *host, int *port, bool *tls);

}  // namespace callsdk

// What libcallsdk-http.so hands over: cloudGet itself.
extern "C" bool callsdk_http_get(
    const std::string &path, const callsdk::Query &query, std::string *body, long timeoutMs);

#endif
