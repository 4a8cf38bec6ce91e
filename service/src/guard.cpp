#include "guard.h"

#include <chrono>

namespace nuvoxa {

namespace {
// Keys come from outside (account names, addresses); past this many the
// expired ones are dropped so that a spray of names cannot grow the map.
const size_t kPruneAbove = 20000;
}  // namespace

Guard::Guard(Clock now)
    : now_(std::move(now))
{
}

int64_t Guard::steadySeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Guard::locked(const std::string &key)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(key);
    return it != entries_.end() && it->second.lockedUntil > now_();
}

void Guard::count(const std::string &key, const Rule &rule)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t now = now_();
    if (entries_.size() > kPruneAbove)
        prune(now);
    Entry &e = entries_[key];
    if (now - e.windowStart >= rule.windowSeconds) {
        e.windowStart = now;
        e.count = 0;
    }
    if (++e.count >= rule.limit) {
        e.lockedUntil = now + rule.lockSeconds;
        e.count = 0;
        e.windowStart = now;
    }
}

bool Guard::take(const std::string &key, const Rule &rule)
{
    if (locked(key))
        return false;
    count(key, rule);
    return true;
}

void Guard::prune(int64_t now)
{
    // Windows are at most an hour here; a day-old count is stale for any rule.
    for (auto it = entries_.begin(); it != entries_.end();)
        it = it->second.lockedUntil <= now && now - it->second.windowStart > 86400
            ? entries_.erase(it)
            : std::next(it);
    // Still full: counts are dropped before lock-outs.
    if (entries_.size() > kPruneAbove)
        for (auto it = entries_.begin(); it != entries_.end();)
            it = it->second.lockedUntil <= now ? entries_.erase(it) : std::next(it);
}

}  // namespace nuvoxa
