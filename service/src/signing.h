#ifndef NUVOXA_SERVICE_SIGNING_H
#define NUVOXA_SERVICE_SIGNING_H

#include <string>

// Update signing in minisign's format, so clients verify what the stock
// minisign tool would produce and an operator may sign with either.
namespace nuvoxa::signing {

struct KeyPair
{
    std::string keyId;  // 8 bytes
    std::string publicKey;  // 32 bytes
    std::string secretKey;  // 64 bytes
};

KeyPair generate();

// minisign's public key line: base64 of "Ed", the key id and the key.
std::string publicKeyLine(const KeyPair &key);

// The secret key file's text (this service's own format: a comment line and
// the base64 of "Ed", the key id and the secret key). Keep it owner-only.
std::string secretKeyText(const KeyPair &key);
bool parseSecretKey(const std::string &text, KeyPair *key);

// A .minisig file for `message`: the default "ED" algorithm (Ed25519 over
// the BLAKE2b-512 hash) and the trusted comment
// "timestamp:<signedAt>\tfile:<fileName>\thashed".
std::string sign(const KeyPair &key, const std::string &message, long long signedAt,
    const std::string &fileName);

// Lowercase hexadecimal SHA-256.
std::string sha256Hex(const std::string &data);

}  // namespace nuvoxa::signing

#endif
