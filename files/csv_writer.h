#pragma once

#include <string>
#include <string_view>

#include "files/file_result.h"
#include "files/output_buffer.h"
#include "record/reading_table.h"

// The reading table as CSV (a name ending exactly in ".csv", lower case like the
// ".xml" rule, so "data.CSV" stays tab-separated as it always was): RFC 4180,
// UTF-8 without a byte order mark, CR LF after every line including the last.
// The header line is
//
//   no,timestamp,time,function,display,unit,value,si_unit,range,judge
//
// then one line per row, in table order:
//
//   no         the table's No in decimal; empty when the field is empty
//   timestamp  the receive instant in local time with milliseconds and the UTC
//              offset of that instant, "2026-12-10T13:52:04.123+01:00"
//              (iso_instant.h); empty for rows without one (loaded from files)
//   time       the time field
//   function   the DC/AC field
//   display    the value as the display shows it, in Unicode ("0.L" overload)
//   unit       the unit as the display shows it, in Unicode ("µA", "kΩ", "°C")
//   value      the value as a plain decimal number in SI units ("0.0321" for
//              032.10 mV); empty for an overload or a value that is no number
//   si_unit    "V", "A", "Ω", "Hz", "F", "°C" or "%"; empty for an unknown unit
//   range      "AUTO" or "MANU"; empty when the row's range mode is unknown
//   judge      the Auto field ("Pass", "Fail" or empty)
//
// A field is quoted only when it holds a comma, a double quote, CR or LF; inner
// double quotes are doubled. NVal is not written: reading derives it from the
// display as the decoder does (csv_texts.h).
namespace tavolo {

inline constexpr std::string_view kCsvHeaderLine =
    "no,timestamp,time,function,display,unit,value,si_unit,range,judge\r\n";

// Writes the whole file to `out`. Does not move the current row.
void writeCsvData(const ReadingTable& table, OutputBuffer& out);

// Saves the table to `path` by replacing the file in one step (replace_file.h),
// with the messages of the tab-separated save: "save table to specified file:
// <path> Scuss!", or "Could not save table to specified file: <path>" with the old
// file untouched. Afterwards the current row is the last row. One thread at a time.
FileResult saveCsvData(ReadingTable& table, const std::string& path);

}  // namespace tavolo
