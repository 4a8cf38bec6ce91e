#include "db.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace nuvoxa {

namespace {

class SqliteDb : public Db
{
public:
    ~SqliteDb() override { sqlite3_close(db_); }

    bool open(const std::string &path, std::string *error)
    {
        // Password digests and HA1s: owner-only. SQLite gives the -wal and
        // -shm files the mode of the database, so the file is made (or
        // narrowed) first; older companions from before are narrowed as well.
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
        script("PRAGMA journal_mode=WAL");
        return true;
    }

    Engine engine() const override { return Engine::Sqlite; }

    Result query(const char *sql, const std::vector<Param> &params) override
    {
        Result result;
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK || !s) {
            sqlite3_finalize(s);
            return result;
        }
        bool bound = true;
        for (size_t i = 0; i < params.size() && bound; ++i) {
            const std::string name = "$" + std::to_string(i + 1);
            const int at = sqlite3_bind_parameter_index(s, name.c_str());
            if (at == 0)
                continue;
            const Param &p = params[i];
            const int n = static_cast<int>(p.bytes.size());
            switch (p.kind) {
            case Param::Kind::Text:
                bound = sqlite3_bind_text(s, at, p.bytes.data(), n, SQLITE_TRANSIENT) == SQLITE_OK;
                break;
            case Param::Kind::Blob:
                bound = sqlite3_bind_blob(s, at, p.bytes.data(), n, SQLITE_TRANSIENT) == SQLITE_OK;
                break;
            case Param::Kind::Int:
                bound = sqlite3_bind_int64(s, at, p.number) == SQLITE_OK;
                break;
            }
        }
        int rc = bound ? sqlite3_step(s) : SQLITE_ERROR;
        while (rc == SQLITE_ROW) {
            Row row;
            for (int c = 0; c < sqlite3_column_count(s); ++c) {
                const void *p = sqlite3_column_blob(s, c);
                const int n = sqlite3_column_bytes(s, c);
                row.emplace_back(p
                        ? std::string(static_cast<const char *>(p), static_cast<size_t>(n))
                        : std::string());
            }
            result.rows.push_back(std::move(row));
            rc = sqlite3_step(s);
        }
        result.ok = rc == SQLITE_DONE;
        const int code = sqlite3_extended_errcode(db_);
        result.conflict = !result.ok
            && (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE);
        sqlite3_finalize(s);
        return result;
    }

    bool script(const char *sql) override
    {
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    bool begin() override { return script("BEGIN IMMEDIATE"); }
    bool commit() override { return script("COMMIT"); }
    void rollback() override { script("ROLLBACK"); }
    std::string lastError() const override { return sqlite3_errmsg(db_); }

private:
    sqlite3 *db_ = nullptr;
};

// PostgreSQL's type ids of the parameters (pg_type.h is a server header).
const Oid kTextOid = 25, kByteaOid = 17, kInt8Oid = 20;

class PostgresDb : public Db
{
public:
    ~PostgresDb() override { PQfinish(conn_); }

    bool open(const std::string &url, std::string *error)
    {
        conn_ = PQconnectdb(url.c_str());
        if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
            // libpq's message names the host and the reason, never the password.
            if (error)
                *error = conn_ ? PQerrorMessage(conn_) : "cannot connect";
            return false;
        }
        // "already exists, skipping" and the like are not for the operator's terminal.
        PQsetNoticeProcessor(
            conn_, [](void *, const char *) {}, nullptr);
        return script("SET client_min_messages = warning");
    }

    Engine engine() const override { return Engine::Postgres; }

    Result query(const char *sql, const std::vector<Param> &params) override
    {
        reconnectIfLost();
        Result result;
        std::vector<Oid> types;
        std::vector<std::string> numbers(params.size());
        std::vector<const char *> values;
        std::vector<int> lengths, formats;
        for (size_t i = 0; i < params.size(); ++i) {
            const Param &p = params[i];
            switch (p.kind) {
            case Param::Kind::Text:
                // Text parameters end at a NUL: one inside would make the
                // server see a different (shorter) name than the caller's.
                if (std::memchr(p.bytes.data(), '\0', p.bytes.size()))
                    return result;
                types.push_back(kTextOid);
                values.push_back(p.bytes.c_str());
                formats.push_back(0);
                break;
            case Param::Kind::Blob:
                types.push_back(kByteaOid);
                values.push_back(p.bytes.data());
                formats.push_back(1);
                break;
            case Param::Kind::Int:
                numbers[i] = std::to_string(p.number);
                types.push_back(kInt8Oid);
                values.push_back(numbers[i].c_str());
                formats.push_back(0);
                break;
            }
            lengths.push_back(static_cast<int>(p.bytes.size()));
        }
        PGresult *res = PQexecParams(conn_, sql, static_cast<int>(params.size()), types.data(),
            values.data(), lengths.data(), formats.data(), 0);
        const ExecStatusType status = PQresultStatus(res);
        result.ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!result.ok) {
            const char *state = PQresultErrorField(res, PG_DIAG_SQLSTATE);
            result.conflict = state && std::strcmp(state, "23505") == 0;
        }
        for (int r = 0; result.ok && r < PQntuples(res); ++r) {
            Row row;
            for (int c = 0; c < PQnfields(res); ++c)
                row.push_back(column(res, r, c));
            result.rows.push_back(std::move(row));
        }
        PQclear(res);
        return result;
    }

    bool script(const char *sql) override
    {
        PGresult *res = PQexec(conn_, sql);
        const ExecStatusType status = PQresultStatus(res);
        PQclear(res);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    bool begin() override
    {
        reconnectIfLost();
        inTransaction_ = script("BEGIN");
        return inTransaction_;
    }
    bool commit() override
    {
        inTransaction_ = false;
        return script("COMMIT");
    }
    void rollback() override
    {
        inTransaction_ = false;
        script("ROLLBACK");
    }
    std::string lastError() const override { return PQerrorMessage(conn_); }

private:
    // After a server restart or a dropped connection the statement that
    // met it has failed; the next one gets a new connection. Never within a
    // transaction: its later statements would run outside it. Nothing is
    // sent again, as a lost answer may belong to a statement that took place.
    void reconnectIfLost()
    {
        if (!inTransaction_ && PQstatus(conn_) == CONNECTION_BAD)
            PQreset(conn_);
    }

    static std::string column(PGresult *res, int r, int c)
    {
        const char *v = PQgetvalue(res, r, c);
        if (PQftype(res, c) != kByteaOid)
            return std::string(v, static_cast<size_t>(PQgetlength(res, r, c)));
        size_t n = 0;
        unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(v), &n);
        std::string out = bytes ? std::string(reinterpret_cast<char *>(bytes), n) : std::string();
        PQfreemem(bytes);
        return out;
    }

    PGconn *conn_ = nullptr;
    bool inTransaction_ = false;
};

}  // namespace

bool Db::isPostgresUrl(const std::string &target)
{
    return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::string Db::describe(const std::string &target)
{
    if (!isPostgresUrl(target))
        return target;
    PQconninfoOption *options = PQconninfoParse(target.c_str(), nullptr);
    if (!options)
        return "postgresql://(unreadable URL)";
    std::string host, port, dbname;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        const std::string value = o->val ? o->val : "";
        if (std::strcmp(o->keyword, "host") == 0)
            host = value;
        else if (std::strcmp(o->keyword, "port") == 0)
            port = value;
        else if (std::strcmp(o->keyword, "dbname") == 0)
            dbname = value;
    }
    PQconninfoFree(options);
    return "postgresql database " + (dbname.empty() ? std::string("(default)") : dbname) + " on "
        + (host.empty() ? std::string("the default socket") : host)
        + (port.empty() ? std::string() : ":" + port);
}

std::unique_ptr<Db> Db::open(const std::string &target, std::string *error)
{
    if (isPostgresUrl(target)) {
        auto db = std::make_unique<PostgresDb>();
        return db->open(target, error) ? std::move(db) : nullptr;
    }
    auto db = std::make_unique<SqliteDb>();
    return db->open(target, error) ? std::move(db) : nullptr;
}

int64_t toInt(const std::string &column)
{
    return std::strtoll(column.c_str(), nullptr, 10);
}

}  // namespace nuvoxa
