#include "codec.h"

#include <arpa/inet.h>
#include <openssl/evp.h>

#include <cctype>
#include <cstdio>

namespace nuvoxa {

std::string md5Hex(const std::string &data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(data.data(), data.size(), digest, &len, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(len * 2);
    for (unsigned int i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

static const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64Encode(const std::string &data)
{
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(data.data());
    for (; i + 2 < data.size(); i += 3) {
        uint32_t v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += kB64[(v >> 6) & 63];
        out += kB64[v & 63];
    }
    if (i + 1 == data.size()) {
        uint32_t v = p[i] << 16;
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == data.size()) {
        uint32_t v = (p[i] << 16) | (p[i + 1] << 8);
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += kB64[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

static int b64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+' || c == ' ')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

std::optional<std::string> base64Decode(const std::string &text)
{
    std::string t = text;
    while (!t.empty() && t.back() == '=')
        t.pop_back();
    if (t.size() % 4 == 1)
        return std::nullopt;
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    for (char c : t) {
        int v = b64Value(c);
        if (v < 0)
            return std::nullopt;
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xff);
        }
    }
    return out;
}

std::string htmlEscape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string xmlEscape(const std::string &text)
{
    return htmlEscape(text);
}

std::optional<int64_t> parseMoney(const std::string &text, int64_t maxCents)
{
    size_t i = 0;
    int64_t whole = 0;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (++digits > 9)
            return std::nullopt;
        whole = whole * 10 + (text[i] - '0');
        ++i;
    }
    if (digits == 0)
        return std::nullopt;
    int64_t cents = 0;
    if (i < text.size()) {
        if (text[i] != '.')
            return std::nullopt;
        ++i;
        size_t frac = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (++frac > 2)
                return std::nullopt;
            cents = cents * 10 + (text[i] - '0');
            ++i;
        }
        if (frac == 0 || i != text.size())
            return std::nullopt;
        if (frac == 1)
            cents *= 10;
    }
    int64_t total = whole * 100 + cents;
    if (total > maxCents)
        return std::nullopt;
    return total;
}

std::string formatMoney(int64_t cents)
{
    char buf[32];
    const char *sign = cents < 0 ? "-" : "";
    int64_t a = cents < 0 ? -cents : cents;
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", sign, static_cast<long long>(a / 100),
        static_cast<long long>(a % 100));
    return buf;
}

bool equalsIgnoreCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    unsigned diff = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        // Folds letters without a branch on the data.
        x |= 0x20u & (0u - static_cast<unsigned>((x | 0x20u) - 'a' < 26u));
        y |= 0x20u & (0u - static_cast<unsigned>((y | 0x20u) - 'a' < 26u));
        diff |= x ^ y;
    }
    return diff == 0;
}

const char kServiceNumber[] = "10000000000";

bool isGatewayNumber(const std::string &account)
{
    const size_t start = !account.empty() && account[0] == '+' ? 1 : 0;
    if (account.size() == start)
        return false;
    for (size_t i = start; i < account.size(); ++i)
        if (account[i] < '0' || account[i] > '9')
            return false;
    const bool subscriberRange = start == 0 && account.size() == 8 && account[0] == '8';
    return !subscriberRange;
}

std::string canonicalAddress(const std::string &text)
{
    const size_t begin = text.find_first_not_of(" \t"), end = text.find_last_not_of(" \t");
    if (begin == std::string::npos)
        return "";
    const std::string address = text.substr(begin, end - begin + 1);
    if (address.find('\0') != std::string::npos)
        return "";
    unsigned char bytes[16];
    char out[INET6_ADDRSTRLEN];
    for (int family : {AF_INET, AF_INET6})
        if (inet_pton(family, address.c_str(), bytes) == 1
            && inet_ntop(family, bytes, out, sizeof out))
            return out;
    return "";
}

bool isValidAccount(const std::string &account)
{
    if (account.empty() || account.size() > 32)
        return false;
    for (char c : account) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-'))
            return false;
    }
    return true;
}

// Checks UTF-8 well-formedness (no overlongs, no surrogates).
static bool isUtf8(const std::string &s)
{
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    size_t n = s.size(), i = 0;
    while (i < n) {
        unsigned char c = p[i];
        size_t len;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xe0) == 0xc0) {
            len = 2;
            cp = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            len = 3;
            cp = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            len = 4;
            cp = c & 0x07;
        } else
            return false;
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3f);
        }
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)
            || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        i += len;
    }
    return true;
}

bool isValidPassword(const std::string &password)
{
    if (password.empty() || password.size() > 64 || !isUtf8(password))
        return false;
    for (char c : password) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return false;
    }
    return true;
}

bool isValidPhone(const std::string &phone)
{
    size_t start = (!phone.empty() && phone[0] == '+') ? 1 : 0;
    size_t digits = phone.size() - start;
    if (digits < 3 || digits > 20)
        return false;
    for (size_t i = start; i < phone.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(phone[i])))
            return false;
    return true;
}

bool isMd5Hex(const std::string &text)
{
    if (text.size() != 32)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string makeToken(const std::string &account, const std::string &pwdMd5)
{
    return base64Encode(account + "|" + pwdMd5);
}

std::optional<Token> parseToken(const std::string &token)
{
    if (token.empty() || token.size() > 256)
        return std::nullopt;
    auto raw = base64Decode(token);
    if (!raw)
        return std::nullopt;
    auto bar = raw->find('|');
    if (bar == std::string::npos)
        return std::nullopt;
    Token t{raw->substr(0, bar), raw->substr(bar + 1)};
    if (!isValidAccount(t.account) || !isMd5Hex(t.pwdMd5))
        return std::nullopt;
    return t;
}

std::string sipHa1(const std::string &user, const std::string &realm, const std::string &password)
{
    return md5Hex(user + ":" + realm + ":" + password);
}

}  // namespace nuvoxa
