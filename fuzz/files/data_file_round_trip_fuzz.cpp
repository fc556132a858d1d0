// Round trip of arbitrary field texts: the XML packet gives every field back
// exactly; the tab-separated file gives back No and each text trimmed of
// blanks at both ends, "NULL" for an empty one and line breaks or NUL as spaces.
#include <cstring>

#include "files/tab_data_reader.h"
#include "files/tab_data_writer.h"
#include "files/xml_packet_reader.h"
#include "files/xml_packet_writer.h"
#include "fuzz_tables.h"

namespace {

using namespace tavolo;

std::string tabForm(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    if (text.empty())
        return "NULL";
    std::string form(text);
    for (char& c : form)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return form;
}

// Cuts the input into rows of five texts and two numbers; byte 0xFF separates texts.
ReadingTable tableFrom(std::string_view bytes)
{
    ReadingTable table;
    std::string texts[5];
    while (!bytes.empty()) {
        RowValues row;
        std::int32_t numbers[2] = {};
        for (std::int32_t& n : numbers) {
            const std::size_t take = std::min<std::size_t>(4, bytes.size());
            std::memcpy(&n, bytes.data(), take);
            bytes.remove_prefix(take);
        }
        row.no = numbers[0] % 7 == 0 ? std::nullopt : std::optional(numbers[0]);
        row.nval = numbers[1] % 5 == 0 ? std::nullopt : std::optional(numbers[1]);
        for (std::string& text : texts) {
            const std::size_t end = std::min(bytes.find('\xFF'), bytes.size());
            text.assign(bytes.substr(0, end));
            bytes.remove_prefix(std::min(end + 1, bytes.size()));
        }
        row.time = texts[0];
        row.dcAc = texts[1];
        row.value = texts[2];
        row.unit = texts[3];
        row.judge = texts[4];
        table.appendRow(row);
    }
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ReadingTable table = tableFrom(std::string_view(reinterpret_cast<const char*>(data), size));

    const std::string xml = fuzz::writtenBy(table, writeXmlPacket);
    ReadingTable fromXml;
    BlockInput xmlIn{std::string_view(xml)};
    if (!readXmlPacket(xmlIn, fromXml).ok)
        fuzz::failWith("XML packet of arbitrary texts does not load");
    if (!fuzz::sameRows(table, fromXml, true))
        fuzz::failWith("XML packet changes a field");

    const std::string tab = fuzz::writtenBy(table, writeTabData);
    ReadingTable fromTab;
    BlockInput tabIn{std::string_view(tab)};
    if (!readTabData(tabIn, fromTab).ok)
        fuzz::failWith("tab-separated file of arbitrary texts does not load");
    if (fromTab.rowCount() != table.rowCount())
        fuzz::failWith("tab-separated file changes the row count");
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        if (fromTab.intValue(r, TableField::No) != table.intValue(r, TableField::No))
            fuzz::failWith("tab-separated file changes No");
        for (const TableField f : {TableField::Time, TableField::DcAc, TableField::Value, TableField::Unit,
                                   TableField::Auto})
            if (fromTab.text(r, f) != tabForm(table.text(r, f)))
                fuzz::failWith("tab-separated file changes a text");
    }
    return 0;
}
