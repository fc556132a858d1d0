#pragma once

#include <string>

#include "files/file_result.h"
#include "record/reading_table.h"

// The save and open actions' choice of format by the file name: exactly ".xml"
// is the XML data packet, exactly ".csv" the CSV file, every other name the
// tab-separated text.
namespace tavolo {

// Opens `path` into the table: an XML packet replaces the table's rows and change
// record (only when it loads; a failed load leaves the table as it was), a
// tab-separated file appends its rows (the rows of lines before a failing line
// stay), so does a CSV file. Failure message: "Failed to Load File!".
FileResult DataFileReader(const std::string& path, ReadingTable& table);

// Saves the table to `path` with SaveTableXml, saveCsvData or TabDataWriter; the result
// carries the message the window shows.
FileResult saveDataFile(ReadingTable& table, const std::string& path);

}  // namespace tavolo
