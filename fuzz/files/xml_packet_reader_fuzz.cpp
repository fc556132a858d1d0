// Any bytes as an XML data packet: the reader must not crash, and a packet it
// accepts must write, load and write again to the same bytes with equal rows.
#include "files/xml_packet_reader.h"
#include "files/xml_packet_writer.h"
#include "fuzz_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavolo;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadingTable table;
    BlockInput in(bytes);
    if (!readXmlPacket(in, table).ok)
        return 0;

    const std::string first = fuzz::writtenBy(table, writeXmlPacket);
    ReadingTable again;
    BlockInput secondIn{std::string_view(first)};
    if (!readXmlPacket(secondIn, again).ok)
        fuzz::failWith("written packet does not load");
    if (!fuzz::sameRows(table, again, true))
        fuzz::failWith("packet rows differ after a round trip");
    if (fuzz::writtenBy(again, writeXmlPacket) != first)
        fuzz::failWith("packet does not write back identically");
    return 0;
}
