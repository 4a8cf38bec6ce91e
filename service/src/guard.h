// Attempt counting for the HTTP side: failed sign-ins, registrations,
// top-ups and phone-binding codes, per account and per client address.
// Kept in memory, per process: a restart only forgets the counts, and
// several instances on one database each count only what reaches them.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace nuvoxa {

// `limit` attempts per `windowSeconds`; the attempt that reaches the limit
// locks the key for `lockSeconds`.
struct Rule
{
    int limit;
    int64_t windowSeconds;
    int64_t lockSeconds;
};

struct Limits
{
    Rule authPerAccount{5, 900, 900};
    // Higher: many customers share one address behind a NAT.
    Rule authPerAddress{50, 900, 900};
    Rule registerPerAddress{20, 3600, 3600};
    Rule topUpPerAccount{10, 3600, 3600};
    Rule topUpPerAddress{30, 3600, 3600};
    // Codes requested and wrong codes entered, together.
    Rule bindPerAccount{5, 3600, 3600};
};

class Guard
{
public:
    using Clock = std::function<int64_t()>;  // seconds, never going back
    explicit Guard(Clock now = steadySeconds);

    bool locked(const std::string &key);
    void count(const std::string &key, const Rule &rule);
    // For actions limited whether or not they succeed: false while locked,
    // otherwise counts the attempt.
    bool take(const std::string &key, const Rule &rule);

    static int64_t steadySeconds();

private:
    struct Entry
    {
        int64_t windowStart = 0;
        int count = 0;
        int64_t lockedUntil = 0;
    };
    void prune(int64_t now);

    Clock now_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace nuvoxa
