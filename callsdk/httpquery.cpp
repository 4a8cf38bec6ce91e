// The service queries over libcurl and OpenSSL, in libcallsdk-http.so: the
// exported library loads it at the first query (see http.h).
#include "http.h"

#include "paths.h"

#include <curl/curl.h>
#include <mutex>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace callsdk {
namespace {

const size_t kMaxBody = 64 * 1024;

size_t collect(char *data, size_t size, size_t count, void *user)
{
    std::string *body = static_cast<std::string *>(user);
    size_t n = size * count;
    if (body->size() + n > kMaxBody)
        return 0;  // aborts the transfer: no service answer is that long
    body->append(data, n);
    return n;
}

std::string encode(CURL *curl, const std::string &value)
{
    char *e = curl_easy_escape(curl, value.c_str(), int(value.size()));
    std::string out = e ? e : "";
    curl_free(e);
    return out;
}

// Adds the certificates of caFile() to the authorities libcurl loaded from
// the system, for the service's own authority.
CURLcode addTrusted(CURL *, void *sslContext, void *)
{
    const std::string file = caFile();
    if (file.empty())
        return CURLE_OK;
    BIO *in = BIO_new_file(file.c_str(), "r");
    if (!in)
        return CURLE_SSL_CACERT_BADFILE;
    X509_STORE *store = SSL_CTX_get_cert_store(static_cast<SSL_CTX *>(sslContext));
    int added = 0;
    while (X509 *cert = PEM_read_bio_X509(in, nullptr, nullptr, nullptr)) {
        if (X509_STORE_add_cert(store, cert) == 1)
            ++added;
        X509_free(cert);
    }
    BIO_free(in);
    return added > 0 ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
}

}  // namespace

}  // namespace callsdk

extern "C" __attribute__((visibility("default"))) bool callsdk_http_get(
    const std::string &path, const callsdk::Query &query, std::string *body, long timeoutMs)
{
    using namespace callsdk;
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    CURL *curl = curl_easy_init();
    if (!curl)
        return false;
    std::string url = cloudBase() + path;
    const bool secure = url.compare(0, 8, "https://") == 0;
    char sep = '?';
    for (const auto &kv : query) {
        url += sep;
        url += encode(curl, kv.first) + "=" + encode(curl, kv.second);
        sep = '&';
    }
    std::string received;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, secure ? "https" : "http");
    // Without a way to add the service's authority the transfer would fail
    // on verification anyway; say so plainly instead.
    if (secure && curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, addTrusted) != CURLE_OK
        && !caFile().empty()) {
        curl_easy_cleanup(curl);
        return false;
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");  // the service is reached directly
    CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (rc != CURLE_OK || status != 200)
        return false;
    *body = received;
    return true;
}
