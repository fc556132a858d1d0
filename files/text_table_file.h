#pragma once

#include <string>

#include "files/block_input.h"
#include "files/file_result.h"
#include "files/output_buffer.h"
#include "record/reading_table.h"

// What the tab-separated and the CSV file share around their own formats: the
// safe save with its messages, and opening a file for a block reader.
namespace tavolo {

using TableWriter = void (*)(const ReadingTable& table, OutputBuffer& out);
using TableReader = FileResult (*)(BlockInput& in, ReadingTable& table);

// Writes the whole table through `write` into a temporary beside `path` and
// puts it in place only when complete; the newest row becomes the current one.
// The result carries the tab-separated save's success or failure text.
FileResult saveTextTable(ReadingTable& table, const std::string& path, TableWriter write);

// Opens `path` and appends its rows through `read`.
FileResult loadTextTable(const std::string& path, ReadingTable& table, TableReader read);

}  // namespace tavolo
