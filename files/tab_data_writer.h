#pragma once

#include <string>

#include "files/file_result.h"
#include "files/output_buffer.h"
#include "record/reading_table.h"

// The tab-separated data file (".xls", ".txt", any name not ending in ".xml"):
// 8-bit text as stored, CR LF after every line, the header
// "No<TAB>Time<TAB>DC/AC<TAB>Value<TAB>Unit<TAB>AUTO", then one line per row with
// No, time, DC/AC, Value, Unit and Auto; NVal is not written. Texts are trimmed of
// characters of code 32 or below and "NULL" stands for an empty text.
//
// A text that still holds a character of code 32 or below, or begins with a
// double quote, is written quoted ("..." with inner quotes doubled) so that it
// reads back as one value (the continuity unit "&  *"). Line breaks and NUL
// cannot live in a line of this file and are written as spaces inside the quotes.
// An empty No is written as "" so that the other columns keep their places.
// Every other value is written as stored.
namespace tavolo {

inline constexpr std::string_view kTabHeaderLine = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n";

// Writes the whole file to `out`. Does not move the current row.
void writeTabData(const ReadingTable& table, OutputBuffer& out);

// Saves the table to `path` by replacing the file in one step (see replace_file.h).
// Success: "save table to specified file: <path> Scuss!"; failure:
// "Could not save table to specified file: <path>" with the old file untouched.
// Afterwards the table's current row is its last row. GUI thread (or any one thread).
FileResult TabDataWriter(ReadingTable& table, const std::string& path);

}  // namespace tavolo
