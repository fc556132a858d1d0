#include "store/sqlite_db.h"

#include <sqlite3.h>

namespace tavolo::store {

SqliteDb::~SqliteDb()
{
    close();
}

SqliteDb& SqliteDb::operator=(SqliteDb&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = other.m_db;
        other.m_db = nullptr;
    }
    return *this;
}

int SqliteDb::open(const std::string& path, Mode mode)
{
    close();
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case Mode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case Mode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case Mode::Create: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        // A handle comes back even on failure (for the message); it must be closed.
        sqlite3_close_v2(db);
        return rc;
    }
    sqlite3_extended_result_codes(db, 1);
    m_db = db;
    return SQLITE_OK;
}

void SqliteDb::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int SqliteDb::exec(const char* sql)
{
    return m_db ? sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

std::string SqliteDb::errorText() const
{
    return m_db ? std::string(sqlite3_errmsg(m_db)) : std::string("the database is not open");
}

int SqliteDb::extendedErrorCode() const
{
    return m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
}

std::optional<std::int64_t> SqliteDb::queryInt(const char* sql)
{
    SqliteStatement statement(*this, sql);
    if (!statement.valid() || statement.step() != SQLITE_ROW || statement.isNull(0))
        return std::nullopt;
    return statement.columnInt(0);
}

SqliteStatement::~SqliteStatement()
{
    finalize();
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        finalize();
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

int SqliteStatement::prepare(SqliteDb& db, const char* sql)
{
    finalize();
    if (!db.isOpen())
        return SQLITE_MISUSE;
    return sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
}

void SqliteStatement::finalize()
{
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

void SqliteStatement::bindInt(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void SqliteStatement::bindDouble(int index, double value)
{
    sqlite3_bind_double(m_stmt, index, value);
}

void SqliteStatement::bindText(int index, std::string_view text, bool emptyIsNull)
{
    if (emptyIsNull && text.empty())
        sqlite3_bind_null(m_stmt, index);
    else
        sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindOptionalInt(int index, const std::optional<std::int64_t>& value)
{
    if (value)
        bindInt(index, *value);
    else
        bindNull(index);
}

int SqliteStatement::step()
{
    return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE;
}

void SqliteStatement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::columnInt(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double SqliteStatement::columnDouble(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

std::string_view SqliteStatement::columnText(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!text)
        return {};
    return std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
}

std::optional<std::int64_t> SqliteStatement::columnOptionalInt(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return columnInt(column);
}

}  // namespace tavolo::store
