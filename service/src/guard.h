// Attempt counting for the HTTP side: failed sign-ins, registrations,
// top-ups and phone-binding codes, per account and per client address.
// The counts live in the database, so that every instance serving it counts
// together and a restart forgets no lock-out.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace nuvoxa {

class Store;

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
    // Wall-clock seconds: instances on one database compare their times.
    using Clock = std::function<int64_t()>;
    explicit Guard(Store &store, Clock now = wallSeconds);

    // Whether the key (or the other one, when given) is locked.
    bool locked(const std::string &key, const std::string &other = "");
    // For actions limited whether or not they succeed: false while locked,
    // otherwise counts the attempt. A database that cannot count refuses.
    bool take(const std::string &key, const Rule &rule);
    // Counts a failed attempt (nothing while the key is locked).
    void count(const std::string &key, const Rule &rule) { take(key, rule); }

    static int64_t wallSeconds();

private:
    Store &store_;
    Clock now_;
    std::atomic<int64_t> lastPrune_{0};
};

}  // namespace nuvoxa
