#include "guard.h"

#include "store.h"

#include <ctime>

namespace nuvoxa {

namespace {
// Keys come from outside (account names, addresses): counts whose window
// passed long ago go now and then, so that a spray of names cannot grow the
// table. Windows are at most an hour here; a day-old count is stale for any rule.
const int64_t kPruneEvery = 600;
const int64_t kStaleAfter = 86400;
}  // namespace

Guard::Guard(Store &store, Clock now)
    : store_(store)
    , now_(std::move(now))
{
}

int64_t Guard::wallSeconds()
{
    return static_cast<int64_t>(std::time(nullptr));
}

bool Guard::locked(const std::string &key, const std::string &other)
{
    return store_.locked(key, other, now_());
}

bool Guard::take(const std::string &key, const Rule &rule)
{
    const int64_t now = now_();
    int64_t last = lastPrune_.load();
    if (now - last >= kPruneEvery && lastPrune_.compare_exchange_strong(last, now))
        store_.pruneAttempts(now - kStaleAfter);
    return store_.attempt(key, now, rule.limit, rule.windowSeconds, rule.lockSeconds);
}

}  // namespace nuvoxa
