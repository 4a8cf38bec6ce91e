#include "store.h"

#include "codec.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace nuvoxa {

namespace {

// Kamailio's own layout of `version` and `subscriber` (auth_db reads
// `ha1` with calculate_ha1 off), followed by the service's tables.
const char kSchema[] = R"SQL(
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

// A prepared statement that finalizes itself.
class Stmt
{
public:
    Stmt(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
    ~Stmt() { sqlite3_finalize(s_); }
    bool ok() const { return s_ != nullptr; }
    Stmt &text(int i, const std::string &v)
    {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt &blob(int i, const std::string &v)
    {
        sqlite3_bind_blob(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt &integer(int i, int64_t v)
    {
        sqlite3_bind_int64(s_, i, v);
        return *this;
    }
    int step() { return s_ ? sqlite3_step(s_) : SQLITE_ERROR; }
    std::string col(int i)
    {
        const void *p = sqlite3_column_blob(s_, i);
        int n = sqlite3_column_bytes(s_, i);
        return p ? std::string(static_cast<const char *>(p), static_cast<size_t>(n))
                 : std::string();
    }
    int64_t colInt(int i) { return sqlite3_column_int64(s_, i); }

private:
    sqlite3_stmt *s_ = nullptr;
};

}  // namespace

Store::~Store()
{
    if (db_)
        sqlite3_close(db_);
}

bool Store::open(const std::string &path, const std::string &realmForNewDb, std::string *error)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    // Password digests and HA1s: owner-only. SQLite gives the -wal and -shm
    // files the mode of the database, so the file is made (or narrowed)
    // first; older companions from before are narrowed as well.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = "cannot create " + path + " owner-only";
        return false;
    }
    ::close(fd);
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        ::chmod((path + suffix).c_str(), 0600);
    if (sqlite3_open_v2(path.c_str(), &db_,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr)
        != SQLITE_OK) {
        if (error)
            *error = db_ ? sqlite3_errmsg(db_) : "cannot open database";
        return false;
    }
    sqlite3_busy_timeout(db_, 10000);
    // WAL lets Kamailio and the command-line tools read while the server writes.
    exec("PRAGMA journal_mode=WAL");
    if (!exec("BEGIN IMMEDIATE") || !exec(kSchema)) {
        if (error)
            *error = sqlite3_errmsg(db_);
        exec("ROLLBACK");
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
    if (!exec("COMMIT")) {
        if (error)
            *error = sqlite3_errmsg(db_);
        return false;
    }
    return true;
}

bool Store::exec(const char *sql)
{
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<std::string> Store::meta(const std::string &key)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_, "SELECT value FROM meta WHERE key = ?1");
    s.text(1, key);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return s.col(0);
}

bool Store::setMeta(const std::string &key, const std::string &value)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_,
        "INSERT INTO meta (key, value) VALUES (?1, ?2) "
        "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    s.text(1, key).blob(2, value);
    return s.step() == SQLITE_DONE;
}

std::string Store::realm()
{
    return meta("realm").value_or("127.0.0.1");
}

Store::AddResult Store::addAccount(const std::string &account, const std::string &password,
    const std::string &phone, int64_t balanceCents)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string realm = this->realm();
    if (!exec("BEGIN IMMEDIATE"))
        return AddResult::Failed;
    {
        Stmt s(db_,
            "INSERT INTO accounts (account, pwd_md5, phone, balance_cents, created) "
            "VALUES (?1, ?2, ?3, ?4, ?5)");
        s.text(1, account)
            .text(2, md5Hex(password))
            .text(3, phone)
            .integer(4, balanceCents)
            .text(5, nowUtc());
        int rc = s.step();
        if (rc != SQLITE_DONE) {
            const bool exists = sqlite3_extended_errcode(db_) == SQLITE_CONSTRAINT_PRIMARYKEY;
            exec("ROLLBACK");
            return exists ? AddResult::Exists : AddResult::Failed;
        }
    }
    {
        // A stale subscriber row (an account removed by hand) is replaced.
        Stmt s(db_,
            "INSERT OR REPLACE INTO subscriber (username, domain, password, ha1, ha1b) "
            "VALUES (?1, ?2, '', ?3, ?4)");
        s.text(1, account)
            .text(2, realm)
            .text(3, sipHa1(account, realm, password))
            .text(4, sipHa1(account + "@" + realm, realm, password));
        if (s.step() != SQLITE_DONE) {
            exec("ROLLBACK");
            return AddResult::Failed;
        }
    }
    return exec("COMMIT") ? AddResult::Added : (exec("ROLLBACK"), AddResult::Failed);
}

std::optional<Account> Store::account(const std::string &account)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_,
        "SELECT account, pwd_md5, phone, balance_cents, created FROM accounts WHERE account = ?1");
    s.text(1, account);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return Account{s.col(0), s.col(1), s.col(2), s.colInt(3), s.col(4)};
}

std::optional<int64_t> Store::addBalance(const std::string &account, int64_t cents)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_,
        "UPDATE accounts SET balance_cents = balance_cents + ?2 WHERE account = ?1 "
        "RETURNING balance_cents");
    s.text(1, account).integer(2, cents);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    int64_t v = s.colInt(0);
    s.step();
    return v;
}

bool Store::setPhone(const std::string &account, const std::string &phone)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_, "UPDATE accounts SET phone = ?2 WHERE account = ?1");
    s.text(1, account).text(2, phone);
    return s.step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
}

bool Store::sendBindCode(const std::string &account, const std::string &phone)
{
    if (sodium_init() < 0)
        return false;
    char code[8];
    std::snprintf(code, sizeof code, "%06u", static_cast<unsigned>(randombytes_uniform(1000000)));
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    Stmt s(db_,
        "INSERT OR REPLACE INTO bind_codes (account, phone, code, expires) VALUES (?1, ?2, ?3, "
        "?4)");
    s.text(1, account)
        .text(2, phone)
        .text(3, code)
        .integer(4, static_cast<int64_t>(std::time(nullptr)) + kBindCodeSeconds);
    Stmt m(db_, "INSERT INTO outbox (phone, text, created) VALUES (?1, ?2, ?3)");
    m.text(1, phone)
        .text(2,
            std::string("Nuvoxa 验证码 ") + code + "，用于绑定账号 " + account
                + "，10 分钟内有效。")
        .text(3, nowUtc());
    if (s.step() == SQLITE_DONE && m.step() == SQLITE_DONE && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

Store::BindResult Store::confirmBind(
    const std::string &account, const std::string &phone, const std::string &code)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::string pendingPhone, pendingCode;
    {
        Stmt s(db_, "SELECT phone, code FROM bind_codes WHERE account = ?1 AND expires > ?2");
        s.text(1, account).integer(2, static_cast<int64_t>(std::time(nullptr)));
        if (s.step() != SQLITE_ROW)
            return BindResult::NoCode;
        pendingPhone = s.col(0);
        pendingCode = s.col(1);
    }
    if (!equalsIgnoreCase(pendingCode, code) || pendingPhone != phone)
        return BindResult::WrongCode;
    if (!exec("BEGIN IMMEDIATE"))
        return BindResult::Failed;
    Stmt d(db_, "DELETE FROM bind_codes WHERE account = ?1");
    d.text(1, account);
    if (d.step() == SQLITE_DONE && setPhone(account, phone) && exec("COMMIT"))
        return BindResult::Bound;
    exec("ROLLBACK");
    return BindResult::Failed;
}

std::vector<OutboxMessage> Store::outbox(int limit)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<OutboxMessage> out;
    Stmt s(db_, "SELECT id, phone, text, created FROM outbox ORDER BY id DESC LIMIT ?1");
    s.integer(1, limit);
    while (s.step() == SQLITE_ROW)
        out.push_back({s.colInt(0), s.col(1), s.col(2), s.col(3)});
    return out;
}

bool Store::addCallback(
    const std::string &account, const std::string &callee, const std::string &caller)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_, "INSERT INTO callbacks (account, callee, caller, created) VALUES (?1, ?2, ?3, ?4)");
    s.text(1, account).text(2, callee).text(3, caller).text(4, nowUtc());
    return s.step() == SQLITE_DONE;
}

std::vector<CallbackRequest> Store::callbacks(const std::string &account, int limit)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<CallbackRequest> out;
    Stmt s(db_,
        "SELECT id, account, callee, caller, created FROM callbacks "
        "WHERE ?1 = '' OR account = ?1 ORDER BY id DESC LIMIT ?2");
    s.text(1, account).integer(2, limit);
    while (s.step() == SQLITE_ROW)
        out.push_back({s.colInt(0), s.col(1), s.col(2), s.col(3), s.col(4)});
    return out;
}

bool Store::setUpdate(
    const std::string &version, const std::vector<File> &files, const signing::KeyPair *key)
{
    const std::string manifest = buildManifest(version, files);
    const std::string signature = key ? signing::sign(*key, manifest,
                                      static_cast<long long>(std::time(nullptr)), "onlieUpdate.xml")
                                      : "";
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = exec("DELETE FROM update_files");
    for (const auto &f : files) {
        Stmt s(db_, "INSERT OR REPLACE INTO update_files (name, data) VALUES (?1, ?2)");
        s.text(1, f.name).blob(2, f.data);
        ok = ok && s.step() == SQLITE_DONE;
    }
    ok = ok && setMeta("manifest", manifest) && setMeta("manifest_sig", signature);
    if (ok && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
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
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_, "SELECT data FROM update_files WHERE name = ?1");
    s.text(1, name);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return s.col(0);
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
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Stmt s(db_,
        "INSERT INTO rates (prefix, cents_per_minute) VALUES (?1, ?2) "
        "ON CONFLICT(prefix) DO UPDATE SET cents_per_minute = excluded.cents_per_minute");
    s.text(1, prefix).integer(2, centsPerMinute);
    return s.step() == SQLITE_DONE;
}

std::vector<Rate> Store::rates()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<Rate> out;
    Stmt s(db_, "SELECT prefix, cents_per_minute FROM rates ORDER BY prefix");
    while (s.step() == SQLITE_ROW)
        out.push_back({s.col(0), s.colInt(1)});
    return out;
}

std::optional<int64_t> Store::rateFor(const std::string &dialled)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    // The proxy's billing route asks the same question in the same words.
    Stmt s(db_,
        "SELECT cents_per_minute FROM rates WHERE substr(?1, 1, length(prefix)) = prefix "
        "ORDER BY length(prefix) DESC LIMIT 1");
    s.text(1, billedNumber(dialled));
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return s.colInt(0);
}

std::vector<Charge> Store::charges(const std::string &account, int limit)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<Charge> out;
    Stmt s(db_,
        "SELECT cdr_id, account, number, seconds, cents, created FROM charges "
        "WHERE ?1 = '' OR account = ?1 ORDER BY cdr_id DESC LIMIT ?2");
    s.text(1, account).integer(2, limit);
    while (s.step() == SQLITE_ROW)
        out.push_back({s.colInt(0), s.col(1), s.col(2), s.colInt(3), s.colInt(4), s.col(5)});
    return out;
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
