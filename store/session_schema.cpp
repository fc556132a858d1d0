#include "store/session_schema.h"

#include <sqlite3.h>

namespace tavolo::store {

namespace {

constexpr const char kCreate[] = R"sql(
CREATE TABLE session (
    id                    INTEGER PRIMARY KEY CHECK (id = 1),
    started_ms            INTEGER NOT NULL,
    program_version       TEXT NOT NULL,
    link                  TEXT,
    port                  TEXT,
    hi_limit              TEXT,
    lo_limit              TEXT,
    max_records           INTEGER,
    record_si             INTEGER,
    record_si_time        TEXT,
    repeat_set            INTEGER,
    recall_check          INTEGER,
    page_size             INTEGER,
    start_next_record_no  INTEGER NOT NULL DEFAULT 1,
    start_record_count    INTEGER NOT NULL DEFAULT 0,
    start_last_record_key TEXT NOT NULL DEFAULT '',
    ended_normally        INTEGER NOT NULL DEFAULT 0,
    ended_ms              INTEGER
);
CREATE TABLE events (
    seq         INTEGER PRIMARY KEY,
    kind        INTEGER NOT NULL,
    table_no    INTEGER NOT NULL,
    no          INTEGER,
    time        TEXT,
    dc_ac       TEXT,
    value       TEXT,
    unit        TEXT,
    judge       TEXT,
    nval        INTEGER,
    range       TEXT,
    row_state   INTEGER,
    instant_ms  INTEGER,
    si_value    REAL,
    si_unit     TEXT,
    chart_value REAL
);
CREATE TABLE change_log (
    table_no INTEGER NOT NULL,
    position INTEGER NOT NULL,
    row      INTEGER NOT NULL,
    second   INTEGER NOT NULL,
    third    INTEGER NOT NULL,
    PRIMARY KEY (table_no, position)
) WITHOUT ROWID;
CREATE VIEW readings AS
    SELECT seq, table_no, no, time, dc_ac, value, unit, judge, nval, range, row_state,
           instant_ms, si_value, si_unit, kind = 0 AS recorded
    FROM events WHERE kind IN (0, 1, 2);
CREATE VIEW current_table AS
    SELECT * FROM readings WHERE table_no = (SELECT max(table_no) FROM events);
)sql";

}  // namespace

std::string createOrCheckSchema(SqliteDb& db)
{
    const std::optional<std::int64_t> version = db.queryInt("PRAGMA user_version");
    if (!version)
        return db.errorText();
    if (*version == kSchemaVersion)
        return {};
    if (*version != 0)
        return "the session file has layout " + std::to_string(*version) + ", this program reads layout " +
               std::to_string(kSchemaVersion);
    // A fresh file: the layout and its version in one transaction.
    if (db.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return db.errorText();
    if (db.exec(kCreate) != SQLITE_OK ||
        db.exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str()) != SQLITE_OK) {
        std::string error = db.errorText();
        db.exec("ROLLBACK");
        return error;
    }
    if (db.exec("COMMIT") != SQLITE_OK) {
        std::string error = db.errorText();
        db.exec("ROLLBACK");
        return error;
    }
    return {};
}

int configureWriter(SqliteDb& db)
{
    // Small pages keep each commit's WAL frames small (a commit rewrites the
    // last leaf page and its parents); set before the first table exists.
    int rc = db.exec("PRAGMA page_size = 1024");
    if (rc == SQLITE_OK)
        rc = db.exec("PRAGMA journal_mode = WAL");
    if (rc == SQLITE_OK)
        rc = db.exec("PRAGMA synchronous = FULL");
    if (rc == SQLITE_OK)
        rc = db.exec("PRAGMA wal_autocheckpoint = 0");
    if (rc == SQLITE_OK)
        rc = sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return rc;
}

}  // namespace tavolo::store
