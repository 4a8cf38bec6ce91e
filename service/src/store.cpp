#include "store.h"

#include "codec.h"
#include "db.h"

#include <sodium.h>

#include <cstdio>
#include <ctime>

namespace nuvoxa {

namespace {

// Kamailio's own layout of `version` and `subscriber` (auth_db reads
// `ha1` with calculate_ha1 off), followed by the service's tables.
const char kSqliteSchema[] = R"SQL(
CREATE TABLE IF NOT EXISTS version (
    id INTEGER PRIMARY KEY NOT NULL,
    table_name VARCHAR(32) NOT NULL,
    table_version INTEGER DEFAULT 0 NOT NULL,
    CONSTRAINT version_table_name_idx UNIQUE (table_name)
);
INSERT OR IGNORE INTO version (table_name, table_version) VALUES ('version', 1);
CREATE TABLE IF NOT EXISTS subscriber (
    id INTEGER PRIMARY KEY NOT NULL,
    username VARCHAR(64) DEFAULT '' NOT NULL,
    domain VARCHAR(64) DEFAULT '' NOT NULL,
    password VARCHAR(64) DEFAULT '' NOT NULL,
    ha1 VARCHAR(128) DEFAULT '' NOT NULL,
    ha1b VARCHAR(128) DEFAULT '' NOT NULL,
    CONSTRAINT subscriber_account_idx UNIQUE (username, domain)
);
CREATE INDEX IF NOT EXISTS subscriber_username_idx ON subscriber (username);
INSERT OR IGNORE INTO version (table_name, table_version) VALUES ('subscriber', 7);

CREATE TABLE IF NOT EXISTS accounts (
    account TEXT PRIMARY KEY NOT NULL,
    pwd_md5 TEXT NOT NULL,
    phone TEXT NOT NULL DEFAULT '',
    balance_cents INTEGER NOT NULL DEFAULT 0,
    created TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS callbacks (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    account TEXT NOT NULL,
    callee TEXT NOT NULL,
    caller TEXT NOT NULL,
    created TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS callbacks_account_idx ON callbacks (account, id);
CREATE TABLE IF NOT EXISTS bind_codes (
    account TEXT PRIMARY KEY NOT NULL,
    phone TEXT NOT NULL,
    code TEXT NOT NULL,
    expires INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS outbox (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    phone TEXT NOT NULL,
    text TEXT NOT NULL,
    created TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS update_files (
    name TEXT PRIMARY KEY NOT NULL,
    data BLOB NOT NULL
);
CREATE TABLE IF NOT EXISTS meta (
    key TEXT PRIMARY KEY NOT NULL,
    value BLOB NOT NULL
);

-- Attempts the HTTP side limits (guard.h), by key: shared by every service
-- instance on the database and kept across restarts. Times are wall-clock
-- seconds, which the instances agree on.
CREATE TABLE IF NOT EXISTS attempts (
    key TEXT PRIMARY KEY NOT NULL,
    window_start BIGINT NOT NULL,
    tries INTEGER NOT NULL,
    locked_until BIGINT NOT NULL
);

-- Prices of calls through the gateways, by the dialled number's prefix (the
-- longest one that starts the number applies; "" starts every number).
CREATE TABLE IF NOT EXISTS rates (
    prefix TEXT PRIMARY KEY NOT NULL,
    cents_per_minute INTEGER NOT NULL CHECK (cents_per_minute >= 0)
);

-- Kamailio's accounting tables (acc module): transactions in `acc`, and one
-- record per answered call in `acc_cdrs`, with the caller, the number and
-- the rate the proxy put on the dialog when the call started. Record ids
-- are never reused, so a charge names its record for good.
CREATE TABLE IF NOT EXISTS acc (
    id INTEGER PRIMARY KEY NOT NULL,
    method VARCHAR(16) DEFAULT '' NOT NULL,
    from_tag VARCHAR(128) DEFAULT '' NOT NULL,
    to_tag VARCHAR(128) DEFAULT '' NOT NULL,
    callid VARCHAR(255) DEFAULT '' NOT NULL,
    sip_code VARCHAR(3) DEFAULT '' NOT NULL,
    sip_reason VARCHAR(128) DEFAULT '' NOT NULL,
    time TIMESTAMP WITHOUT TIME ZONE NOT NULL
);
CREATE INDEX IF NOT EXISTS acc_callid_idx ON acc (callid);
INSERT OR IGNORE INTO version (table_name, table_version) VALUES ('acc', 5);
CREATE TABLE IF NOT EXISTS acc_cdrs (
    id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    start_time TIMESTAMP WITHOUT TIME ZONE DEFAULT '2000-01-01 00:00:00' NOT NULL,
    end_time TIMESTAMP WITHOUT TIME ZONE DEFAULT '2000-01-01 00:00:00' NOT NULL,
    duration REAL DEFAULT 0 NOT NULL,
    account VARCHAR(64) DEFAULT '' NOT NULL,
    number VARCHAR(64) DEFAULT '' NOT NULL,
    cents_per_minute VARCHAR(16) DEFAULT '' NOT NULL,
    callid VARCHAR(255) DEFAULT '' NOT NULL
);
INSERT OR IGNORE INTO version (table_name, table_version) VALUES ('acc_cdrs', 2);

-- One charge per call record, made in the same statement that writes the
-- record: a record is charged once, whichever process stops when.
CREATE TABLE IF NOT EXISTS charges (
    cdr_id INTEGER PRIMARY KEY NOT NULL,
    account TEXT NOT NULL,
    number TEXT NOT NULL,
    seconds INTEGER NOT NULL,
    cents INTEGER NOT NULL,
    created TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS charges_account_idx ON charges (account, cdr_id);
-- Every started minute of the answered time costs the rate, the first one
-- always; the time counts in whole seconds, so a call the proxy cuts a
-- moment after a minute's end does not start the next one.
CREATE TRIGGER IF NOT EXISTS acc_cdrs_charge AFTER INSERT ON acc_cdrs WHEN NEW.account <> ''
BEGIN
    INSERT INTO charges (cdr_id, account, number, seconds, cents, created)
    VALUES (NEW.id, NEW.account, NEW.number, max(CAST(NEW.duration AS INTEGER), 0),
            CAST(NEW.cents_per_minute AS INTEGER) * max((CAST(NEW.duration AS INTEGER) + 59) / 60, 1),
            datetime('now'));
    UPDATE accounts SET balance_cents = balance_cents - (SELECT cents FROM charges WHERE cdr_id = NEW.id)
    WHERE account = NEW.account;
END;
)SQL";

// The same tables in PostgreSQL's words, for Kamailio's db_postgres. The
// advisory lock keeps service instances that start together from creating
// the same table twice.
const char kPostgresSchema[] = R"SQL(
SELECT pg_advisory_xact_lock(7140117);
CREATE TABLE IF NOT EXISTS version (
    id SERIAL PRIMARY KEY NOT NULL,
    table_name VARCHAR(32) NOT NULL,
    table_version INTEGER DEFAULT 0 NOT NULL,
    CONSTRAINT version_table_name_idx UNIQUE (table_name)
);
INSERT INTO version (table_name, table_version) VALUES ('version', 1) ON CONFLICT DO NOTHING;
CREATE TABLE IF NOT EXISTS subscriber (
    id SERIAL PRIMARY KEY NOT NULL,
    username VARCHAR(64) DEFAULT '' NOT NULL,
    domain VARCHAR(64) DEFAULT '' NOT NULL,
    password VARCHAR(64) DEFAULT '' NOT NULL,
    ha1 VARCHAR(128) DEFAULT '' NOT NULL,
    ha1b VARCHAR(128) DEFAULT '' NOT NULL,
    CONSTRAINT subscriber_account_idx UNIQUE (username, domain)
);
CREATE INDEX IF NOT EXISTS subscriber_username_idx ON subscriber (username);
INSERT INTO version (table_name, table_version) VALUES ('subscriber', 7) ON CONFLICT DO NOTHING;

CREATE TABLE IF NOT EXISTS accounts (
    account TEXT PRIMARY KEY NOT NULL,
    pwd_md5 TEXT NOT NULL,
    phone TEXT NOT NULL DEFAULT '',
    balance_cents BIGINT NOT NULL DEFAULT 0,
    created TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS callbacks (
    id BIGSERIAL PRIMARY KEY,
    account TEXT NOT NULL,
    callee TEXT NOT NULL,
    caller TEXT NOT NULL,
    created TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS callbacks_account_idx ON callbacks (account, id);
CREATE TABLE IF NOT EXISTS bind_codes (
    account TEXT PRIMARY KEY NOT NULL,
    phone TEXT NOT NULL,
    code TEXT NOT NULL,
    expires BIGINT NOT NULL
);
CREATE TABLE IF NOT EXISTS outbox (
    id BIGSERIAL PRIMARY KEY,
    phone TEXT NOT NULL,
    text TEXT NOT NULL,
    created TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS update_files (
    name TEXT PRIMARY KEY NOT NULL,
    data BYTEA NOT NULL
);
CREATE TABLE IF NOT EXISTS meta (
    key TEXT PRIMARY KEY NOT NULL,
    value BYTEA NOT NULL
);
CREATE TABLE IF NOT EXISTS attempts (
    key TEXT PRIMARY KEY NOT NULL,
    window_start BIGINT NOT NULL,
    tries INTEGER NOT NULL,
    locked_until BIGINT NOT NULL
);
CREATE TABLE IF NOT EXISTS rates (
    prefix TEXT PRIMARY KEY NOT NULL,
    cents_per_minute BIGINT NOT NULL CHECK (cents_per_minute >= 0)
);
CREATE TABLE IF NOT EXISTS acc (
    id SERIAL PRIMARY KEY NOT NULL,
    method VARCHAR(16) DEFAULT '' NOT NULL,
    from_tag VARCHAR(128) DEFAULT '' NOT NULL,
    to_tag VARCHAR(128) DEFAULT '' NOT NULL,
    callid VARCHAR(255) DEFAULT '' NOT NULL,
    sip_code VARCHAR(3) DEFAULT '' NOT NULL,
    sip_reason VARCHAR(128) DEFAULT '' NOT NULL,
    time TIMESTAMP WITHOUT TIME ZONE NOT NULL
);
CREATE INDEX IF NOT EXISTS acc_callid_idx ON acc (callid);
INSERT INTO version (table_name, table_version) VALUES ('acc', 5) ON CONFLICT DO NOTHING;
CREATE TABLE IF NOT EXISTS acc_cdrs (
    id BIGSERIAL PRIMARY KEY NOT NULL,
    start_time TIMESTAMP WITHOUT TIME ZONE DEFAULT '2000-01-01 00:00:00' NOT NULL,
    end_time TIMESTAMP WITHOUT TIME ZONE DEFAULT '2000-01-01 00:00:00' NOT NULL,
    duration REAL DEFAULT 0 NOT NULL,
    account VARCHAR(64) DEFAULT '' NOT NULL,
    number VARCHAR(64) DEFAULT '' NOT NULL,
    cents_per_minute VARCHAR(16) DEFAULT '' NOT NULL,
    callid VARCHAR(255) DEFAULT '' NOT NULL
);
INSERT INTO version (table_name, table_version) VALUES ('acc_cdrs', 2) ON CONFLICT DO NOTHING;
CREATE TABLE IF NOT EXISTS charges (
    cdr_id BIGINT PRIMARY KEY NOT NULL,
    account TEXT NOT NULL,
    number TEXT NOT NULL,
    seconds BIGINT NOT NULL,
    cents BIGINT NOT NULL,
    created TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS charges_account_idx ON charges (account, cdr_id);
-- As in SQLite: whole seconds, every started minute, the first one always.
-- A rate that is not a number costs nothing rather than losing the record:
-- an error here would make Kamailio's insert of the call record fail.
CREATE OR REPLACE FUNCTION acc_cdrs_charge() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
    secs BIGINT := greatest(trunc(NEW.duration)::BIGINT, 0);
    cost BIGINT := coalesce(substring(NEW.cents_per_minute FROM '^[0-9]{1,15}')::BIGINT, 0)
        * greatest((secs + 59) / 60, 1);
BEGIN
    INSERT INTO charges (cdr_id, account, number, seconds, cents, created)
    VALUES (NEW.id, NEW.account, NEW.number, secs, cost,
            to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'));
    UPDATE accounts SET balance_cents = balance_cents - cost WHERE account = NEW.account;
    RETURN NULL;
END
$$;
DROP TRIGGER IF EXISTS acc_cdrs_charge ON acc_cdrs;
CREATE TRIGGER acc_cdrs_charge AFTER INSERT ON acc_cdrs
    FOR EACH ROW WHEN (NEW.account <> '') EXECUTE FUNCTION acc_cdrs_charge();
)SQL";

// The rates of a new database: the service number free, international
// numbers ("00...") 1.00 and every other number 0.10 a minute. Calls
// between subscribers do not reach the gateways and are not priced.
const std::pair<const char *, int64_t> kDefaultRates[] = {
    {"", 10}, {"00", 100}, {"10000000000", 0}};

std::string nowUtc()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

using P = Db::Param;

}  // namespace

namespace {
// The most connections a store opens (as its threads need them). On
// PostgreSQL sign-ins on this 2-core machine ran at 1,250 a second with one
// connection (p99 140-610 ms paced at 1,000), 1,620-1,780 with 8 (p99
// 21-28 ms) and 1,450-1,540 with 32, one per HTTP worker. SQLite keeps
// one: it writes one at a time, and 8 read no faster there.
const size_t kPostgresConnections = 8;

// The connection each thread holds, per store: a store method that calls
// another (inside a transaction too) goes on on the same connection.
thread_local std::vector<std::pair<const Store *, Db *>> tHeld;
}  // namespace

Store::Lease::Lease(Store &store)
    : store_(store)
{
    for (const auto &held : tHeld)
        if (held.first == &store) {
            db_ = held.second;
            return;
        }
    owned_ = store.acquire();
    db_ = owned_.get();
    tHeld.emplace_back(&store, db_);
}

Store::Lease::~Lease()
{
    if (!owned_)
        return;
    tHeld.pop_back();
    store_.release(std::move(owned_));
}

std::unique_ptr<Db> Store::acquire()
{
    std::unique_lock<std::mutex> lock(poolMutex_);
    for (;;) {
        if (!idle_.empty()) {
            std::unique_ptr<Db> db = std::move(idle_.back());
            idle_.pop_back();
            return db;
        }
        if (open_ < maxConnections_) {
            ++open_;
            lock.unlock();
            std::unique_ptr<Db> db = Db::open(target_, nullptr);
            if (db)
                return db;
            // The server takes no more: make do with the connections there are.
            lock.lock();
            maxConnections_ = --open_;
        }
        poolFree_.wait(lock);
    }
}

void Store::release(std::unique_ptr<Db> db)
{
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        idle_.push_back(std::move(db));
    }
    poolFree_.notify_one();
}

Store::~Store() = default;

bool Store::open(const std::string &target, const std::string &realmForNewDb, std::string *error)
{
    std::unique_ptr<Db> first = Db::open(target, error);
    if (!first)
        return false;
    target_ = target;
    maxConnections_ = first->engine() == Db::Engine::Postgres ? kPostgresConnections : 1;
    open_ = 1;
    idle_.push_back(std::move(first));
    Lease db(*this);
    const char *schema = db->engine() == Db::Engine::Postgres ? kPostgresSchema : kSqliteSchema;
    if (!db->begin() || !db->script(schema)) {
        if (error)
            *error = db->lastError();
        db->rollback();
        return false;
    }
    if (!meta("realm"))
        setMeta("realm", realmForNewDb);
    if (!meta("manifest"))
        setMeta("manifest", buildManifest(NUVOXA_SERVICE_VERSION, {}));
    // Once: rates the operator removed or changed later stay so.
    if (!meta("rates_seeded")) {
        for (const auto &rate : kDefaultRates)
            setRate(rate.first, rate.second);
        setMeta("rates_seeded", "1");
    }
    if (!db->commit()) {
        if (error)
            *error = db->lastError();
        return false;
    }
    return true;
}

std::optional<std::string> Store::meta(const std::string &key)
{
    Lease db(*this);
    auto r = db->query("SELECT value FROM meta WHERE key = $1", {P::text(key)});
    if (r.rows.empty())
        return std::nullopt;
    return r.rows[0][0];
}

bool Store::setMeta(const std::string &key, const std::string &value)
{
    Lease db(*this);
    return db
        ->query("INSERT INTO meta (key, value) VALUES ($1, $2) "
                "ON CONFLICT (key) DO UPDATE SET value = excluded.value",
            {P::text(key), P::blob(value)})
        .ok;
}

std::string Store::realm()
{
    return meta("realm").value_or("127.0.0.1");
}

Store::AddResult Store::addAccount(const std::string &account, const std::string &password,
    const std::string &phone, int64_t balanceCents)
{
    Lease db(*this);
    const std::string realm = this->realm();
    if (!db->begin())
        return AddResult::Failed;
    auto added = db->query("INSERT INTO accounts (account, pwd_md5, phone, balance_cents, created) "
                           "VALUES ($1, $2, $3, $4, $5)",
        {P::text(account), P::text(md5Hex(password)), P::text(phone), P::integer(balanceCents),
            P::text(nowUtc())});
    if (!added.ok) {
        db->rollback();
        return added.conflict ? AddResult::Exists : AddResult::Failed;
    }
    // A stale subscriber row (an account removed by hand) is replaced.
    auto subscriber = db->query(
        "INSERT INTO subscriber (username, domain, password, ha1, ha1b) VALUES ($1, $2, '', $3, "
        "$4) "
        "ON CONFLICT (username, domain) DO UPDATE SET password = '', ha1 = excluded.ha1, "
        "ha1b = excluded.ha1b",
        {P::text(account), P::text(realm), P::text(sipHa1(account, realm, password)),
            P::text(sipHa1(account + "@" + realm, realm, password))});
    if (subscriber.ok && db->commit())
        return AddResult::Added;
    db->rollback();
    return AddResult::Failed;
}

std::optional<Account> Store::account(const std::string &account)
{
    Lease db(*this);
    auto r = db->query(
        "SELECT account, pwd_md5, phone, balance_cents, created FROM accounts WHERE account = $1",
        {P::text(account)});
    if (r.rows.empty())
        return std::nullopt;
    const auto &row = r.rows[0];
    return Account{row[0], row[1], row[2], toInt(row[3]), row[4]};
}

std::optional<int64_t> Store::addBalance(const std::string &account, int64_t cents)
{
    Lease db(*this);
    auto r = db->query("UPDATE accounts SET balance_cents = balance_cents + $2 WHERE account = $1 "
                       "RETURNING balance_cents",
        {P::text(account), P::integer(cents)});
    if (!r.ok || r.rows.empty())
        return std::nullopt;
    return toInt(r.rows[0][0]);
}

bool Store::setPhone(const std::string &account, const std::string &phone)
{
    Lease db(*this);
    auto r = db->query("UPDATE accounts SET phone = $2 WHERE account = $1 RETURNING account",
        {P::text(account), P::text(phone)});
    return r.ok && r.rows.size() == 1;
}

bool Store::sendBindCode(const std::string &account, const std::string &phone)
{
    if (sodium_init() < 0)
        return false;
    char code[8];
    std::snprintf(code, sizeof code, "%06u", static_cast<unsigned>(randombytes_uniform(1000000)));
    Lease db(*this);
    if (!db->begin())
        return false;
    const bool ok =
        db->query("INSERT INTO bind_codes (account, phone, code, expires) "
                  "VALUES ($1, $2, $3, $4) ON CONFLICT (account) DO UPDATE SET "
                  "phone = excluded.phone, code = excluded.code, "
                  "expires = excluded.expires",
              {P::text(account), P::text(phone), P::text(code),
                  P::integer(static_cast<int64_t>(std::time(nullptr)) + kBindCodeSeconds)})
            .ok
        && db->query("INSERT INTO outbox (phone, text, created) VALUES ($1, $2, $3)",
                 {P::text(phone),
                     P::text(std::string("Nuvoxa 验证码 ") + code + "，用于绑定账号 " + account
                         + "，10 分钟内有效。"),
                     P::text(nowUtc())})
               .ok;
    if (ok && db->commit())
        return true;
    db->rollback();
    return false;
}

Store::BindResult Store::confirmBind(
    const std::string &account, const std::string &phone, const std::string &code)
{
    Lease db(*this);
    auto pending =
        db->query("SELECT phone, code FROM bind_codes WHERE account = $1 AND expires > $2",
            {P::text(account), P::integer(static_cast<int64_t>(std::time(nullptr)))});
    if (pending.rows.empty())
        return BindResult::NoCode;
    if (!equalsIgnoreCase(pending.rows[0][1], code) || pending.rows[0][0] != phone)
        return BindResult::WrongCode;
    if (!db->begin())
        return BindResult::Failed;
    // The code is spent by whichever instance deletes it first.
    auto spent =
        db->query("DELETE FROM bind_codes WHERE account = $1 AND code = $2 RETURNING account",
            {P::text(account), P::text(pending.rows[0][1])});
    if (spent.ok && spent.rows.size() == 1 && setPhone(account, phone) && db->commit())
        return BindResult::Bound;
    db->rollback();
    return spent.ok && spent.rows.empty() ? BindResult::NoCode : BindResult::Failed;
}

std::vector<OutboxMessage> Store::outbox(int limit)
{
    Lease db(*this);
    std::vector<OutboxMessage> out;
    auto r = db->query("SELECT id, phone, text, created FROM outbox ORDER BY id DESC LIMIT $1",
        {P::integer(limit)});
    for (const auto &row : r.rows)
        out.push_back({toInt(row[0]), row[1], row[2], row[3]});
    return out;
}

bool Store::addCallback(
    const std::string &account, const std::string &callee, const std::string &caller)
{
    Lease db(*this);
    return db
        ->query("INSERT INTO callbacks (account, callee, caller, created) VALUES ($1, $2, $3, $4)",
            {P::text(account), P::text(callee), P::text(caller), P::text(nowUtc())})
        .ok;
}

std::vector<CallbackRequest> Store::callbacks(const std::string &account, int limit)
{
    Lease db(*this);
    std::vector<CallbackRequest> out;
    auto r = db->query("SELECT id, account, callee, caller, created FROM callbacks "
                       "WHERE $1 = '' OR account = $1 ORDER BY id DESC LIMIT $2",
        {P::text(account), P::integer(limit)});
    for (const auto &row : r.rows)
        out.push_back({toInt(row[0]), row[1], row[2], row[3], row[4]});
    return out;
}

bool Store::setUpdate(
    const std::string &version, const std::vector<File> &files, const signing::KeyPair *key)
{
    const std::string manifest = buildManifest(version, files);
    const std::string signature = key ? signing::sign(*key, manifest,
                                      static_cast<long long>(std::time(nullptr)), "onlieUpdate.xml")
                                      : "";
    Lease db(*this);
    if (!db->begin())
        return false;
    bool ok = db->query("DELETE FROM update_files").ok;
    for (const auto &f : files)
        ok = ok
            && db->query("INSERT INTO update_files (name, data) VALUES ($1, $2) "
                         "ON CONFLICT (name) DO UPDATE SET data = excluded.data",
                     {P::text(f.name), P::blob(f.data)})
                   .ok;
    ok = ok && setMeta("manifest", manifest) && setMeta("manifest_sig", signature);
    if (ok && db->commit())
        return true;
    db->rollback();
    return false;
}

std::optional<std::string> Store::manifest()
{
    return meta("manifest");
}

std::optional<std::string> Store::manifestSignature()
{
    auto sig = meta("manifest_sig");
    if (sig && sig->empty())
        return std::nullopt;
    return sig;
}

std::optional<std::string> Store::updateFile(const std::string &name)
{
    Lease db(*this);
    auto r = db->query("SELECT data FROM update_files WHERE name = $1", {P::text(name)});
    if (r.rows.empty())
        return std::nullopt;
    return r.rows[0][0];
}

bool Store::setAdvert(const std::string &data)
{
    return setMeta("advert", data);
}

std::optional<std::string> Store::advert()
{
    return meta("advert");
}

std::string billedNumber(const std::string &dialled)
{
    return !dialled.empty() && dialled[0] == '+' ? "00" + dialled.substr(1) : dialled;
}

bool Store::setRate(const std::string &prefix, int64_t centsPerMinute)
{
    Lease db(*this);
    return db
        ->query("INSERT INTO rates (prefix, cents_per_minute) VALUES ($1, $2) "
                "ON CONFLICT (prefix) DO UPDATE SET cents_per_minute = excluded.cents_per_minute",
            {P::text(prefix), P::integer(centsPerMinute)})
        .ok;
}

std::vector<Rate> Store::rates()
{
    Lease db(*this);
    std::vector<Rate> out;
    auto r = db->query("SELECT prefix, cents_per_minute FROM rates ORDER BY prefix");
    for (const auto &row : r.rows)
        out.push_back({row[0], toInt(row[1])});
    return out;
}

std::optional<int64_t> Store::rateFor(const std::string &dialled)
{
    Lease db(*this);
    // The proxy's billing route asks the same question in the same words.
    auto r =
        db->query("SELECT cents_per_minute FROM rates WHERE substr($1, 1, length(prefix)) = prefix "
                  "ORDER BY length(prefix) DESC LIMIT 1",
            {P::text(billedNumber(dialled))});
    if (r.rows.empty())
        return std::nullopt;
    return toInt(r.rows[0][0]);
}

std::vector<Charge> Store::charges(const std::string &account, int limit)
{
    Lease db(*this);
    std::vector<Charge> out;
    auto r = db->query("SELECT cdr_id, account, number, seconds, cents, created FROM charges "
                       "WHERE $1 = '' OR account = $1 ORDER BY cdr_id DESC LIMIT $2",
        {P::text(account), P::integer(limit)});
    for (const auto &row : r.rows)
        out.push_back({toInt(row[0]), row[1], row[2], toInt(row[3]), toInt(row[4]), row[5]});
    return out;
}

bool Store::attempt(
    const std::string &key, int64_t now, int limit, int64_t windowSeconds, int64_t lockSeconds)
{
    Lease db(*this);
    // One statement, so that instances counting the same key at once add
    // up. A locked key is left as it is and returns no row; otherwise the
    // attempt starts a new window when the last one has passed, and the
    // one that reaches the limit locks the key and starts counting afresh.
    auto r = db->query(
        "INSERT INTO attempts (key, window_start, tries, locked_until) "
        "VALUES ($1, $2, CASE WHEN $3 <= 1 THEN 0 ELSE 1 END, "
        "CASE WHEN $3 <= 1 THEN $2 + $5 ELSE 0 END) "
        "ON CONFLICT (key) DO UPDATE SET "
        "locked_until = CASE WHEN (CASE WHEN $2 - attempts.window_start >= $4 THEN 1 "
        "ELSE attempts.tries + 1 END) >= $3 THEN $2 + $5 ELSE attempts.locked_until END, "
        "tries = CASE WHEN (CASE WHEN $2 - attempts.window_start >= $4 THEN 1 "
        "ELSE attempts.tries + 1 END) >= $3 THEN 0 "
        "WHEN $2 - attempts.window_start >= $4 THEN 1 ELSE attempts.tries + 1 END, "
        "window_start = CASE WHEN $2 - attempts.window_start >= $4 OR attempts.tries + 1 >= $3 "
        "THEN $2 ELSE attempts.window_start END "
        "WHERE attempts.locked_until <= $2 RETURNING key",
        {P::text(key), P::integer(now), P::integer(limit), P::integer(windowSeconds),
            P::integer(lockSeconds)});
    return r.ok && !r.rows.empty();
}

bool Store::locked(const std::string &key, const std::string &other, int64_t now)
{
    Lease db(*this);
    auto r = db->query("SELECT 1 FROM attempts WHERE key IN ($1, $2) AND locked_until > $3",
        {P::text(key), P::text(other), P::integer(now)});
    return !r.rows.empty();
}

void Store::pruneAttempts(int64_t before)
{
    Lease db(*this);
    db->query("DELETE FROM attempts WHERE locked_until <= $1 AND window_start <= $1",
        {P::integer(before)});
}

std::string buildManifest(const std::string &version, const std::vector<Store::File> &files)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update ver=\""
        + xmlEscape(version) + "\" AllDown=\"0\">\n";
    for (const auto &f : files)
        xml += "  <file sha256=\"" + signing::sha256Hex(f.data) + "\" size=\""
            + std::to_string(f.data.size()) + "\">" + xmlEscape(f.name) + "</file>\n";
    xml += "</update>\n";
    return xml;
}

}  // namespace nuvoxa
