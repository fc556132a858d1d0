#include <gtest/gtest.h>

#include "files/block_input.h"
#include "files/xml_packet_format.h"
#include "files/xml_packet_reader.h"
#include "files/xml_packet_writer.h"
#include "tests/support/table_helpers.h"

namespace tavolo {
namespace {

using test::Cells;

const std::string kData = TAVOLO_FILES_TEST_DATA;

std::string written(const ReadingTable& table)
{
    std::string bytes;
    {
        StringOutput out(bytes, 64);
        writeXmlPacket(table, out);
    }
    return bytes;
}

FileResult readInto(const std::string& bytes, ReadingTable& table)
{
    BlockInput in{std::string_view(bytes)};
    return readXmlPacket(in, table);
}

constexpr const char* kFields =
    "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"time\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Auto\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"NVal\" fieldtype=\"i4\"/>";

// A packet with the standard fields around the given rows.
std::string packetWith(const std::string& rows, const std::string& params = "<PARAMS/>")
{
    return std::string(kXmlDeclaration) + "  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + kFields +
           "</FIELDS>" + params + "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

TEST(XmlPacketWriter, EmptyAndOneRowTablesByteForByte)
{
    EXPECT_EQ(written(ReadingTable()), test::readBytes(kData + "/empty_table.xml"));
    const ReadingTable one = test::tableOf({{"1", "10:15:07", "DC", "01.234", "V", "Pass", "1234"}});
    EXPECT_EQ(written(one), test::readBytes(kData + "/one_row.xml"));
}

TEST(XmlPacketWriter, EmptyFieldsHaveNoAttribute)
{
    const ReadingTable table = test::tableOf({{"-", "10:15:07", "-", "1", "V", "-", "-"}});
    EXPECT_EQ(written(table), packetWith("<ROW RowState=\"4\" time=\"10:15:07\" Value=\"1\" Unit=\"V\"/>",
                                         "<PARAMS CHANGE_LOG=\"1 0 4\"/>"));
}

TEST(XmlPacketFormat, AttrNameReplacesTheListedCharactersButNotTheSlash)
{
    EXPECT_EQ(packetAttrName("DC/AC"), "DC/AC");
    EXPECT_EQ(packetAttrName("a b(c)#d*e!f$g%h?i"), "a_b_c__d_e_f_g_h_i");
}

TEST(XmlPacket, EveryEscapeBothWays)
{
    struct Case {
        const char* text;
        const char* attribute;
    };
    const Case cases[] = {
        {"<", "&lt;"},        {">", "&gt;"},          {"&", "&amp;"},       {"'", "&apos;"},
        {"\"", "&quot;"},     {"\r", "&#013;"},       {"\n", "&#010;"},     {"\t", "&#009;"},
        {"\\", "&#092;"},     {"a&b\"c", "a&amp;b&quot;c"}, {"\xB0" "C", "\xB0" "C"},
        {"\x01 /=", "\x01 /="},
    };
    for (const Case& c : cases) {
        const ReadingTable table = test::tableOf({{"1", "-", "-", c.text, "-", "-", "-"}});
        const std::string bytes = written(table);
        EXPECT_NE(bytes.find(std::string(" Value=\"") + c.attribute + "\"/>"), std::string::npos) << c.attribute;
        ReadingTable loaded;
        ASSERT_TRUE(readInto(bytes, loaded).ok) << c.attribute;
        EXPECT_EQ(loaded.text(0, TableField::Value), c.text) << c.attribute;
    }
}

TEST(XmlPacketReader, AcceptsEveryCharacterReferenceThatFitsAByte)
{
    struct Case {
        const char* attribute;
        const char* text;
    };
    const Case cases[] = {
        {"&#60;", "<"},    {"&#x3C;", "<"},   {"&#x3c;", "<"},   {"&#13;", "\r"},   {"&#0009;", "\t"},
        {"&#255;", "\xFF"}, {"&#xFF;", "\xFF"}, {"&#92;&#x5C;", "\\\\"}, {"x&gt;y", "x>y"},
    };
    for (const Case& c : cases) {
        ReadingTable loaded;
        const FileResult result =
            readInto(packetWith(std::string("<ROW No=\"1\" Unit=\"") + c.attribute + "\"/>"), loaded);
        ASSERT_TRUE(result.ok) << c.attribute << ": " << result.detail;
        EXPECT_EQ(loaded.text(0, TableField::Unit), c.text) << c.attribute;
    }
}

TEST(XmlPacket, SaveLoadSaveKeepsRowStatesAndChangeRecord)
{
    const ReadingTable source = test::tableOf({
        {"1", "10:15:07", "DC", "01.234", "V", "Pass", "1234"},
        {"2", "10:15:08", "OHM", "0.0", "&  *", "-", "0"},
    });
    const std::string first = written(source);
    ReadingTable loaded;
    ASSERT_TRUE(readInto(first, loaded).ok);
    EXPECT_EQ(test::rowsOf(loaded), test::rowsOf(source));
    EXPECT_EQ(loaded.rowState(1), kRowStateInserted);
    EXPECT_EQ(loaded.currentRow(), std::optional<std::size_t>(0));
    EXPECT_EQ(written(loaded), first);

    // Recording after the load adds insertions that carry on the change record.
    test::appendCells(loaded, {"3", "10:15:09", "DC", "1", "V", "Pass", "1"});
    const std::string second = written(loaded);
    EXPECT_NE(second.find("CHANGE_LOG=\"1 0 4 2 0 4 3 0 4\""), std::string::npos);
    EXPECT_NE(second.find("<ROW RowState=\"4\" No=\"3\""), std::string::npos);
}

TEST(XmlPacketReader, RestoresRowsWithoutStateAndAnyChangeRecord)
{
    const std::string bytes = packetWith("<ROW No=\"5\"/><ROW RowState=\"8\" No=\"6\"/>",
                                         "<PARAMS CHANGE_LOG=\"2  0 8  9 1 4\"/>");
    ReadingTable loaded;
    ASSERT_TRUE(readInto(bytes, loaded).ok);
    EXPECT_EQ(loaded.rowState(0), kRowStateNone);
    EXPECT_EQ(loaded.rowState(1), 8);
    ASSERT_EQ(loaded.changeLogSize(), 2u);
    EXPECT_EQ(loaded.changeLogEntry(0), (ChangeLogEntry{2, 0, 8}));
    EXPECT_EQ(loaded.changeLogEntry(1), (ChangeLogEntry{9, 1, 4}));
    EXPECT_EQ(written(loaded), packetWith("<ROW No=\"5\"/><ROW RowState=\"8\" No=\"6\"/>",
                                          "<PARAMS CHANGE_LOG=\"2 0 8 9 1 4\"/>"));
}

TEST(XmlPacketReader, UtfEightFileWithOtherNamesExtraFieldAndLayout)
{
    ReadingTable loaded;
    const std::string bytes = test::readBytes(kData + "/pretty_utf8.xml");
    const FileResult result = readInto(bytes, loaded);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(test::rowsOf(loaded), (std::vector<Cells>{{"7", "10:00:00", "DC", "-0.005", "\xB0" "C", "Fail", "-5"},
                                                       {"8", "-", "-", "-", "\xB0" "C", "-", "-"}}));
    EXPECT_EQ(loaded.changeLogSize(), 2u);
    EXPECT_EQ(loaded.changeLogEntry(1), (ChangeLogEntry{3, 0, 4}));
}

TEST(XmlPacketReader, RefusesMalformedPacketsAndKeepsTheTable)
{
    const std::string good = packetWith("<ROW RowState=\"4\" No=\"1\" Unit=\"V\"/>", "<PARAMS CHANGE_LOG=\"1 0 4\"/>");
    const auto replacedIn = [](std::string bytes, const std::string& from, const std::string& to) {
        const std::size_t at = bytes.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return bytes.replace(at, from.size(), to);
    };
    const auto replaced = [&](const std::string& from, const std::string& to) { return replacedIn(good, from, to); };
    const std::string utf8 = replaced("version=\"1.0\" ", "version=\"1.0\" encoding=\"UTF-8\" ");
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty file", ""},
        {"not XML", "No\tTime\r\n1\t10:00:00\r\n"},
        {"other declaration", replaced("standalone=\"yes\"", "standalone=\"no\"")},
        {"other encoding", replaced("version=\"1.0\" ", "version=\"1.0\" encoding=\"ISO-8859-1\" ")},
        {"truncated", good.substr(0, good.size() - 20)},
        {"bytes after the packet", good + "<x/>"},
        {"text between tags", replaced("<ROWDATA>", "<ROWDATA>x")},
        {"mismatched end tag", replaced("</ROWDATA>", "</ROWS>")},
        {"NVal declared as string", replaced("\"NVal\" fieldtype=\"i4\"", "\"NVal\" fieldtype=\"string\"")},
        {"time declared as integer", replaced("\"time\" fieldtype=\"string\"", "\"time\" fieldtype=\"i4\"")},
        {"a field missing", replaced("<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>", "")},
        {"FIELD without type", replaced("\"No\" fieldtype=\"i4\"", "\"No\"")},
        {"ROWDATA before METADATA", std::string(kXmlDeclaration) + "<DATAPACKET><ROWDATA></ROWDATA><METADATA>" +
                                         "<FIELDS>" + kFields + "</FIELDS></METADATA></DATAPACKET>"},
        {"no ROWDATA", replaced("<ROWDATA><ROW RowState=\"4\" No=\"1\" Unit=\"V\"/></ROWDATA>", "")},
        {"not a ROW in ROWDATA", replaced("<ROW ", "<RECORD ")},
        {"number that is not one", replaced("No=\"1\"", "No=\"1.0\"")},
        {"number beyond 32 bits", replaced("No=\"1\"", "No=\"2147483648\"")},
        {"unknown entity", replaced("Unit=\"V\"", "Unit=\"&ohm;\"")},
        {"bare ampersand", replaced("Unit=\"V\"", "Unit=\"a & b\"")},
        {"reference beyond a byte", replaced("Unit=\"V\"", "Unit=\"&#256;\"")},
        {"reference without digits", replaced("Unit=\"V\"", "Unit=\"&#;\"")},
        {"< inside a value", replaced("Unit=\"V\"", "Unit=\"a<b\"")},
        {"duplicate attribute", replaced("Unit=\"V\"", "Unit=\"V\" Unit=\"A\"")},
        {"unquoted value", replaced("Unit=\"V\"", "Unit=V")},
        {"attributes run together", replaced("No=\"1\" Unit", "No=\"1\"Unit")},
        {"RowState out of range", replaced("RowState=\"4\"", "RowState=\"300\"")},
        {"CHANGE_LOG not in triples", replaced("CHANGE_LOG=\"1 0 4\"", "CHANGE_LOG=\"1 0\"")},
        {"CHANGE_LOG with words", replaced("CHANGE_LOG=\"1 0 4\"", "CHANGE_LOG=\"1 0 x\"")},
        {"UTF-8 beyond U+00FF", replacedIn(utf8, "Unit=\"V\"", "Unit=\"\xCE\xA9\"")},
        {"broken UTF-8", replacedIn(utf8, "Unit=\"V\"", "Unit=\"\xC3(\"")},
    };
    for (const Case& c : cases) {
        const std::string& bytes = c.bytes;
        test::ScratchFolder folder;
        const std::string path = folder.path("bad.xml");
        test::writeBytes(path, bytes);
        ReadingTable table = test::tableOf({{"41", "kept", "-", "-", "-", "-", "-"}});
        const FileResult result = LoadTableXml(path, table);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.message, "Failed to Load File!") << c.name;
        EXPECT_FALSE(result.detail.empty()) << c.name;
        EXPECT_EQ(test::rowsOf(table), (std::vector<Cells>{{"41", "kept", "-", "-", "-", "-", "-"}})) << c.name;
        // The table stays usable for recording.
        test::appendCells(table, {"42", "new", "-", "-", "-", "-", "-"});
        EXPECT_EQ(table.changeLogSize(), 2u) << c.name;
    }
}

TEST(XmlPacketReader, SuccessfulLoadReplacesTheTable)
{
    test::ScratchFolder folder;
    const std::string path = folder.path("one.xml");
    test::writeBytes(path, test::readBytes(kData + "/one_row.xml"));
    ReadingTable table = test::tableOf({{"41", "old", "-", "-", "-", "-", "-"}, {"42", "old", "-", "-", "-", "-", "-"}});
    const FileResult result = LoadTableXml(path, table);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(result.rows, 1u);
    EXPECT_EQ(test::rowsOf(table), (std::vector<Cells>{{"1", "10:15:07", "DC", "01.234", "V", "Pass", "1234"}}));
    EXPECT_EQ(table.changeLogSize(), 1u);
}

TEST(XmlPacketReader, UnknownElementsAreSkippedWhole)
{
    const std::string bytes = std::string(kXmlDeclaration) +
                              "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + kFields +
                              "<FIELD attrname=\"Extra\" fieldtype=\"r8\"><PARAMS CHANGE_LOG=\"9 9 9\"/></FIELD>"
                              "</FIELDS><PARAMS/><INDEX a=\"1\"><x/><y></y></INDEX></METADATA>"
                              "<ROWDATA><ROW No=\"1\" Extra=\"1.5\"><note/></ROW></ROWDATA></DATAPACKET>";
    ReadingTable loaded;
    const FileResult result = readInto(bytes, loaded);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(test::rowsOf(loaded), (std::vector<Cells>{{"1", "-", "-", "-", "-", "-", "-"}}));
    EXPECT_EQ(loaded.changeLogSize(), 0u);
}

}  // namespace
}  // namespace tavolo
