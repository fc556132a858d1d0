#include "store/session_writer.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <filesystem>
#include <system_error>

#include "decode/si_units.h"
#include "record/reading_table.h"
#include "store/session_schema.h"

namespace tavolo::store {

namespace {

bool isRowKind(EventKind kind)
{
    return kind == EventKind::Recorded || kind == EventKind::Appended || kind == EventKind::Stored;
}

// SQLite's reason in the user's words where it has a common cause.
std::string describe(const SqliteDb& db)
{
    switch (db.extendedErrorCode() & 0xFF) {
    case SQLITE_FULL: return "the disk is full";
    case SQLITE_READONLY: return "the file is read-only";
    case SQLITE_CANTOPEN: return "the file cannot be opened";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return "the file is damaged";
    default: return db.errorText();
    }
}

std::string behindNote(const std::string& reason)
{
    return "Session file not written (" + reason + "); readings are kept in memory and written when it can be.";
}

}  // namespace

std::string insertSessionStart(SqliteDb& db, const SessionStart& s)
{
    if (db.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return describe(db);
    {
        SqliteStatement insert(db, "INSERT OR IGNORE INTO session (id, started_ms, program_version, link, port, "
                                   "start_next_record_no, start_record_count, start_last_record_key) "
                                   "VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        insert.bindInt(1, s.startedMs);
        insert.bindText(2, s.programVersion);
        insert.bindText(3, s.link, true);
        insert.bindText(4, s.port, true);
        insert.bindInt(5, s.nextRecordNo);
        insert.bindInt(6, s.recordCount);
        insert.bindText(7, s.lastRecordKey);
        if (insert.step() != SQLITE_DONE ||
            db.exec("UPDATE session SET ended_normally = 0, ended_ms = NULL WHERE id = 1") != SQLITE_OK) {
            std::string error = describe(db);
            db.exec("ROLLBACK");
            return error;
        }
    }
    if (db.exec("COMMIT") != SQLITE_OK) {
        std::string error = describe(db);
        db.exec("ROLLBACK");
        return error;
    }
    return {};
}

bool createSessionFile(const std::string& path, const SessionStart& start, std::string& error)
{
    const std::string temp = path + ".new-" + std::to_string(::getpid());
    const auto removeTemp = [&temp] {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            std::remove((temp + suffix).c_str());
    };
    removeTemp();
    {
        SqliteDb db;
        if (db.open(temp, SqliteDb::Mode::Create) != SQLITE_OK) {
            error = db.errorText();
            removeTemp();
            return false;
        }
        int rc = db.exec("PRAGMA page_size = 1024");
        if (rc == SQLITE_OK)
            rc = db.exec("PRAGMA journal_mode = WAL");
        if (rc == SQLITE_OK)
            rc = db.exec("PRAGMA synchronous = FULL");
        std::string schemaError = rc == SQLITE_OK ? createOrCheckSchema(db) : db.errorText();
        if (schemaError.empty())
            schemaError = insertSessionStart(db, start);
        // Everything into the file itself before it gets its name.
        if (schemaError.empty() && db.exec("PRAGMA wal_checkpoint(TRUNCATE)") != SQLITE_OK)
            schemaError = db.errorText();
        if (!schemaError.empty()) {
            error = schemaError;
            db.close();
            removeTemp();
            return false;
        }
    }
    // link() never replaces: a file another program made first stays its own.
    const bool linked = ::link(temp.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    removeTemp();
    if (!linked && linkError != EEXIST) {
        error = std::strerror(linkError);
        return false;
    }
    const std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);  // the new name survives a power cut with the first rows
        ::close(dir);
    }
    return true;
}

SessionWriter::SessionWriter(WriterConfig config, SessionLock lock)
    : m_config(std::move(config)), m_lock(std::move(lock)), m_thread([this] { run(); })
{
}

SessionWriter::~SessionWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    closeFile();
    m_lock.release();  // after SQLite let go of the file
}

StoreStatus SessionWriter::status() const
{
    std::lock_guard lock(m_mutex);
    return m_status;
}

bool SessionWriter::flush(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_mutex);
    if (m_ended)
        return m_queue.empty();
    const std::uint64_t target = m_taken + 1;
    m_urgent = true;
    m_wake.notify_all();
    return m_done.wait_for(lock, wait, [&] { return m_committed >= target || m_ended; });
}

bool SessionWriter::finish(std::int64_t endedMs, std::chrono::milliseconds wait)
{
    hand([&](EventBuffer& queue) { queue.putEnd(endedMs); });
    std::unique_lock lock(m_mutex);
    m_urgent = true;
    m_wake.notify_all();
    return m_done.wait_for(lock, wait, [&] { return m_ended; });
}

void SessionWriter::run()
{
    std::unique_lock lock(m_mutex);
    auto next = std::chrono::steady_clock::now();  // open the file at once
    for (;;) {
        m_wake.wait_until(lock, next, [&] { return m_stop || m_urgent; });
        m_urgent = false;
        const bool stopping = m_stop;
        if (m_unwritten.empty())
            m_unwritten.swap(m_queue);
        else
            m_unwritten.append(m_queue);
        m_queue.clear();
        const std::uint64_t batch = ++m_taken;
        lock.unlock();

        std::string reason;
        const bool ok = ensureOpen(reason) && (m_unwritten.empty() || writeBatch(reason));
        const bool ended = ok && !m_db.isOpen();  // the end mark closes the file

        lock.lock();
        StoreStatus before = m_status;
        if (ok) {
            m_committed = batch;
            m_status.health = ended ? StoreHealth::Ended : StoreHealth::Writing;
            m_status.note.clear();
            m_ended = ended;
        } else {
            m_status.health = StoreHealth::Behind;
            m_status.note = behindNote(reason);
        }
        m_status.eventsWritten = m_eventsWritten;
        m_status.bytesWaiting = m_unwritten.size() + m_queue.size();
        const StoreStatus now = m_status;
        // Told before the waiters wake, so a flush that returns has been reported.
        if (m_config.onStatus && (now.health != before.health || now.note != before.note)) {
            lock.unlock();
            m_config.onStatus(now);
            lock.lock();
        }
        m_done.notify_all();
        if (ended || stopping)
            return;
        next = std::chrono::steady_clock::now() + (ok ? m_config.commitInterval : m_config.retryInterval);
    }
}

bool SessionWriter::ensureOpen(std::string& reason)
{
    if (m_db.isOpen())
        return true;
    std::error_code ec;
    const std::filesystem::path path(m_config.path);
    if (path.has_parent_path() && !std::filesystem::is_directory(path.parent_path(), ec) &&
        !std::filesystem::create_directories(path.parent_path(), ec) && ec) {
        reason = "cannot make the folder " + path.parent_path().string() + ": " + ec.message();
        return false;
    }
    if (!m_lock.held()) {
        std::string error;
        switch (m_lock.acquire(m_config.path, error)) {
        case SessionLock::Result::Held: break;
        case SessionLock::Result::InUse: reason = "in use by another program"; return false;
        case SessionLock::Result::Failed: reason = error; return false;
        }
    }
    const auto fail = [&](std::string why) {
        reason = std::move(why);
        closeFile();
        return false;
    };
    if (m_db.open(m_config.path, SqliteDb::Mode::Create) != SQLITE_OK)
        return fail("the file cannot be opened");
    if (configureWriter(m_db) != SQLITE_OK)
        return fail(describe(m_db));
    if (std::string error = createOrCheckSchema(m_db); !error.empty())
        return fail(error);

    // The facts of a new session; a continued one is marked as running again.
    if (std::string error = insertSessionStart(m_db, m_config.start); !error.empty())
        return fail(error);
    m_tableNo = m_db.queryInt("SELECT table_no FROM events ORDER BY seq DESC LIMIT 1").value_or(0);
    {
        SqliteStatement count(m_db, "SELECT count(*) FROM change_log WHERE table_no = ?1");
        count.bindInt(1, m_tableNo);
        m_changePosition = count.step() == SQLITE_ROW ? count.columnInt(0) : 0;
    }
    if (!prepareStatements())
        return fail(describe(m_db));
    return true;
}

bool SessionWriter::prepareStatements()
{
    return m_insertEvent.prepare(m_db, "INSERT INTO events (kind, table_no, no, time, dc_ac, value, unit, judge, "
                                       "nval, range, row_state, instant_ms, si_value, si_unit, chart_value) "
                                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)") ==
               SQLITE_OK &&
           m_insertChange.prepare(m_db, "INSERT INTO change_log (table_no, position, row, second, third) "
                                        "VALUES (?1, ?2, ?3, ?4, ?5)") == SQLITE_OK &&
           m_updateFacts.prepare(m_db, "UPDATE session SET hi_limit = ?1, lo_limit = ?2, max_records = ?3, "
                                       "record_si = ?4, record_si_time = ?5, repeat_set = ?6, recall_check = ?7, "
                                       "page_size = ?8 WHERE id = 1") == SQLITE_OK &&
           m_updateEnd.prepare(m_db, "UPDATE session SET ended_normally = 1, ended_ms = ?1 WHERE id = 1") ==
               SQLITE_OK;
}

void SessionWriter::closeFile()
{
    m_insertEvent.finalize();
    m_insertChange.finalize();
    m_updateFacts.finalize();
    m_updateEnd.finalize();
    m_db.close();
}

bool SessionWriter::writeBatch(std::string& reason)
{
    const std::int64_t tableNo = m_tableNo;
    const std::int64_t changePosition = m_changePosition;
    std::uint64_t written = 0;
    bool end = false;
    const auto fail = [&] {
        reason = describe(m_db);
        m_db.exec("ROLLBACK");
        m_tableNo = tableNo;
        m_changePosition = changePosition;
        // Reopened at the next attempt, whatever went wrong with it.
        closeFile();
        return false;
    };
    if (m_db.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return fail();

    for (EventBuffer::Reader in(m_unwritten); !in.atEnd();) {
        const std::uint8_t tag = in.peekTag();
        if (tag == static_cast<std::uint8_t>(RecordTag::ChangeLogEntry)) {
            std::int32_t row, second, third;
            in.changeLogEntry(row, second, third);
            SqliteStatement& q = m_insertChange;
            q.bindInt(1, m_tableNo);
            q.bindInt(2, m_changePosition++);
            q.bindInt(3, row);
            q.bindInt(4, second);
            q.bindInt(5, third);
            const int rc = q.step();
            q.reset();
            if (rc != SQLITE_DONE)
                return fail();
            continue;
        }
        if (tag == static_cast<std::uint8_t>(RecordTag::Facts)) {
            const FactsUpdate f = in.facts();
            SqliteStatement& q = m_updateFacts;
            q.bindText(1, f.hiLimit);
            q.bindText(2, f.loLimit);
            q.bindInt(3, f.maxRecords);
            q.bindInt(4, f.recordSI);
            q.bindText(5, f.recordSITime);
            q.bindInt(6, f.repeatSet);
            q.bindInt(7, f.recallCheck);
            q.bindInt(8, f.pageSize);
            const int rc = q.step();
            q.reset();
            if (rc != SQLITE_DONE)
                return fail();
            continue;
        }
        if (tag == static_cast<std::uint8_t>(RecordTag::End)) {
            m_updateEnd.bindInt(1, in.end());
            const int rc = m_updateEnd.step();
            m_updateEnd.reset();
            if (rc != SQLITE_DONE)
                return fail();
            end = true;
            break;  // nothing is written after the end
        }

        const StoreEvent e = in.event();
        if (e.kind == EventKind::Cleared || e.kind == EventKind::Replaced) {
            ++m_tableNo;
            m_changePosition = 0;
        }
        SqliteStatement& q = m_insertEvent;
        q.bindInt(1, static_cast<int>(e.kind));
        q.bindInt(2, m_tableNo);
        if (isRowKind(e.kind)) {
            if (e.no)
                q.bindInt(3, *e.no);
            q.bindText(4, e.time, true);
            q.bindText(5, e.dcAc, true);
            q.bindText(6, e.value, true);
            q.bindText(7, e.unit, true);
            q.bindText(8, e.judge, true);
            if (e.nval)
                q.bindInt(9, *e.nval);
            q.bindText(10, rangeModeText(static_cast<RangeMode>(e.range)), true);
            q.bindInt(11, e.rowState);
            if (e.instantMs)
                q.bindInt(12, *e.instantMs);
            const SiValue si = siValue(e.value, e.unit);
            if (si.value)
                q.bindDouble(13, *si.value);
            q.bindText(14, si.unit, true);
        }
        if (e.chartValue)
            q.bindDouble(15, *e.chartValue);
        const int rc = q.step();
        q.reset();
        if (rc != SQLITE_DONE)
            return fail();
        ++written;
    }
    if (m_db.exec("COMMIT") != SQLITE_OK)
        return fail();
    m_eventsWritten += written;
    m_unwritten.clear();
    if (end) {
        // A clean end: the log folded into the file and removed with it.
        sqlite3_db_config(m_db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
        m_db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
        closeFile();
    }
    return true;
}

}  // namespace tavolo::store
