#include "files/tab_data_writer.h"

#include "files/text_table_file.h"

namespace tavolo {
namespace {

constexpr TableField kTextColumns[] = {TableField::Time, TableField::DcAc, TableField::Value, TableField::Unit,
                                       TableField::Auto};

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

void writeQuoted(std::string_view text, OutputBuffer& out)
{
    out.put('"');
    for (const char c : text) {
        if (c == '"')
            out.append("\"\"");
        else if (c == '\r' || c == '\n' || c == '\0')
            out.put(' ');
        else
            out.put(c);
    }
    out.put('"');
}

void writeText(std::string_view text, OutputBuffer& out)
{
    text = trimmed(text);
    if (text.empty()) {
        out.append("NULL");
        return;
    }
    bool quote = text.front() == '"';
    for (std::size_t i = 0; i < text.size() && !quote; ++i)
        quote = isBlank(text[i]);
    if (quote)
        writeQuoted(text, out);
    else
        out.append(text);
}

}  // namespace

void writeTabData(const ReadingTable& table, OutputBuffer& out)
{
    out.append(kTabHeaderLine);
    const std::size_t rows = table.rowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        if (const auto no = table.intValue(row, TableField::No))
            out.appendInt(*no);
        else
            out.append("\"\"");
        for (const TableField field : kTextColumns) {
            out.put('\t');
            writeText(table.text(row, field), out);
        }
        out.append("\r\n");
    }
}

FileResult TabDataWriter(ReadingTable& table, const std::string& path)
{
    return saveTextTable(table, path, writeTabData);
}

}  // namespace tavolo
