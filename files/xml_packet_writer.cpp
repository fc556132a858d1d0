#include "files/xml_packet_writer.h"

#include <array>

#include "files/replace_file.h"
#include "files/xml_packet_format.h"

namespace tavolo {

std::string packetAttrName(std::string_view fieldName)
{
    std::string name(fieldName);
    for (char& c : name) {
        switch (c) {
        case ' ': case '(': case ')': case '#': case '*': case '!': case '$': case '%': case '?':
            c = '_';
            break;
        default:
            break;
        }
    }
    return name;
}

namespace {

constexpr std::array<TableField, kTableFieldCount> kFields = {TableField::No,    TableField::Time, TableField::DcAc,
                                                             TableField::Value, TableField::Unit, TableField::Auto,
                                                             TableField::NVal};

// The replacement of each byte, empty for bytes written unchanged.
constexpr std::array<std::string_view, 256> makeEscapes()
{
    std::array<std::string_view, 256> escapes{};
    escapes['<'] = "&lt;";
    escapes['>'] = "&gt;";
    escapes['&'] = "&amp;";
    escapes['\''] = "&apos;";
    escapes['"'] = "&quot;";
    escapes['\r'] = "&#013;";
    escapes['\n'] = "&#010;";
    escapes['\t'] = "&#009;";
    escapes['\\'] = "&#092;";
    return escapes;
}
constexpr std::array<std::string_view, 256> kEscapes = makeEscapes();

void writeEscaped(std::string_view text, OutputBuffer& out)
{
    std::size_t plainStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view escape = kEscapes[static_cast<unsigned char>(text[i])];
        if (escape.empty())
            continue;
        out.append(text.substr(plainStart, i - plainStart));
        out.append(escape);
        plainStart = i + 1;
    }
    out.append(text.substr(plainStart));
}

struct FieldNames {
    std::array<std::string, kTableFieldCount> attr;
    std::array<std::string, kTableFieldCount> rowPrefix;  // ` attrname="`
};

FieldNames makeFieldNames()
{
    FieldNames names;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        names.attr[i] = packetAttrName(tableFieldName(kFields[i]));
        names.rowPrefix[i] = " " + names.attr[i] + "=\"";
    }
    return names;
}

void writeMetadata(const ReadingTable& table, const FieldNames& names, OutputBuffer& out)
{
    out.append("<METADATA><FIELDS>");
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const std::string_view fieldName = tableFieldName(kFields[i]);
        out.append("<FIELD ");
        if (names.attr[i] != fieldName) {
            out.append("fieldname=\"");
            writeEscaped(fieldName, out);
            out.append("\" ");
        }
        out.append("attrname=\"");
        writeEscaped(names.attr[i], out);
        if (isIntegerField(kFields[i])) {
            out.append("\" fieldtype=\"i4\"/>");
        } else {
            out.append("\" fieldtype=\"string\" WIDTH=\"");
            out.appendInt(static_cast<std::int32_t>(kTableTextWidth));
            out.append("\"/>");
        }
    }
    out.append("</FIELDS><PARAMS");
    const std::size_t changes = table.changeLogSize();
    if (changes > 0) {
        out.append(" CHANGE_LOG=\"");
        for (std::size_t i = 0; i < changes; ++i) {
            const ChangeLogEntry entry = table.changeLogEntry(i);
            if (i > 0)
                out.put(' ');
            out.appendInt(entry.row);
            out.put(' ');
            out.appendInt(entry.second);
            out.put(' ');
            out.appendInt(entry.third);
        }
        out.put('"');
    }
    out.append("/></METADATA>");
}

}  // namespace

void writeXmlPacket(const ReadingTable& table, OutputBuffer& out)
{
    static const FieldNames names = makeFieldNames();
    out.append(kXmlDeclaration);
    out.append("  <DATAPACKET Version=\"2.0\">");
    writeMetadata(table, names, out);
    out.append("<ROWDATA>");
    const std::size_t rows = table.rowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        out.append("<ROW");
        if (const std::uint8_t state = table.rowState(row); state != kRowStateNone) {
            out.append(" RowState=\"");
            out.appendInt(state);
            out.put('"');
        }
        for (std::size_t i = 0; i < kFields.size(); ++i) {
            const TableField field = kFields[i];
            if (isIntegerField(field)) {
                const auto value = table.intValue(row, field);
                if (!value)
                    continue;
                out.append(names.rowPrefix[i]);
                out.appendInt(*value);
            } else {
                const std::string_view text = table.text(row, field);
                if (text.empty())
                    continue;
                out.append(names.rowPrefix[i]);
                writeEscaped(text, out);
            }
            out.put('"');
        }
        out.append("/>");
    }
    out.append("</ROWDATA></DATAPACKET>");
}

FileResult SaveTableXml(const ReadingTable& table, const std::string& path)
{
    const int error = replaceFileWith(path, [&table](OutputBuffer& out) { writeXmlPacket(table, out); });
    FileResult result;
    result.ok = error == 0;
    if (result.ok)
        result.rows = table.rowCount();
    else
        result.message = cannotCreateFileMessage(path, error);
    return result;
}

}  // namespace tavolo
