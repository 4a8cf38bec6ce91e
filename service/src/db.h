// The one seam between the store and its database engine: SQLite files for
// the embedded service, PostgreSQL for operators who run several service
// instances on one database. Statements are written once, in the SQL both
// engines accept, with parameters numbered $1, $2, ... and always bound.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvoxa {

class Db
{
public:
    enum class Engine { Sqlite, Postgres };

    struct Param
    {
        enum class Kind { Text, Blob, Int } kind;
        std::string bytes;
        int64_t number = 0;

        static Param text(std::string v) { return {Kind::Text, std::move(v), 0}; }
        static Param blob(std::string v) { return {Kind::Blob, std::move(v), 0}; }
        static Param integer(int64_t v) { return {Kind::Int, {}, v}; }
    };

    // Every column as its bytes (integers in decimal); NULL reads as "".
    using Row = std::vector<std::string>;
    struct Result
    {
        bool ok = false;
        // A unique or primary key refused the row.
        bool conflict = false;
        std::vector<Row> rows;
    };

    virtual ~Db() = default;

    // A PostgreSQL connection URI ("postgresql://..." or "postgres://...") or
    // the path of an SQLite file, created owner-only when missing.
    static std::unique_ptr<Db> open(const std::string &target, std::string *error);
    static bool isPostgresUrl(const std::string &target);
    // The target as logs may show it: a URL's password and other options left out.
    static std::string describe(const std::string &target);

    virtual Engine engine() const = 0;
    virtual Result query(const char *sql, const std::vector<Param> &params = {}) = 0;
    // Several statements without parameters: the schema.
    virtual bool script(const char *sql) = 0;
    // A write transaction: on SQLite it takes the write lock at once, so
    // its reads see what it then writes over.
    virtual bool begin() = 0;
    virtual bool commit() = 0;
    virtual void rollback() = 0;
    virtual std::string lastError() const = 0;
};

// A decimal column as a number; 0 when it is not one.
int64_t toInt(const std::string &column);

}  // namespace nuvoxa
