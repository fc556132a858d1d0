#pragma once

#include <cstdint>
#include <string>

#include "store/sqlite_db.h"

// The session file's layout. docs/session-store.md describes it for people who
// query the files; a change of layout raises kSchemaVersion (PRAGMA user_version).
//
//   session   one row: the session's facts (start, program, link, limits,
//             record settings, counters at start, how it ended)
//   events    everything that changed the table or the chart, in order (seq):
//             rows, chart points, clears, chart restarts, replaced tables
//   change_log  the change record a replaced table (an XML load) brought
//   readings, current_table   views for people
namespace tavolo::store {

inline constexpr int kSchemaVersion = 1;
inline constexpr const char kSessionSuffix[] = ".tavolo-session";

// events.kind. Stored numbers: never renumber.
enum class EventKind : std::uint8_t {
    Recorded = 0,      // a row the record rule appended (and charted): chart_value set
    Appended = 1,      // a row a text file load appended (with a change-record entry)
    Stored = 2,        // a row of a replaced table (an XML load), row_state as loaded
    ChartPoint = 3,    // a reading charted but not recorded (the repeat filter)
    Cleared = 4,       // "New": table and chart emptied, counters back to the start
    ChartRestart = 5,  // a mode change began a new chart; chart_value = its start point
    Replaced = 6,      // the table was exchanged for a loaded one; Stored rows follow
    ChartStart = 7,    // the start point of the chart after a clear (chart_value)
};

// Creates the layout in an empty database, or checks that an existing one has
// a layout this program reads. Returns an empty text on success, else why not.
std::string createOrCheckSchema(SqliteDb& db);

// The pragmas of a connection that writes: WAL, every commit synced, and no
// checkpoint while recording (see docs/session-store.md, "Copies").
int configureWriter(SqliteDb& db);

}  // namespace tavolo::store
