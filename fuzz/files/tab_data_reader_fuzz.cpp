// Any bytes as a tab-separated file: the reader must not crash, and what it
// loads, once written, must load and write back to the same bytes.
#include "files/tab_data_reader.h"
#include "files/tab_data_writer.h"
#include "fuzz_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavolo;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadingTable table;
    BlockInput in(bytes);
    readTabData(in, table);

    const std::string first = fuzz::writtenBy(table, writeTabData);
    ReadingTable again;
    BlockInput secondIn{std::string_view(first)};
    if (!readTabData(secondIn, again).ok)
        fuzz::failWith("written tab-separated file does not load");
    if (fuzz::writtenBy(again, writeTabData) != first)
        fuzz::failWith("tab-separated file does not write back identically");
    return 0;
}
