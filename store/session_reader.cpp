#include "store/session_reader.h"

#include <sqlite3.h>

#include "store/session_schema.h"

namespace tavolo::store {

namespace {

std::string damaged(const SqliteDb& db)
{
    return "the session file is damaged (" + db.errorText() + ")";
}

}  // namespace

bool SessionReader::open(const std::string& path)
{
    m_problem.clear();
    // Read-write when the file allows it, so the log's index can be rebuilt
    // after a crash. Never written; when the last connection to the file
    // closes (no program writes it), SQLite folds the log into the file and
    // removes it, which changes no content.
    int rc = m_db.open(path, SqliteDb::Mode::ReadWrite);
    if (rc != SQLITE_OK)
        rc = m_db.open(path, SqliteDb::Mode::ReadOnly);
    if (rc != SQLITE_OK) {
        m_problem = std::string("cannot open the session file (") + sqlite3_errstr(rc) + ")";
        return false;
    }
    m_db.exec("PRAGMA query_only = 1");
    // A restore reads the whole file once, in order: mapped, not a read call per page.
    m_db.exec("PRAGMA mmap_size = 17179869184");
    m_db.exec("PRAGMA cache_size = -16384");
    const std::optional<std::int64_t> version = m_db.queryInt("PRAGMA user_version");
    if (!version) {
        m_problem = damaged(m_db);
        m_db.close();
        return false;
    }
    if (*version != kSchemaVersion) {
        m_problem = *version == 0 ? "not a session file (no session layout)"
                                  : "the session file has layout " + std::to_string(*version) +
                                        ", this program reads layout " + std::to_string(kSchemaVersion);
        m_db.close();
        return false;
    }
    return true;
}

std::optional<SessionFacts> SessionReader::facts()
{
    SqliteStatement q(m_db, "SELECT started_ms, program_version, link, port, hi_limit, lo_limit, max_records, "
                            "page_size, start_next_record_no, start_record_count, start_last_record_key, "
                            "ended_normally, ended_ms FROM session WHERE id = 1");
    const int rc = q.step();
    if (rc != SQLITE_ROW) {
        m_problem = rc == SQLITE_DONE ? "the session file holds no session facts" : damaged(m_db);
        return std::nullopt;
    }
    SessionFacts f;
    f.startedMs = q.columnInt(0);
    f.programVersion = q.columnText(1);
    f.link = q.columnText(2);
    f.port = q.columnText(3);
    f.hiLimit = q.columnText(4);
    f.loLimit = q.columnText(5);
    if (!q.isNull(6))
        f.maxRecords = static_cast<std::int32_t>(q.columnInt(6));
    if (!q.isNull(7))
        f.pageSize = static_cast<std::int32_t>(q.columnInt(7));
    f.startNextRecordNo = static_cast<std::int32_t>(q.columnInt(8));
    f.startRecordCount = static_cast<std::int32_t>(q.columnInt(9));
    f.startLastRecordKey = q.columnText(10);
    f.endedNormally = q.columnInt(11) != 0;
    f.endedMs = q.columnOptionalInt(12);
    return f;
}

SessionReader::TableSummary SessionReader::lastTableSummary()
{
    TableSummary s;
    const std::optional<std::int64_t> last = m_db.queryInt("SELECT table_no FROM events ORDER BY seq DESC LIMIT 1");
    if (last) {
        SqliteStatement q(m_db, "SELECT count(*), min(instant_ms), max(instant_ms) FROM events "
                                "WHERE table_no = ?1 AND kind IN (0, 1, 2)");
        q.bindInt(1, *last);
        if (q.step() == SQLITE_ROW) {
            s.rows = q.columnInt(0);
            s.firstInstantMs = q.columnOptionalInt(1);
            s.lastInstantMs = q.columnOptionalInt(2);
            return s;
        }
    }
    // A damaged file: what a restore would read, in order, up to the damage.
    SqliteStatement q(m_db, "SELECT kind, table_no, instant_ms FROM events ORDER BY seq");
    std::int64_t table = -1;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
        const auto kind = static_cast<EventKind>(q.columnInt(0));
        if (q.columnInt(1) != table) {
            table = q.columnInt(1);
            s = TableSummary{};
        }
        if (kind == EventKind::Recorded || kind == EventKind::Appended || kind == EventKind::Stored) {
            ++s.rows;
            if (const auto instant = q.columnOptionalInt(2)) {
                if (!s.firstInstantMs)
                    s.firstInstantMs = instant;
                s.lastInstantMs = instant;
            }
        }
    }
    if (rc != SQLITE_DONE)
        s.problem = damaged(m_db);
    return s;
}

bool SessionReader::forEachEvent(const std::function<void(const StoreEvent&)>& each)
{
    SqliteStatement q(m_db, "SELECT kind, no, time, dc_ac, value, unit, judge, nval, range, row_state, "
                            "instant_ms, chart_value, table_no FROM events ORDER BY seq");
    if (!q.valid()) {
        m_problem = damaged(m_db);
        return false;
    }
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
        StoreEvent e;
        e.kind = static_cast<EventKind>(q.columnInt(0));
        if (!q.isNull(1))
            e.no = static_cast<std::int32_t>(q.columnInt(1));
        e.time = q.columnText(2);
        e.dcAc = q.columnText(3);
        e.value = q.columnText(4);
        e.unit = q.columnText(5);
        e.judge = q.columnText(6);
        if (!q.isNull(7))
            e.nval = static_cast<std::int32_t>(q.columnInt(7));
        e.range = static_cast<std::uint8_t>(rangeModeFromText(q.columnText(8)));
        e.rowState = static_cast<std::uint8_t>(q.columnInt(9));
        e.instantMs = q.columnOptionalInt(10);
        if (!q.isNull(11))
            e.chartValue = q.columnDouble(11);
        e.tableNo = q.columnInt(12);
        each(e);
    }
    if (rc != SQLITE_DONE) {
        m_problem = damaged(m_db);
        return false;
    }
    return true;
}

std::vector<ChangeLogEntry> SessionReader::changeLog(std::int64_t tableNo)
{
    std::vector<ChangeLogEntry> entries;
    SqliteStatement q(m_db, "SELECT row, second, third FROM change_log WHERE table_no = ?1 ORDER BY position");
    q.bindInt(1, tableNo);
    while (q.step() == SQLITE_ROW)
        entries.push_back(ChangeLogEntry{static_cast<std::int32_t>(q.columnInt(0)),
                                         static_cast<std::int32_t>(q.columnInt(1)),
                                         static_cast<std::int32_t>(q.columnInt(2))});
    return entries;
}

}  // namespace tavolo::store
