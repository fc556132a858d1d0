#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "record/meter_session.h"
#include "record/reading_table.h"

// Reading a session file back. Stops at the first damaged part and keeps what
// came before it.
namespace tavolo::store {

struct RestoreResult {
    bool ok = false;          // something could be read (the file opened and has facts)
    bool complete = false;    // every event was read
    std::size_t rows = 0;     // rows of the restored table
    std::string message;      // for the user: empty when complete, else what could not be read
};

// The session's table as it last was, every field, receive instant, range mode
// and row state, with its change record; `table` is replaced (one tableReplaced).
RestoreResult readSessionTable(const std::filesystem::path& file, ReadingTable& table);

// The whole recording into `session`: the table (as readSessionTable), the chart
// with its points and restarts (following the newest page, at the session's
// current page size), and the record counters (RecordCount, NextRecordNo,
// LastRecordKey, MaxRecords; SampleCountdown 0). Use it before a SessionStore
// continues the file, so that nothing restored is written again.
RestoreResult restoreSession(const std::filesystem::path& file, MeterSession& session);

}  // namespace tavolo::store
