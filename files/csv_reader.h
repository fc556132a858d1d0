#pragma once

#include <string>

#include "files/block_input.h"
#include "files/file_result.h"
#include "record/reading_table.h"

// Reading the table's CSV file (csv_writer.h). RFC 4180 records: fields split at
// commas, a field that starts with a double quote runs to the closing quote
// ("" inside stands for one quote) and may hold commas and line breaks; lines
// end in CR LF, LF or CR. A UTF-8 byte order mark before the header is skipped
// (spreadsheets write one). The first line must be the header exactly; an empty
// line is skipped; every other line appends one row (an insertion, as the
// tab-separated load does) from its ten fields:
//
//   no         empty, or a whole number in 32 bits
//   timestamp  empty (no instant), or ISO 8601 with any UTC offset
//   time, function, judge       UTF-8 texts up to U+00FF, stored as 8-bit
//   display, unit               mapped back to the LCD coding (csv_texts.h)
//   range      "AUTO", "MANU" or empty
//   value, si_unit              not read: they follow from display and unit
//
// NVal is derived from the display as the decoder does (empty for an overload).
// Texts are cut at 20 characters like every table text.
//
// The load stops at the first bad line with "Failed to Load File!": broken
// quoting (a quote inside an unquoted field, text after a closing quote, a
// closing quote missing at the end), a line that does not have ten fields,
// broken UTF-8 or a character the table cannot hold, or a field above that does
// not convert. `detail` names the line (counted from 1, the header being line 1).
// The rows of earlier lines stay; nothing of the bad line is stored. An empty
// file, or one whose first line is not the header, fails and stores nothing.
// One thread at a time.
namespace tavolo {

// Appends the rows read from `in` to `table`. `rows` counts the rows appended.
FileResult readCsvData(BlockInput& in, ReadingTable& table);

// Opens `path` and appends its rows to `table`, as above.
FileResult loadCsvData(const std::string& path, ReadingTable& table);

}  // namespace tavolo
