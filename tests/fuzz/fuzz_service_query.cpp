// The local service's reading of query strings and form bodies, and what it
// does with every value: account token, Base64, money amounts, the shape
// checks, and the HTML escaping of anything it writes back into a page.
#include "codec.h"

#include <httplib.h>

#include <cstdio>
#include <cstdlib>

#define CHECK(cond)                                                  \
    do {                                                             \
        if (!(cond)) {                                               \
            std::fprintf(stderr, "property violated: %s\n", #cond);  \
            std::abort();                                            \
        }                                                            \
    } while (0)

namespace {

void checkEscaped(const std::string &escaped)
{
    for (size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        CHECK(c != '<' && c != '>' && c != '"' && c != '\'');
        if (c == '&') {
            const size_t end = escaped.find(';', i);
            CHECK(end != std::string::npos && end - i <= 6);
        }
    }
}

void checkValue(const std::string &value)
{
    using namespace nuvoxa;
    checkEscaped(htmlEscape(value));
    checkEscaped(xmlEscape(value));

    if (auto token = parseToken(value)) {
        // A token the service accepts names a well-formed account.
        CHECK(isValidAccount(token->account));
        CHECK(isMd5Hex(token->pwdMd5));
        auto again = parseToken(makeToken(token->account, token->pwdMd5));
        CHECK(again && again->account == token->account && equalsIgnoreCase(again->pwdMd5, token->pwdMd5));
    }
    if (auto decoded = base64Decode(value)) {
        auto round = base64Decode(base64Encode(*decoded));
        CHECK(round && *round == *decoded);
    }
    if (auto cents = parseMoney(value, 100000000)) {
        CHECK(*cents >= 0 && *cents <= 100000000);
        auto again = parseMoney(formatMoney(*cents), 100000000);
        CHECK(again && *again == *cents);
    }
    if (isValidAccount(value)) {
        CHECK(!value.empty() && value.size() <= 32);
        CHECK(value.find_first_of("'\";<>&/\\ %") == std::string::npos);
    }
    if (isValidPhone(value))
        CHECK(value.find_first_not_of("+0123456789") == std::string::npos);
    if (isValidPassword(value))
        CHECK(value.find('\0') == std::string::npos && value.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    // The same parser reads query strings and urlencoded form bodies.
    httplib::Params params;
    httplib::detail::parse_query_text(text, params);
    for (const auto &[key, value] : params) {
        checkValue(key);
        checkValue(value);
    }
    checkValue(text);
    checkValue(httplib::detail::decode_url(text, true));
    return 0;
}
