#include "tlsfiles.h"

#include <fcntl.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace nuvoxa::tls {
namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Cert = std::unique_ptr<X509, decltype(&X509_free)>;
using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;

constexpr long kDay = 24L * 60 * 60;

Key noKey()
{
    return Key(nullptr, EVP_PKEY_free);
}
Cert noCert()
{
    return Cert(nullptr, X509_free);
}

bool exists(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

Key readKey(const std::string &path)
{
    Bio in(BIO_new_file(path.c_str(), "r"), BIO_free);
    if (!in)
        return noKey();
    return Key(PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
}

Cert readCert(const std::string &path)
{
    Bio in(BIO_new_file(path.c_str(), "r"), BIO_free);
    if (!in)
        return noCert();
    return Cert(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr), X509_free);
}

std::string pem(EVP_PKEY *key)
{
    Bio out(BIO_new(BIO_s_mem()), BIO_free);
    if (!out || !PEM_write_bio_PrivateKey(out.get(), key, nullptr, nullptr, 0, nullptr, nullptr))
        return {};
    char *data = nullptr;
    const long n = BIO_get_mem_data(out.get(), &data);
    return std::string(data, static_cast<size_t>(n));
}

std::string pem(X509 *cert)
{
    Bio out(BIO_new(BIO_s_mem()), BIO_free);
    if (!out || !PEM_write_bio_X509(out.get(), cert))
        return {};
    char *data = nullptr;
    const long n = BIO_get_mem_data(out.get(), &data);
    return std::string(data, static_cast<size_t>(n));
}

// Writes through a temporary file and a rename, so a reader never sees half
// a certificate; `exclusive` refuses to replace an existing file (keys).
bool writeFile(const std::string &path, const std::string &text, mode_t mode, bool exclusive,
    std::string *error)
{
    if (text.empty()) {
        *error = "cannot encode " + path;
        return false;
    }
    const std::string tmp = path + ".new";
    ::unlink(tmp.c_str());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size())
        && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (ok)
        ok = exclusive ? ::link(tmp.c_str(), path.c_str()) == 0
                       : ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok)
        *error = "cannot write " + path + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return ok;
}

Key newKey()
{
    return Key(EVP_EC_gen("P-256"), EVP_PKEY_free);
}

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    const bool ok = ext && X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

// A certificate for `key` named `commonName`, signed by `issuerKey` under
// `issuer` (itself when null), valid from a day ago for `days`.
Cert issue(EVP_PKEY *key, const char *commonName, X509 *issuer, EVP_PKEY *issuerKey, long days,
    bool authority)
{
    Cert cert(X509_new(), X509_free);
    unsigned char serial[16];
    if (!cert || RAND_bytes(serial, sizeof serial) != 1)
        return noCert();
    serial[0] &= 0x7f;  // a positive serial number
    BIGNUM *bn = BN_bin2bn(serial, sizeof serial, nullptr);
    const bool serialOk = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_NAME *name = X509_get_subject_name(cert.get());
    bool ok = serialOk && X509_set_version(cert.get(), 2)
        && X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kDay)
        && X509_gmtime_adj(X509_getm_notAfter(cert.get()), days * kDay)
        && X509_set_pubkey(cert.get(), key)
        && X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
            reinterpret_cast<const unsigned char *>("Nuvoxa local service"), -1, -1, 0)
        && X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
            reinterpret_cast<const unsigned char *>(commonName), -1, -1, 0)
        && X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
    X509 *signer = issuer ? issuer : cert.get();
    if (authority) {
        ok = ok
            && addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE,pathlen:0")
            && addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        ok = ok && addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE")
            && addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature")
            && addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth") &&
            // mbedTLS 2, under the voice library's SIP over TLS, matches a
            // name against DNS entries only: the loopback address is one too.
            addExtension(cert.get(), signer, NID_subject_alt_name,
                "DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1,IP:::1");
    }
    ok = ok && addExtension(cert.get(), signer, NID_subject_key_identifier, "hash")
        && (authority
            || addExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always"))
        && X509_sign(cert.get(), issuerKey, EVP_sha256()) > 0;
    return ok ? std::move(cert) : noCert();
}

// The server certificate still serves: it was signed by this authority,
// names the loopback address for SIP clients too (see issue) and has
// more than 30 days left.
bool serverCertUsable(X509 *server, X509 *ca, EVP_PKEY *serverKey)
{
    if (!server || !serverKey)
        return false;
    if (X509_check_host(server, "127.0.0.1", 0, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr) != 1)
        return false;
    EVP_PKEY *caKey = X509_get0_pubkey(ca);
    if (!caKey || X509_verify(server, caKey) != 1 || X509_check_private_key(server, serverKey) != 1)
        return false;
    time_t soon = time(nullptr) + 30 * kDay;
    return X509_cmp_time(X509_get0_notAfter(server), &soon) > 0;
}

}  // namespace

Files filesFor(const std::string &folder)
{
    Files f;
    f.folder = folder + "/tls";
    f.caCert = f.folder + "/ca.pem";
    f.caKey = f.folder + "/ca.key";
    f.serverCert = f.folder + "/server.pem";
    f.serverKey = f.folder + "/server.key";
    return f;
}

bool ensure(const Files &files, std::string *error)
{
    if (::mkdir(files.folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create " + files.folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::lstat(files.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)
        || st.st_uid != ::geteuid()) {
        *error = files.folder + " is not a folder of this user";
        return false;
    }

    Key caKey = readKey(files.caKey);
    Cert ca = readCert(files.caCert);
    if (!caKey && !ca && !exists(files.caKey) && !exists(files.caCert)) {
        caKey = newKey();
        ca = caKey ? issue(caKey.get(), "Nuvoxa local service CA", nullptr, caKey.get(), 3650, true)
                   : noCert();
        if (!ca || !writeFile(files.caKey, pem(caKey.get()), 0600, true, error)
            || !writeFile(files.caCert, pem(ca.get()), 0644, true, error)) {
            if (error->empty())
                *error = "cannot create the certificate authority";
            return false;
        }
    }
    if (!caKey || !ca || X509_check_private_key(ca.get(), caKey.get()) != 1) {
        // Someone else's or damaged files: the operator's to look at, not ours
        // to replace.
        *error =
            "the certificate authority in " + files.folder + " does not read (ca.pem and ca.key)";
        return false;
    }

    Key serverKey = readKey(files.serverKey);
    if (!serverKey) {
        if (exists(files.serverKey)) {
            *error = files.serverKey + " does not read";
            return false;
        }
        serverKey = newKey();
        if (!serverKey || !writeFile(files.serverKey, pem(serverKey.get()), 0600, true, error)) {
            if (error->empty())
                *error = "cannot create the server key";
            return false;
        }
    }
    Cert server = readCert(files.serverCert);
    if (serverCertUsable(server.get(), ca.get(), serverKey.get()))
        return true;
    server = issue(serverKey.get(), "localhost", ca.get(), caKey.get(), 825, false);
    // The chain as servers present it: the certificate, then its issuer.
    return server
        && writeFile(files.serverCert, pem(server.get()) + pem(ca.get()), 0644, false, error);
}

}  // namespace nuvoxa::tls
