#pragma once

#include <string>

#include "files/block_input.h"
#include "files/file_result.h"
#include "record/reading_table.h"

// Reading the tab-separated data file. The text ends at its end or at a NUL
// byte and is split into lines at CR LF, lone LF and lone CR; the first line is
// dropped whatever it holds. Each other line is split into values: runs of
// characters of code 1 to 32 separate them, and a value that starts with a double
// quote runs to the next double quote that is not doubled ("" inside stands for
// one "), spaces and TABs included. A quoted value whose closing quote is missing
// runs to the end of its line. A line without values is skipped; otherwise the
// values go, by position, to No, time, DC/AC, Value, Unit, Auto and NVal, and the
// row is appended as an insertion. No and NVal take a whole decimal number that
// fits 32 bits (an empty quoted value "" leaves them empty); texts are cut at 20
// characters; "NULL" is kept as the text "NULL".
//
// The load stops at the first failing line (a number that does not convert,
// more than seven values, a read error) with "Failed to Load File!". The rows of
// earlier lines stay in the table; nothing of the failing line is stored.
// A file without any line (empty) fails as well. One thread at a time.
namespace tavolo {

// Appends the rows read from `in` to `table`. `rows` counts the rows appended.
FileResult readTabData(BlockInput& in, ReadingTable& table);

// Opens `path` and appends its rows to `table`, as above.
FileResult loadTabData(const std::string& path, ReadingTable& table);

}  // namespace tavolo
