#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "record/reading_table.h"
#include "store/event_queue.h"
#include "store/sqlite_db.h"

// Reads a session file: its facts, a summary of its last table and its events
// in order. Never writes: safe on a session another program is writing (which
// holds the file open, so closing here folds nothing) and on a copy.
namespace tavolo::store {

struct SessionFacts {
    std::int64_t startedMs = 0;
    std::string programVersion;
    std::string link, port;
    std::string hiLimit, loLimit;
    std::optional<std::int32_t> maxRecords;
    std::optional<std::int32_t> pageSize;
    std::int32_t startNextRecordNo = 1;
    std::int32_t startRecordCount = 0;
    std::string startLastRecordKey;
    bool endedNormally = false;
    std::optional<std::int64_t> endedMs;
};

class SessionReader {
public:
    // False when the file cannot be opened or is no session file; problem() says why.
    bool open(const std::string& path);
    const std::string& problem() const noexcept { return m_problem; }

    std::optional<SessionFacts> facts();

    struct TableSummary {
        std::int64_t rows = 0;
        std::optional<std::int64_t> firstInstantMs, lastInstantMs;
        std::string problem;  // set when the file is damaged part-way
    };
    // The rows of the table as the session last had them.
    TableSummary lastTableSummary();

    // Calls `each` for every event in order. Returns false when reading
    // stopped early at a damaged part; problem() then says why.
    bool forEachEvent(const std::function<void(const StoreEvent&)>& each);

    // The change record a Replaced table of number `tableNo` brought, in order.
    std::vector<ChangeLogEntry> changeLog(std::int64_t tableNo);

private:
    SqliteDb m_db;
    std::string m_problem;
};

}  // namespace tavolo::store
