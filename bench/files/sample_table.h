#pragma once

#include <cstdio>
#include <string>

#include "record/reading_table.h"

namespace tavolo::bench {

// A table as a long recording makes it: numbered rows, a clock, a few modes and
// units, values that change every row, mostly Pass. With `live` the rows also
// carry what recorded rows have beside the seven fields: a receive instant
// (137 readings a second) and the range mode.
inline ReadingTable sampleTable(std::size_t rows, bool live = false)
{
    static constexpr const char* kModes[] = {"DC", "AC", "DC", "OHM"};
    static constexpr const char* kUnits[] = {"V", "mV", "V", "&  *"};
    ReadingTable table;
    char time[16];
    char value[16];
    for (std::size_t i = 0; i < rows; ++i) {
        const auto seconds = static_cast<unsigned>(i % 86400);
        std::snprintf(time, sizeof time, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
        const auto count = static_cast<int>(i * 7919 % 22000);
        std::snprintf(value, sizeof value, "%02d.%03d", count / 1000, count % 1000);
        RowValues row;
        row.no = static_cast<std::int32_t>(i + 1);
        row.time = time;
        row.dcAc = kModes[i % 4 == 3 && i % 1000 != 3 ? 0 : i % 4];
        row.value = value;
        row.unit = kUnits[i % 4 == 3 && i % 1000 != 3 ? 0 : i % 4];
        row.judge = i % 17 == 0 ? "Fail" : "Pass";
        row.nval = count;
        if (live) {
            row.instantMs = 1796907124123 + static_cast<std::int64_t>(i) * 1000 / 137;
            row.range = i % 5 == 0 ? RangeMode::Manual : RangeMode::Auto;
        }
        table.appendRow(row);
    }
    return table;
}

}  // namespace tavolo::bench
