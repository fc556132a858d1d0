// Any bytes as a CSV file: the reader must not crash; what it loads, once
// written, must load again; and from then on a save and a load change nothing
// (the first save may tidy display texts the meter never shows, such as blanks).
#include <stdlib.h>

#include <ctime>

#include "files/csv_reader.h"
#include "files/csv_writer.h"
#include "fuzz_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavolo;
    static const bool zoneSet = [] {
        ::setenv("TZ", "Europe/Berlin", 1);  // offsets that change during the year
        ::tzset();
        return true;
    }();
    (void)zoneSet;

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadingTable table;
    BlockInput in(bytes);
    readCsvData(in, table);

    const std::string first = fuzz::writtenBy(table, writeCsvData);
    ReadingTable second;
    BlockInput secondIn{std::string_view(first)};
    if (!readCsvData(secondIn, second).ok)
        fuzz::failWith("written CSV file does not load");
    const std::string again = fuzz::writtenBy(second, writeCsvData);
    ReadingTable third;
    BlockInput thirdIn{std::string_view(again)};
    if (!readCsvData(thirdIn, third).ok)
        fuzz::failWith("CSV file written twice does not load");
    if (fuzz::writtenBy(third, writeCsvData) != again)
        fuzz::failWith("CSV file does not write back identically");
    for (std::size_t r = 0; r < second.rowCount(); ++r)
        if (second.instantMs(r) != third.instantMs(r) || second.range(r) != third.range(r))
            fuzz::failWith("instant or range changed");
    return 0;
}
