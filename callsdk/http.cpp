#include "http.h"

#include "paths.h"

#include <cctype>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <thread>

namespace callsdk {
namespace {

using GetFunction = decltype(&callsdk_http_get);

// The query function of libcallsdk-http.so, loaded on the first call (later
// callers wait for it); null when the library cannot be loaded.
GetFunction getFunction()
{
    static const GetFunction function = [] {
        // Never unloaded: libcurl and OpenSSL register exit handlers.
        void *handle =
            dlopen(besideThisLibrary("libcallsdk-http.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        auto f =
            handle ? reinterpret_cast<GetFunction>(dlsym(handle, "callsdk_http_get")) : nullptr;
        if (!f)
            std::fprintf(stderr, "callsdk: no service queries: %s\n", dlerror());
        return f;
    }();
    return function;
}

}  // namespace

bool cloudGet(const std::string &path, const Query &query, std::string *body, long timeoutMs)
{
    GetFunction get = getFunction();
    return get && get(path, query, body, timeoutMs);
}

void cloudPreload()
{
    static std::once_flag once;
    std::call_once(once, [] { std::thread([] { getFunction(); }).detach(); });
}

bool parseServer(const std::string &text, std::string *host, int *port, bool *tls)
{
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    std::string t = text.substr(b, e - b);
    // Only this one parameter is understood; anything else after ";" is
    // refused by the host check below.
    static const std::string kTls = ";transport=tls";
    bool secure = false;
    if (t.size() > kTls.size()) {
        std::string tail = t.substr(t.size() - kTls.size());
        for (char &c : tail)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (tail == kTls) {
            secure = true;
            t.resize(t.size() - kTls.size());
        }
    }
    std::string h = t;
    int p = secure ? 5061 : 5060;  // the standard SIP ports
    size_t colon = t.rfind(':');
    if (colon != std::string::npos) {
        h = t.substr(0, colon);
        std::string ps = t.substr(colon + 1);
        if (ps.empty() || ps.size() > 5)
            return false;
        p = 0;
        for (char c : ps) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
            p = p * 10 + (c - '0');
        }
        if (p < 1 || p > 65535)
            return false;
    }
    if (h.empty() || h.size() > 253)
        return false;
    for (char c : h) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            return false;
    }
    *host = h;
    *port = p;
    *tls = secure;
    return true;
}

}  // namespace callsdk
