// Small text helpers shared by the service: digests, Base64, HTML escaping,
// money amounts and the shape checks applied to every outside value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nuvoxa {

// Lowercase hexadecimal MD5 of the bytes of `data`.
std::string md5Hex(const std::string &data);

// Standard alphabet with "=" padding, no line breaks.
std::string base64Encode(const std::string &data);
// Accepts missing padding; spaces are read as "+" (a raw "+" in a query
// string is commonly turned into a space on the way). Empty on bad input.
std::optional<std::string> base64Decode(const std::string &text);

std::string htmlEscape(const std::string &text);
std::string xmlEscape(const std::string &text);

// "12", "12.5", "12.50" -> cents. Refuses signs, exponents, more than two
// decimals and amounts above `maxCents`.
std::optional<int64_t> parseMoney(const std::string &text, int64_t maxCents);
// cents -> "12.50"
std::string formatMoney(int64_t cents);

// ASCII case-insensitive, in a time that depends on the lengths only: it
// compares password digests and tokens.
bool equalsIgnoreCase(const std::string &a, const std::string &b);

// Account names: 1-32 of [A-Za-z0-9._-]. They are SIP user names too.
bool isValidAccount(const std::string &account);
// Passwords: 1-64 bytes of valid UTF-8 without control characters.
bool isValidPassword(const std::string &password);
// Phone numbers: optional "+", then 3-20 digits.
bool isValidPhone(const std::string &phone);
// The service number; it goes out to a gateway like other numbers.
extern const char kServiceNumber[];
// Numbers the proxy sends to the gateways when no subscriber has them: all
// of "+" and digits except the subscriber range, 8 digits starting with 8
// (the demo account 80000001). Accounts of the web form stay out of them,
// or they would take the calls meant for that number.
bool isGatewayNumber(const std::string &account);
// An IPv4 or IPv6 address in its one canonical spelling (inet_ntop's),
// spaces and tabs around it ignored; "" when the text is not an address.
std::string canonicalAddress(const std::string &text);
// 32 hexadecimal digits.
bool isMd5Hex(const std::string &text);

// The account token of the web pages: Base64 of account + "|" + MD5 hex of
// the password.
std::string makeToken(const std::string &account, const std::string &pwdMd5);
struct Token
{
    std::string account;
    std::string pwdMd5;
};
std::optional<Token> parseToken(const std::string &token);

// SIP digest HA1: MD5 of "user:realm:password".
std::string sipHa1(const std::string &user, const std::string &realm, const std::string &password);

}  // namespace nuvoxa
