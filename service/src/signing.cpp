#include "signing.h"

#include <sodium.h>

#include <stdexcept>
#include <vector>

namespace nuvoxa::signing {

namespace {

const unsigned char *bytes(const std::string &s)
{
    return reinterpret_cast<const unsigned char *>(s.data());
}

std::string base64(const std::string &data)
{
    std::vector<char> out(sodium_base64_ENCODED_LEN(data.size(), sodium_base64_VARIANT_ORIGINAL));
    sodium_bin2base64(
        out.data(), out.size(), bytes(data), data.size(), sodium_base64_VARIANT_ORIGINAL);
    return std::string(out.data());
}

bool unbase64(const std::string &text, std::string *out)
{
    std::vector<unsigned char> buf(text.size());
    size_t len = 0;
    if (sodium_base642bin(buf.data(), buf.size(), text.data(), text.size(), " \r\n", &len, nullptr,
            sodium_base64_VARIANT_ORIGINAL)
        != 0)
        return false;
    out->assign(reinterpret_cast<const char *>(buf.data()), len);
    return true;
}

std::string edSign(const KeyPair &key, const std::string &message)
{
    std::string sig(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(sig.data()), nullptr, bytes(message),
        message.size(), bytes(key.secretKey));
    return sig;
}

void init()
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
}

}  // namespace

KeyPair generate()
{
    init();
    KeyPair key;
    key.publicKey.assign(crypto_sign_PUBLICKEYBYTES, '\0');
    key.secretKey.assign(crypto_sign_SECRETKEYBYTES, '\0');
    key.keyId.assign(8, '\0');
    crypto_sign_keypair(reinterpret_cast<unsigned char *>(key.publicKey.data()),
        reinterpret_cast<unsigned char *>(key.secretKey.data()));
    randombytes_buf(key.keyId.data(), key.keyId.size());
    return key;
}

std::string publicKeyLine(const KeyPair &key)
{
    return base64("Ed" + key.keyId + key.publicKey);
}

std::string secretKeyText(const KeyPair &key)
{
    return "untrusted comment: nuvoxa-service update signing key\n"
        + base64("Ed" + key.keyId + key.secretKey) + "\n";
}

bool parseSecretKey(const std::string &text, KeyPair *key)
{
    const size_t nl = text.find('\n');
    if (nl == std::string::npos)
        return false;
    std::string line = text.substr(nl + 1);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    std::string raw;
    if (!unbase64(line, &raw) || raw.size() != 2 + 8 + crypto_sign_SECRETKEYBYTES
        || raw.compare(0, 2, "Ed") != 0)
        return false;
    key->keyId = raw.substr(2, 8);
    key->secretKey = raw.substr(10);
    key->publicKey.assign(crypto_sign_PUBLICKEYBYTES, '\0');
    crypto_sign_ed25519_sk_to_pk(
        reinterpret_cast<unsigned char *>(key->publicKey.data()), bytes(key->secretKey));
    return true;
}

std::string sign(
    const KeyPair &key, const std::string &message, long long signedAt, const std::string &fileName)
{
    init();
    std::string hash(crypto_generichash_BYTES_MAX, '\0');
    crypto_generichash(reinterpret_cast<unsigned char *>(hash.data()), hash.size(), bytes(message),
        message.size(), nullptr, 0);
    const std::string sig = edSign(key, hash);
    const std::string trusted =
        "timestamp:" + std::to_string(signedAt) + "\tfile:" + fileName + "\thashed";
    return "untrusted comment: signature from nuvoxa-service\n" + base64("ED" + key.keyId + sig)
        + "\ntrusted comment: " + trusted + "\n" + base64(edSign(key, sig + trusted)) + "\n";
}

std::string sha256Hex(const std::string &data)
{
    init();
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, bytes(data), data.size());
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : digest) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

}  // namespace nuvoxa::signing
