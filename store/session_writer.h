#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "store/event_queue.h"
#include "store/session_lock.h"
#include "store/sqlite_db.h"

// The store's writer thread: takes the handed-over events in batches and
// commits them to the session file (WAL, synchronous=FULL: a commit is on disk
// when it returns). Batches are committed every `commitInterval` (400 ms), so a
// reading handed over more than a second ago is on disk. When the file cannot
// be written (full disk, read-only or missing folder, file gone or damaged) the
// events stay in memory and the writer tries again every `retryInterval` (2 s);
// once it can write, it catches up in one transaction.
namespace tavolo::store {

// How a session begins: written into its session row when the file is new.
struct SessionStart {
    std::int64_t startedMs = 0;
    std::string programVersion;
    std::string link, port;
    std::int32_t nextRecordNo = 1;
    std::int32_t recordCount = 0;
    std::string lastRecordKey;
};

// Inserts a new session's facts (a continued session keeps its own) and marks
// the session as running. Returns an empty text, else why not.
std::string insertSessionStart(SqliteDb& db, const SessionStart& start);

// Makes `path` a new session file that appears with its layout and facts
// already in place (built under a temporary name, then linked in), so a copy
// taken at any moment opens. False with `error` when it cannot; true also
// when another program made the file first.
bool createSessionFile(const std::string& path, const SessionStart& start, std::string& error);

enum class StoreHealth {
    Starting,  // not written yet
    Writing,   // everything handed over up to the last batch is on disk
    Behind,    // the file cannot be written now; events wait in memory
    Ended,     // the session ended normally and the file is closed
};

struct StoreStatus {
    StoreHealth health = StoreHealth::Starting;
    // For the status line; empty while all is well. Changes only with the health
    // or the reason, never per reading.
    std::string note;
    std::uint64_t eventsWritten = 0;
    std::size_t bytesWaiting = 0;  // handed over, not yet on disk
    friend bool operator==(const StoreStatus&, const StoreStatus&) = default;
};

struct WriterConfig {
    std::string path;
    SessionStart start;
    std::chrono::milliseconds commitInterval{400};
    std::chrono::milliseconds retryInterval{2000};
    // Called on the writer thread whenever health or note changes.
    std::function<void(const StoreStatus&)> onStatus;
};

class SessionWriter {
public:
    // `lock`, when held, is the session file's lock taken by the caller; when
    // not, the writer takes it itself when the file can be created.
    SessionWriter(WriterConfig config, SessionLock lock);
    // Writes what was handed over (one attempt), closes the file; the session
    // stays "not ended normally".
    ~SessionWriter();
    SessionWriter(const SessionWriter&) = delete;
    SessionWriter& operator=(const SessionWriter&) = delete;

    // Runs `fill(EventBuffer&)` with the queue locked: the hand-over. Cheap; no waking.
    template <typename F>
    void hand(F&& fill)
    {
        std::lock_guard lock(m_mutex);
        fill(m_queue);
    }

    // Waits until everything handed over so far is committed; false on timeout.
    bool flush(std::chrono::milliseconds wait);
    // Hands over the end mark, waits until it is committed and the log folded
    // into the file, then stops. False when it could not be written in time
    // (the events stay queued and the session stays not ended).
    bool finish(std::int64_t endedMs, std::chrono::milliseconds wait);

    StoreStatus status() const;

private:
    void run();
    bool ensureOpen(std::string& reason);
    bool writeBatch(std::string& reason);
    bool prepareStatements();
    void closeFile();
    void setStatus(StoreHealth health, std::string note);

    WriterConfig m_config;
    SessionLock m_lock;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    EventBuffer m_queue;            // guarded by m_mutex
    bool m_stop = false;            // guarded
    bool m_urgent = false;          // guarded: a waiter wants the batch now
    std::uint64_t m_taken = 0;      // guarded: batches taken
    std::uint64_t m_committed = 0;  // guarded: batches taken and on disk
    bool m_ended = false;           // guarded
    StoreStatus m_status;           // guarded

    // Writer thread only.
    EventBuffer m_unwritten;
    SqliteDb m_db;
    SqliteStatement m_insertEvent, m_insertChange, m_updateFacts, m_updateEnd;
    std::int64_t m_tableNo = 0;
    std::int64_t m_changePosition = 0;
    std::uint64_t m_eventsWritten = 0;
    std::thread m_thread;  // last: started when the rest exists
};

}  // namespace tavolo::store
