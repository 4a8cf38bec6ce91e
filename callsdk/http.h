// The service's queries on the cloud host, over http or https.
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
bool cloudGet(const std::string &path, const Query &query, std::string *body, long timeoutMs);

// Checks a voice server text "host[:port][;transport=tls]" and splits it.
// The port defaults to 5060 (5061 with TLS); `tls` tells whether the ";transport=tls"
// suffix was there (without it the server is reached over UDP).
bool parseServer(const std::string &text, std::string *host, int *port, bool *tls);

}  // namespace callsdk

#endif
