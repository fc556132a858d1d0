#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A thin owner of the SQLite C API: one connection and its statements. Result
// codes are SQLite's (SQLITE_OK, SQLITE_ROW, SQLITE_DONE, SQLITE_FULL, ...);
// nothing throws. A connection and its statements belong to one thread at a
// time.
namespace tavolo::store {

class SqliteDb {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };

    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(SqliteDb&& other) noexcept : m_db(other.m_db) { other.m_db = nullptr; }
    SqliteDb& operator=(SqliteDb&& other) noexcept;
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens `path`; on failure the connection stays closed and the code is returned.
    int open(const std::string& path, Mode mode);
    void close();
    bool isOpen() const noexcept { return m_db != nullptr; }
    sqlite3* handle() const noexcept { return m_db; }

    // Runs one or more statements without results.
    int exec(const char* sql);
    // The connection's last error text (or a fallback when closed).
    std::string errorText() const;
    int extendedErrorCode() const;

    // First column of the first row of `sql` as an integer, if there is one.
    std::optional<std::int64_t> queryInt(const char* sql);

private:
    sqlite3* m_db = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(SqliteDb& db, const char* sql) { prepare(db, sql); }
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept : m_stmt(other.m_stmt) { other.m_stmt = nullptr; }
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    int prepare(SqliteDb& db, const char* sql);
    bool valid() const noexcept { return m_stmt != nullptr; }
    void finalize();

    // Parameters count from 1, as in SQL.
    void bindNull(int index);
    void bindInt(int index, std::int64_t value);
    void bindDouble(int index, double value);
    // The text is copied (SQLITE_TRANSIENT); an empty view binds NULL when `emptyIsNull`.
    void bindText(int index, std::string_view text, bool emptyIsNull = false);
    void bindOptionalInt(int index, const std::optional<std::int64_t>& value);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();

    // Columns count from 0.
    bool isNull(int column) const;
    std::int64_t columnInt(int column) const;
    double columnDouble(int column) const;
    std::string_view columnText(int column) const;  // valid until the next step or reset
    std::optional<std::int64_t> columnOptionalInt(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace tavolo::store
