#include "files/xml_packet_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "decode/integer_text.h"
#include "files/xml_packet_format.h"

namespace tavolo {
namespace {

constexpr int kEnd = -1;

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameByte(int c)
{
    return c != kEnd && !isSpace(c) && c != '=' && c != '<' && c != '>' && c != '"' && c != '\'';
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

enum class TypeKind { Integer, Text, Other };

TypeKind kindOf(std::string_view fieldType)
{
    static constexpr std::string_view kIntegerTypes[] = {"i1", "i2", "i4", "i8", "ui1", "ui2", "ui4", "ui8"};
    for (const std::string_view t : kIntegerTypes)
        if (fieldType == t)
            return TypeKind::Integer;
    if (fieldType == "string" || fieldType == "string.uni")
        return TypeKind::Text;
    return TypeKind::Other;
}

// Which element's attributes are being read decides where their values go.
enum class Element { Other, Field, Params, Row };

struct FileField {
    std::string attrName;
    std::string name;       // fieldname when given, else attrname
    std::string type;
    int slot = -1;          // table field it binds to, -1 when ignored
};

class PacketReader {
public:
    PacketReader(BlockInput& in, ReadingTable& table) : m_in(in), m_table(table)
    {
        m_pos = in.begin();
        m_end = in.end();
    }

    bool run();
    const std::string& error() const { return m_error; }

private:
    // --- bytes ---
    int peek()
    {
        if (m_pos == m_end && !fill())
            return kEnd;
        return static_cast<unsigned char>(*m_pos);
    }
    int get()
    {
        const int c = peek();
        if (c != kEnd)
            ++m_pos;
        return c;
    }
    bool fill()
    {
        m_in.advanceTo(m_pos);
        const bool more = m_in.refill();
        m_pos = m_in.begin();
        m_end = m_in.end();
        return more;
    }
    std::size_t offset()
    {
        m_in.advanceTo(m_pos);
        return m_in.offset();
    }
    bool fail(const std::string& what)
    {
        if (m_error.empty()) {
            if (m_in.error() != 0)
                m_error = std::string("read error: ") + std::strerror(m_in.error());
            else
                m_error = "byte " + std::to_string(offset()) + ": " + what;
        }
        return false;
    }
    bool expect(std::string_view literal)
    {
        for (const char c : literal)
            if (get() != static_cast<unsigned char>(c))
                return fail("expected \"" + std::string(literal) + "\"");
        return true;
    }
    void skipSpace()
    {
        while (isSpace(peek()))
            ++m_pos;
    }

    // --- tokens ---
    bool readName(std::string& name, bool allowSlash);
    template <class Sink>
    bool readValue(int quote, Sink&& sink);
    bool readReference(char& byte);
    bool readUtf8(char& byte);
    bool readStringValue(int quote, std::string& out)
    {
        out.clear();
        return readValue(quote, [&out](std::string_view run) {
            out.append(run);
            return true;
        });
    }
    bool readChangeLog(int quote);

    // A start tag after its "<": name, attributes, and whether it closed with "/>".
    // Attributes go to their homes only when the name is the element expected here.
    bool readStartTag(std::string& name, bool& empty, Element expected);
    bool readAttributes(Element element, bool& empty);
    bool attributeValue(Element element, const std::string& attrName, int quote);
    bool readEndTag(std::string_view name);
    // Skips the content of an element whose start tag has been read.
    bool skipContent(const std::string& name, bool empty);
    // After whitespace: "<" then either "/" (true in `closing`) or a start tag.
    bool nextTag(bool& closing);

    // --- packet ---
    bool parseMetadata(bool empty);
    bool parseFields(bool empty);
    bool bindFields();
    bool parseRowData(bool empty);
    bool storeRow();

    BlockInput& m_in;
    ReadingTable& m_table;
    const char* m_pos = nullptr;
    const char* m_end = nullptr;
    std::string m_error;
    bool m_utf8 = false;

    std::string m_name;
    std::string m_attrName;
    std::string m_scratch;
    std::vector<std::string> m_otherAttrs;  // names of this tag's attributes without a home, for duplicates
    std::size_t m_otherCount = 0;

    std::vector<FileField> m_fields;
    FileField m_field;                 // the FIELD being read
    unsigned m_fieldSeen = 0;          // bit 0 attrname, 1 fieldname, 2 fieldtype
    std::vector<std::string> m_values; // per file field, the current ROW's value
    std::vector<bool> m_present;
    bool m_rowStateSeen = false;
    std::uint8_t m_rowState = kRowStateNone;
    std::size_t m_rowNo = 0;
    std::array<int, kTableFieldCount> m_bound{};  // file field index per table field

    bool m_changeLogSeen = false;
};

bool PacketReader::readName(std::string& name, bool allowSlash)
{
    name.clear();
    for (int c = peek(); isNameByte(c) && (allowSlash || c != '/'); c = peek()) {
        name += static_cast<char>(c);
        ++m_pos;
    }
    if (name.empty() || name.front() == '/')
        return fail("expected a name");
    return true;
}

bool PacketReader::readReference(char& byte)
{
    // After "&".
    if (peek() == '#') {
        ++m_pos;
        int base = 10;
        if (peek() == 'x') {
            base = 16;
            ++m_pos;
        }
        unsigned value = 0;
        int digits = 0;
        for (int c = peek();; c = peek()) {
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0)
                break;
            ++m_pos;
            ++digits;
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
            if (value > 255)
                return fail("character reference beyond 255");
        }
        if (digits == 0 || get() != ';')
            return fail("broken character reference");
        byte = static_cast<char>(value);
        return true;
    }
    char entity[6];
    std::size_t length = 0;
    for (int c = get(); c != ';'; c = get()) {
        if (c == kEnd || length == sizeof entity)
            return fail("broken entity reference");
        entity[length++] = static_cast<char>(c);
    }
    const std::string_view name(entity, length);
    if (name == "lt")
        byte = '<';
    else if (name == "gt")
        byte = '>';
    else if (name == "amp")
        byte = '&';
    else if (name == "apos")
        byte = '\'';
    else if (name == "quot")
        byte = '"';
    else
        return fail("unknown entity &" + std::string(name) + ";");
    return true;
}

bool PacketReader::readUtf8(char& byte)
{
    // Only U+0080..U+00FF have a place in the 8-bit texts: C2 or C3 and one continuation byte.
    const int lead = get();
    if (lead == 0xC2 || lead == 0xC3) {
        const int next = get();
        if (next >= 0x80 && next <= 0xBF) {
            byte = static_cast<char>(((lead & 0x1F) << 6) | (next & 0x3F));
            return true;
        }
        return fail("broken UTF-8 sequence");
    }
    return fail("character beyond U+00FF or broken UTF-8 in an 8-bit text");
}

template <class Sink>
bool PacketReader::readValue(int quote, Sink&& sink)
{
    for (;;) {
        if (m_pos == m_end && !fill())
            return fail("unterminated attribute value");
        const char* run = m_pos;
        while (m_pos != m_end) {
            const auto c = static_cast<unsigned char>(*m_pos);
            if (c == quote || c == '&' || c == '<' || (m_utf8 && c >= 0x80))
                break;
            ++m_pos;
        }
        if (m_pos != run && !sink(std::string_view(run, static_cast<std::size_t>(m_pos - run))))
            return false;
        if (m_pos == m_end)
            continue;
        const auto c = static_cast<unsigned char>(*m_pos);
        if (c == quote) {
            ++m_pos;
            return true;
        }
        if (c == '<')
            return fail("\"<\" inside an attribute value");
        char byte = 0;
        if (c == '&') {
            ++m_pos;
            if (!readReference(byte))
                return false;
        } else if (!readUtf8(byte)) {
            return false;
        }
        if (!sink(std::string_view(&byte, 1)))
            return false;
    }
}

bool PacketReader::readChangeLog(int quote)
{
    m_changeLogSeen = true;
    std::array<std::int32_t, 3> triple{};
    int inTriple = 0;
    std::int64_t number = 0;
    bool inNumber = false;
    const auto finishNumber = [&]() {
        if (!inNumber)
            return;
        triple[static_cast<std::size_t>(inTriple++)] = static_cast<std::int32_t>(number);
        if (inTriple == 3) {
            // Loaded rows add no entries, so the fresh table's record is the file's.
            m_table.appendChangeLogEntry(ChangeLogEntry{triple[0], triple[1], triple[2]});
            inTriple = 0;
        }
        number = 0;
        inNumber = false;
    };
    const bool ok = readValue(quote, [&](std::string_view run) {
        for (const char c : run) {
            if (c >= '0' && c <= '9') {
                number = number * 10 + (c - '0');
                inNumber = true;
                if (number > INT32_MAX)
                    return fail("CHANGE_LOG number beyond 32 bits");
            } else if (isSpace(static_cast<unsigned char>(c))) {
                finishNumber();
            } else {
                return fail("CHANGE_LOG holds something other than numbers");
            }
        }
        return true;
    });
    if (!ok)
        return false;
    finishNumber();
    if (inTriple != 0)
        return fail("CHANGE_LOG does not hold whole triples");
    return true;
}

bool PacketReader::attributeValue(Element element, const std::string& attrName, int quote)
{
    const auto other = [&]() {
        for (std::size_t i = 0; i < m_otherCount; ++i)
            if (m_otherAttrs[i] == attrName)
                return fail("duplicate attribute " + attrName);
        if (m_otherCount == m_otherAttrs.size())
            m_otherAttrs.emplace_back();
        m_otherAttrs[m_otherCount++] = attrName;
        return readStringValue(quote, m_scratch);
    };
    switch (element) {
    case Element::Field: {
        std::string* target = nullptr;
        unsigned bit = 0;
        if (attrName == "attrname") {
            target = &m_field.attrName;
            bit = 1;
        } else if (attrName == "fieldname") {
            target = &m_field.name;
            bit = 2;
        } else if (attrName == "fieldtype") {
            target = &m_field.type;
            bit = 4;
        }
        if (target == nullptr)
            return other();
        if (m_fieldSeen & bit)
            return fail("duplicate attribute " + attrName);
        m_fieldSeen |= bit;
        return readStringValue(quote, *target);
    }
    case Element::Params:
        if (attrName != "CHANGE_LOG")
            return other();
        if (m_changeLogSeen)
            return fail("duplicate CHANGE_LOG");
        return readChangeLog(quote);
    case Element::Row:
        if (attrName == "RowState") {
            if (m_rowStateSeen)
                return fail("duplicate attribute RowState");
            m_rowStateSeen = true;
            if (!readStringValue(quote, m_scratch))
                return false;
            const auto state = parseInteger(m_scratch, IntegerForm::Plain);
            if (!state || *state < 0 || *state > 255)
                return fail("RowState \"" + m_scratch + "\" is not a row state");
            m_rowState = static_cast<std::uint8_t>(*state);
            return true;
        }
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (m_fields[i].attrName != attrName)
                continue;
            if (m_present[i])
                return fail("duplicate attribute " + attrName);
            m_present[i] = true;
            return readStringValue(quote, m_values[i]);
        }
        return other();
    case Element::Other:
        break;
    }
    return other();
}

bool PacketReader::readAttributes(Element element, bool& empty)
{
    m_otherCount = 0;
    for (;;) {
        const bool spaced = isSpace(peek());
        skipSpace();
        const int c = peek();
        if (c == '>') {
            ++m_pos;
            empty = false;
            return true;
        }
        if (c == '/') {
            ++m_pos;
            empty = true;
            return get() == '>' || fail("expected \"/>\"");
        }
        if (!spaced)
            return fail("expected a blank before an attribute");
        if (!readName(m_attrName, true))
            return false;
        skipSpace();
        if (get() != '=')
            return fail("expected \"=\" after " + m_attrName);
        skipSpace();
        const int quote = get();
        if (quote != '"' && quote != '\'')
            return fail("expected a quoted value for " + m_attrName);
        if (!attributeValue(element, m_attrName, quote))
            return false;
    }
}

bool PacketReader::readStartTag(std::string& name, bool& empty, Element expected)
{
    if (!readName(name, false))
        return false;
    const bool matches = (expected == Element::Field && name == "FIELD") ||
                         (expected == Element::Params && name == "PARAMS") ||
                         (expected == Element::Row && name == "ROW");
    return readAttributes(matches ? expected : Element::Other, empty);
}

bool PacketReader::readEndTag(std::string_view name)
{
    // After "</".
    if (!readName(m_scratch, false))
        return false;
    if (m_scratch != name)
        return fail("expected </" + std::string(name) + ">, found </" + m_scratch + ">");
    skipSpace();
    return get() == '>' || fail("expected \">\"");
}

bool PacketReader::nextTag(bool& closing)
{
    skipSpace();
    if (get() != '<')
        return fail(peek() == kEnd ? "unexpected end of the file" : "text outside a tag");
    closing = peek() == '/';
    if (closing)
        ++m_pos;
    return true;
}

bool PacketReader::skipContent(const std::string& name, bool empty)
{
    if (empty)
        return true;
    std::vector<std::string> open{name};
    std::string child;
    while (!open.empty()) {
        bool closing = false;
        if (!nextTag(closing))
            return false;
        if (closing) {
            if (!readEndTag(open.back()))
                return false;
            open.pop_back();
            continue;
        }
        bool childEmpty = false;
        if (!readName(child, false) || !readAttributes(Element::Other, childEmpty))
            return false;
        if (!childEmpty)
            open.push_back(child);
    }
    return true;
}

bool PacketReader::parseFields(bool empty)
{
    if (!empty) {
        std::string child;
        for (;;) {
            bool closing = false;
            if (!nextTag(closing))
                return false;
            if (closing) {
                if (!readEndTag("FIELDS"))
                    return false;
                break;
            }
            m_field = FileField{};
            m_fieldSeen = 0;
            bool childEmpty = false;
            if (!readStartTag(child, childEmpty, Element::Field))
                return false;
            if (child != "FIELD") {
                if (!skipContent(child, childEmpty))
                    return false;
                continue;
            }
            if (!(m_fieldSeen & 1) || !(m_fieldSeen & 4))
                return fail("FIELD without attrname or fieldtype");
            if (!(m_fieldSeen & 2))
                m_field.name = m_field.attrName;
            for (const FileField& f : m_fields)
                if (f.attrName == m_field.attrName)
                    return fail("two fields named " + f.attrName);
            m_fields.push_back(std::move(m_field));
            if (!skipContent(child, childEmpty))
                return false;
        }
    }
    return bindFields();
}

bool PacketReader::bindFields()
{
    for (int t = 0; t < kTableFieldCount; ++t) {
        const auto tableField = static_cast<TableField>(t);
        const std::string_view tableName = tableFieldName(tableField);
        int found = -1;
        for (std::size_t i = 0; i < m_fields.size() && found < 0; ++i)
            if (m_fields[i].slot < 0 && equalsIgnoringCase(m_fields[i].name, tableName))
                found = static_cast<int>(i);
        if (found < 0)
            return fail("the file has no field " + std::string(tableName));
        FileField& f = m_fields[static_cast<std::size_t>(found)];
        const TypeKind wanted = isIntegerField(tableField) ? TypeKind::Integer : TypeKind::Text;
        if (kindOf(f.type) != wanted)
            return fail("field " + f.name + " has type \"" + f.type + "\", which does not fit");
        f.slot = t;
        m_bound[static_cast<std::size_t>(t)] = found;
    }
    m_values.assign(m_fields.size(), std::string());
    m_present.assign(m_fields.size(), false);
    return true;
}

bool PacketReader::parseMetadata(bool empty)
{
    if (empty)
        return fail("METADATA without FIELDS");
    bool fields = false;
    std::string child;
    for (;;) {
        bool closing = false;
        if (!nextTag(closing))
            return false;
        if (closing)
            break;
        bool childEmpty = false;
        if (!readName(child, false))
            return false;
        if (child == "FIELDS") {
            if (fields)
                return fail("a second FIELDS");
            if (!readAttributes(Element::Other, childEmpty) || !parseFields(childEmpty))
                return false;
            fields = true;
            continue;
        }
        const Element element = child == "PARAMS" ? Element::Params : Element::Other;
        if (!readAttributes(element, childEmpty) || !skipContent(child, childEmpty))
            return false;
    }
    if (!readEndTag("METADATA"))
        return false;
    return fields || fail("METADATA without FIELDS");
}

bool PacketReader::storeRow()
{
    ++m_rowNo;
    RowValues row;
    std::array<std::string_view*, kTableFieldCount> texts = {nullptr, &row.time, &row.dcAc, &row.value,
                                                              &row.unit, &row.judge, nullptr};
    for (int t = 0; t < kTableFieldCount; ++t) {
        const auto index = static_cast<std::size_t>(m_bound[static_cast<std::size_t>(t)]);
        if (!m_present[index])
            continue;
        const std::string& value = m_values[index];
        if (std::string_view* text = texts[static_cast<std::size_t>(t)]) {
            *text = value;
            continue;
        }
        const auto number = parseInteger(value, IntegerForm::Plain);
        if (!number)
            return fail("row " + std::to_string(m_rowNo) + ": \"" + value + "\" is not a whole number for " +
                        m_fields[index].name);
        (t == static_cast<int>(TableField::No) ? row.no : row.nval) = number;
    }
    m_table.appendStoredRow(row, m_rowState);
    return true;
}

bool PacketReader::parseRowData(bool empty)
{
    if (empty)
        return true;
    std::string child;
    for (;;) {
        bool closing = false;
        if (!nextTag(closing))
            return false;
        if (closing)
            return readEndTag("ROWDATA");
        std::fill(m_present.begin(), m_present.end(), false);
        m_rowStateSeen = false;
        m_rowState = kRowStateNone;
        bool childEmpty = false;
        if (!readStartTag(child, childEmpty, Element::Row))
            return false;
        if (child != "ROW")
            return fail("ROWDATA holds <" + child + ">");
        if (!storeRow() || !skipContent(child, childEmpty))
            return false;
    }
}

bool PacketReader::run()
{
    if (!expect("<?xml version=\"1.0\" "))
        return false;
    if (peek() == 'e') {
        if (!expect("encoding=\"") || !readStringValue('"', m_scratch))
            return false;
        if (!equalsIgnoringCase(m_scratch, "UTF-8"))
            return fail("encoding \"" + m_scratch + "\" is not UTF-8");
        if (!expect(" "))
            return false;
        m_utf8 = true;
    }
    if (!expect("standalone=\"yes\"?>"))
        return false;

    bool closing = false;
    bool empty = false;
    if (!nextTag(closing))
        return false;
    if (closing || !readStartTag(m_name, empty, Element::Other))
        return fail("expected <DATAPACKET>");
    if (m_name != "DATAPACKET" || empty)
        return fail("expected <DATAPACKET>");

    bool metadata = false;
    bool rowdata = false;
    std::string child;
    for (;;) {
        if (!nextTag(closing))
            return false;
        if (closing) {
            if (!readEndTag("DATAPACKET"))
                return false;
            break;
        }
        if (!readName(child, false))
            return false;
        if (child == "METADATA") {
            if (metadata || rowdata)
                return fail("METADATA must come once, before ROWDATA");
            if (!readAttributes(Element::Other, empty) || !parseMetadata(empty))
                return false;
            metadata = true;
        } else if (child == "ROWDATA") {
            if (!metadata || rowdata)
                return fail("ROWDATA must come once, after METADATA");
            if (!readAttributes(Element::Other, empty) || !parseRowData(empty))
                return false;
            rowdata = true;
        } else if (!readAttributes(Element::Other, empty) || !skipContent(child, empty)) {
            return false;
        }
    }
    if (!rowdata)
        return fail("the packet has no ROWDATA");
    skipSpace();
    if (peek() != kEnd)
        return fail("bytes after </DATAPACKET>");
    if (m_in.error() != 0)
        return fail("read error");
    if (!m_table.empty())
        m_table.setCurrentRow(0);
    return true;
}

}  // namespace

FileResult readXmlPacket(BlockInput& in, ReadingTable& fresh)
{
    PacketReader reader(in, fresh);
    if (!reader.run())
        return loadFailure(reader.error());
    FileResult result;
    result.ok = true;
    result.rows = fresh.rowCount();
    return result;
}

FileResult LoadTableXml(const std::string& path, ReadingTable& table)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return loadFailure("cannot open " + path + ": " + std::strerror(errno));
    ReadingTable fresh;
    FileResult result;
    {
        BlockInput in(fd);
        result = readXmlPacket(in, fresh);
    }
    ::close(fd);
    if (result.ok)
        table.swap(fresh);
    return result;
}

}  // namespace tavolo
