#include "files/csv_writer.h"

#include "decode/si_units.h"
#include "files/csv_texts.h"
#include "files/iso_instant.h"
#include "files/text_table_file.h"

namespace tavolo {
namespace {

bool needsQuotes(std::string_view text)
{
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

void writeField(std::string_view text, OutputBuffer& out)
{
    if (!needsQuotes(text)) {
        out.append(text);
        return;
    }
    out.put('"');
    for (const char c : text) {
        if (c == '"')
            out.put('"');
        out.put(c);
    }
    out.put('"');
}

}  // namespace

void writeCsvData(const ReadingTable& table, OutputBuffer& out)
{
    out.append(kCsvHeaderLine);
    std::string scratch;  // reused: no allocation per row once it has grown
    const auto writeLatin1 = [&](std::string_view text) {
        bool ascii = true;
        for (const char c : text)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            writeField(text, out);
            return;
        }
        scratch.clear();
        appendLatin1AsUtf8(text, scratch);
        writeField(scratch, out);
    };
    char instant[kIsoInstantMaxSize];
    const std::size_t rows = table.rowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        if (const auto no = table.intValue(row, TableField::No))
            out.appendInt(*no);
        out.put(',');
        if (const auto ms = table.instantMs(row))
            out.append(std::string_view(instant, formatLocalInstant(*ms, instant)));
        out.put(',');
        writeLatin1(table.text(row, TableField::Time));
        out.put(',');
        writeLatin1(table.text(row, TableField::DcAc));
        out.put(',');
        const std::string_view valueText = table.text(row, TableField::Value);
        const std::string_view unitText = table.text(row, TableField::Unit);
        writeField(lcdDisplayUtf8(valueText), out);
        out.put(',');
        writeField(unicodeUnitText(unitText), out);
        out.put(',');
        const SiValue si = siValue(valueText, unitText);
        if (si.value)
            out.append(plainDecimal(*si.value));
        out.put(',');
        out.append(si.unit);
        out.put(',');
        out.append(rangeModeText(table.range(row)));
        out.put(',');
        writeLatin1(table.text(row, TableField::Auto));
        out.append("\r\n");
    }
}

FileResult saveCsvData(ReadingTable& table, const std::string& path)
{
    return saveTextTable(table, path, writeCsvData);
}

}  // namespace tavolo
