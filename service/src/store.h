// The service database: accounts, callback requests, the update files, the
// advertisement image, the call rates, Kamailio's `subscriber` table kept in
// step with the accounts so a new account can register over SIP at once, and
// Kamailio's call records with the charges they make.
#pragma once

#include "db.h"
#include "signing.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace nuvoxa {

struct Account
{
    std::string account;
    std::string pwdMd5;  // lowercase MD5 hex of the password
    std::string phone;  // bound phone, may be empty
    int64_t balanceCents = 0;
    std::string created;  // UTC, "YYYY-MM-DD HH:MM:SS"
};

// A text the service sent to a phone. There is no SMS gateway: the outbox
// is what an operator reads (`nuvoxa-service outbox`).
struct OutboxMessage
{
    int64_t id = 0;
    std::string phone;
    std::string text;
    std::string created;
};

struct CallbackRequest
{
    int64_t id = 0;
    std::string account;
    std::string callee;
    std::string caller;
    std::string created;
};

// The price of calls to numbers that start with `prefix`.
struct Rate
{
    std::string prefix;
    int64_t centsPerMinute = 0;
};

// What one answered call through a gateway cost (written with Kamailio's
// call record, see the schema).
struct Charge
{
    int64_t cdrId = 0;
    std::string account;
    std::string number;
    int64_t seconds = 0;
    int64_t cents = 0;
    std::string created;
};

// The number as it is priced: a leading "+" is the international "00".
std::string billedNumber(const std::string &dialled);

class Store
{
public:
    Store() = default;
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Opens (creating when needed) the database and its tables: an SQLite
    // file or a "postgresql://" URL (see Db::open). The realm is fixed when
    // the database is created; later opens keep the stored one.
    bool open(const std::string &target, const std::string &realmForNewDb, std::string *error);
    std::string realm();

    enum class AddResult { Added, Exists, Failed };
    AddResult addAccount(const std::string &account, const std::string &password,
        const std::string &phone, int64_t balanceCents);
    std::optional<Account> account(const std::string &account);
    // Adds `cents` and returns the new balance.
    std::optional<int64_t> addBalance(const std::string &account, int64_t cents);
    bool setPhone(const std::string &account, const std::string &phone);

    // Binding a phone: a one-time code goes to the phone's outbox and is good
    // for `kBindCodeSeconds`; a new request replaces the account's code.
    static const int kBindCodeSeconds = 600;
    bool sendBindCode(const std::string &account, const std::string &phone);
    enum class BindResult { Bound, WrongCode, NoCode, Failed };
    // Binds `phone` when `code` is the account's unexpired code for it, and
    // spends the code. Wrong guesses are the caller's to limit.
    BindResult confirmBind(
        const std::string &account, const std::string &phone, const std::string &code);
    // Newest first.
    std::vector<OutboxMessage> outbox(int limit);

    bool addCallback(
        const std::string &account, const std::string &callee, const std::string &caller);
    // Newest first; all accounts when `account` is empty.
    std::vector<CallbackRequest> callbacks(const std::string &account, int limit);

    // Replaces the update manifest, its signature and the files in one
    // transaction. Without a key the manifest is published unsigned, which
    // clients refuse.
    struct File
    {
        std::string name;
        std::string data;
    };
    bool setUpdate(const std::string &version, const std::vector<File> &files,
        const signing::KeyPair *key = nullptr);
    std::optional<std::string> manifest();
    // The manifest's minisign signature; none for an unsigned manifest.
    std::optional<std::string> manifestSignature();
    std::optional<std::string> updateFile(const std::string &name);

    // Rates by prefix (digits, "" for every number). A number no prefix
    // starts is not served.
    bool setRate(const std::string &prefix, int64_t centsPerMinute);
    // Ordered by prefix.
    std::vector<Rate> rates();
    // The rate of the longest prefix that starts the (billed) number.
    std::optional<int64_t> rateFor(const std::string &dialled);
    // Newest first; all accounts when `account` is empty.
    std::vector<Charge> charges(const std::string &account, int limit);

    // Attempt counts of the HTTP side's limits (see guard.h), at `now`
    // (wall-clock seconds). Counts an attempt at `key` unless it is locked
    // and says whether it did; the attempt that reaches `limit` within
    // `windowSeconds` locks the key for `lockSeconds`.
    bool attempt(
        const std::string &key, int64_t now, int limit, int64_t windowSeconds, int64_t lockSeconds);
    // Whether either key is locked; an unreadable database locks nothing.
    bool locked(const std::string &key, const std::string &other, int64_t now);
    // Drops the counts of unlocked keys whose window started at `before` or earlier.
    void pruneAttempts(int64_t before);

    bool setAdvert(const std::string &data);
    std::optional<std::string> advert();

private:
    // A connection of the pool for the length of one store method; the
    // thread's own when one of its callers holds one already.
    class Lease
    {
    public:
        explicit Lease(Store &store);
        ~Lease();
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;
        Db *operator->() const { return db_; }

    private:
        Store &store_;
        Db *db_ = nullptr;
        std::unique_ptr<Db> owned_;
    };
    std::unique_ptr<Db> acquire();
    void release(std::unique_ptr<Db> db);

    std::optional<std::string> meta(const std::string &key);
    bool setMeta(const std::string &key, const std::string &value);

    std::string target_;
    std::mutex poolMutex_;
    std::condition_variable poolFree_;
    std::vector<std::unique_ptr<Db>> idle_;
    size_t open_ = 0;
    size_t maxConnections_ = 1;
};

// The manifest text for a version and its files: each entry carries the
// file's SHA-256 and size.
std::string buildManifest(const std::string &version, const std::vector<Store::File> &files);

}  // namespace nuvoxa
