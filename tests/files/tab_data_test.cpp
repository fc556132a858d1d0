#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "files/block_input.h"
#include "files/tab_data_reader.h"
#include "files/tab_data_writer.h"
#include "tests/support/table_helpers.h"

namespace tavolo {
namespace {

using test::Cells;
using namespace std::string_literals;

std::string written(const ReadingTable& table)
{
    std::string bytes;
    {
        StringOutput out(bytes, 64);  // small buffer: many flushes
        writeTabData(table, out);
    }
    return bytes;
}

FileResult readInto(const std::string& bytes, ReadingTable& table)
{
    BlockInput in{std::string_view(bytes)};
    return readTabData(in, table);
}

constexpr const char* kHeader = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n";

TEST(TabDataWriter, EmptyTableIsOnlyTheHeader)
{
    EXPECT_EQ(written(ReadingTable()), kHeader);
}

TEST(TabDataWriter, WritesRowsAsStoredWithNullAndTrimming)
{
    const ReadingTable table = test::tableOf({
        {"12", "10:15:07", "DC", "01.234", "V", "Pass", "1234"},
        {"13", "10:15:08", "AC", "-0.5", "mV", "-", "5"},
        {"-7", " 10:15:09\t", "\x01" "DC", "1.0 ", "\xB0" "C", "Fail", "-"},
        {"14", "-", "   ", "-", "-", "-", "-"},
        {"15", "NULL", "x\"y", "a'b", "<&>", "\\", "0"},
    });
    EXPECT_EQ(written(table), std::string(kHeader) +
                                  "12\t10:15:07\tDC\t01.234\tV\tPass\r\n"
                                  "13\t10:15:08\tAC\t-0.5\tmV\tNULL\r\n"
                                  "-7\t10:15:09\tDC\t1.0\t\xB0" "C\tFail\r\n"
                                  "14\tNULL\tNULL\tNULL\tNULL\tNULL\r\n"
                                  "15\tNULL\tx\"y\ta'b\t<&>\t\\\r\n");
}

TEST(TabDataWriter, QuotesTextsThatWouldNotReadBackAsOneValue)
{
    struct Case {
        const char* text;
        const char* column;
    };
    const Case cases[] = {
        {"&  *", "\"&  *\""},            // the continuity unit
        {"  &  *  ", "\"&  *\""},        // trimmed first, then quoted
        {"a\tb", "\"a\tb\""},
        {"\"x", "\"\"\"x\""},            // a leading quote would start a quoted value
        {"\"a b\"", "\"\"\"a b\"\"\""},
        {"a\"b c", "\"a\"\"b c\""},
        {"a\rb\nc", "\"a b c\""},        // line breaks cannot live inside a line
        {"x\"", "x\""},                  // inner quotes alone need nothing
    };
    for (const Case& c : cases) {
        ReadingTable table;
        RowValues row;
        row.no = 1;
        row.unit = c.text;
        table.appendRow(row);
        EXPECT_EQ(written(table), std::string(kHeader) + "1\tNULL\tNULL\tNULL\t" + c.column + "\tNULL\r\n")
            << c.text;
    }
}

TEST(TabDataFile, RoundTripKeepsEveryTextIncludingBlanksAndQuotes)
{
    const std::vector<Cells> rows = {
        {"1", "10:15:07", "DC", "0.0", "&  *", "Pass", "0"},
        {"2", "10:15:08", "\"quoted\"", "a \" b", "\"", "F ail", "7"},
        {"-", "10:15:09", "DC", "1.234", "V", "Pass", "-"},  // an empty No keeps the columns in place
        {"2147483647", "x", "\xB5" "A", "-2147483648", "\t\x01\x1F", "Pass", "1"},
    };
    const ReadingTable source = test::tableOf(rows);
    ReadingTable loaded;
    const FileResult result = readInto(written(source), loaded);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(result.rows, 4u);
    std::vector<Cells> expected = rows;
    for (Cells& cells : expected)
        cells[6] = "-";  // NVal is not written
    expected[3][4] = "NULL";  // all blanks: trimmed away, written as NULL
    EXPECT_EQ(test::rowsOf(loaded), expected);
    EXPECT_EQ(loaded.rowState(0), kRowStateInserted);
    EXPECT_EQ(loaded.changeLogSize(), 4u);
}

struct ReadCase {
    const char* name;
    std::string bytes;
    std::vector<Cells> rows;
};

TEST(TabDataReader, SplitsLinesAndValuesByTheReadingRules)
{
    const ReadCase cases[] = {
        {"first line is dropped even when it is data",
         "1\t10:00:00\tDC\t1\tV\tPass\r\n2\t10:00:01\tDC\t2\tV\tPass\r\n",
         {{"2", "10:00:01", "DC", "2", "V", "Pass", "-"}}},
        {"blank and blank-only lines are skipped",
         "h\r\n\r\n  \t \r\n3 a\r\n\r\n",
         {{"3", "a", "-", "-", "-", "-", "-"}}},
        {"LF, CR and CR LF all end lines",
         "h\n1 a\r2 b\r\n3 c\n\r4 d",
         {{"1", "a", "-", "-", "-", "-", "-"},
          {"2", "b", "-", "-", "-", "-", "-"},
          {"3", "c", "-", "-", "-", "-", "-"},
          {"4", "d", "-", "-", "-", "-", "-"}}},
        {"a NUL ends the text", "h\r\n1 a\r\n2 b\0\r\n3 c\r\n"s,
         {{"1", "a", "-", "-", "-", "-", "-"}, {"2", "b", "-", "-", "-", "-", "-"}}},
        {"runs of blanks and control characters separate values",
         "h\r\n 5 \t\x01 x\x1Fy  \t z\r\n",
         {{"5", "x", "y", "z", "-", "-", "-"}}},
        {"quoted values keep blanks and undouble quotes",
         "h\r\n6\t\"a  b\"\t\"say \"\"hi\"\"\"\t\"\"\"\"\r\n",
         {{"6", "a  b", "say \"hi\"", "\"", "-", "-", "-"}}},
        {"a closing quote ends the value, the rest is the next value",
         "h\r\n7 \"ab\"cd\r\n",
         {{"7", "ab", "cd", "-", "-", "-", "-"}}},
        {"a quoted value without closing quote runs to the end of the line",
         "h\r\n8 \"a b\tc\r\n9 x\r\n",
         {{"8", "a b\tc", "-", "-", "-", "-", "-"}, {"9", "x", "-", "-", "-", "-", "-"}}},
        {"NULL stays the text NULL, seven values fill NVal",
         "h\r\n10\tNULL\tDC\t1\tV\tNULL\t-42\r\n",
         {{"10", "NULL", "DC", "1", "V", "NULL", "-42"}}},
        {"texts are cut at 20 characters",
         "h\r\n11 abcdefghijklmnopqrstuvwxyz\r\n",
         {{"11", "abcdefghijklmnopqrst", "-", "-", "-", "-", "-"}}},
        {"an empty quoted No or NVal leaves the field empty",
         "h\r\n\"\" a b c d e \"\"\r\n",
         {{"-", "a", "b", "c", "d", "e", "-"}}},
        {"a header alone gives no rows", "No\tTime\r\n", {}},
        {"a file of one line without line end gives no rows", "No\tTime", {}},
    };
    for (const ReadCase& c : cases) {
        ReadingTable table;
        const FileResult result = readInto(c.bytes, table);
        EXPECT_TRUE(result.ok) << c.name << ": " << result.detail;
        EXPECT_EQ(test::rowsOf(table), c.rows) << c.name;
    }
}

TEST(TabDataReader, AppendsToTheRowsAlreadyThere)
{
    ReadingTable table = test::tableOf({{"1", "a", "-", "-", "-", "-", "5"}});
    ASSERT_TRUE(readInto("h\r\n1 b\r\n", table).ok);
    EXPECT_EQ(test::rowsOf(table), (std::vector<Cells>{{"1", "a", "-", "-", "-", "-", "5"},
                                                      {"1", "b", "-", "-", "-", "-", "-"}}));
    EXPECT_EQ(table.currentRow(), std::optional<std::size_t>(1));
}

TEST(TabDataReader, FailingLineStopsTheLoadAndKeepsEarlierRows)
{
    struct Case {
        const char* name;
        const char* badLine;
    };
    const Case cases[] = {
        {"No is not a number", "x 10:00:02 DC"},
        {"No is beyond 32 bits", "2147483648 10:00:02"},
        {"No with a plus sign", "+3 10:00:02"},
        {"No in hexadecimal", "0x10 a"},
        {"NVal is not a number", "3 a b c d e 1.5"},
        {"more than seven values", "3 a b c d e 7 extra"},
        // What an unquoted continuity unit did: "&", "*" and the judgement shift into NVal.
        {"continuity row written without quotes", "3\t10:00:02\tOHM\t0.0\t&  *\tPass"},
    };
    for (const Case& c : cases) {
        ReadingTable table = test::tableOf({{"100", "old", "-", "-", "-", "-", "-"}});
        const std::string bytes = std::string("h\r\n1 a\r\n2 b\r\n") + c.badLine + "\r\n4 d\r\n";
        const FileResult result = readInto(bytes, table);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.message, "Failed to Load File!") << c.name;
        EXPECT_NE(result.detail.find("line 4"), std::string::npos) << c.name << ": " << result.detail;
        EXPECT_EQ(result.rows, 2u) << c.name;
        EXPECT_EQ(test::rowsOf(table), (std::vector<Cells>{{"100", "old", "-", "-", "-", "-", "-"},
                                                          {"1", "a", "-", "-", "-", "-", "-"},
                                                          {"2", "b", "-", "-", "-", "-", "-"}}))
            << c.name;
    }
}

TEST(TabDataReader, FileWithoutAnyLineFails)
{
    for (const std::string& bytes : {std::string(), "\0rest"s}) {
        ReadingTable table;
        const FileResult result = readInto(bytes, table);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, "Failed to Load File!");
    }
}

TEST(TabDataReader, LinesAndLineEndsAcrossBlockBoundaries)
{
    // A header padded so that a CR LF straddles the first 1 MiB block boundary,
    // then enough rows to fill a few more blocks.
    std::string bytes(BlockInput::kBlockSize - 1, 'h');
    bytes += "\r\n";
    std::size_t rows = 0;
    while (bytes.size() < 3 * BlockInput::kBlockSize + 100) {
        bytes += std::to_string(++rows) + "\t10:00:00\t\"a b\"\tV\r";
        if (rows % 3 == 0)
            bytes += '\n';
    }
    test::ScratchFolder folder;
    const std::string path = folder.path("big.txt");
    test::writeBytes(path, bytes);
    ReadingTable table;
    const FileResult result = loadTabData(path, table);
    ASSERT_TRUE(result.ok) << result.detail;
    ASSERT_EQ(table.rowCount(), rows);
    for (std::size_t r = 0; r < rows; r += 997) {
        EXPECT_EQ(table.intValue(r, TableField::No), static_cast<std::int32_t>(r + 1));
        EXPECT_EQ(table.text(r, TableField::DcAc), "a b");
    }
    EXPECT_EQ(table.text(rows - 1, TableField::Value), "V");
}

TEST(TabDataReader, MissingFileFails)
{
    ReadingTable table;
    const FileResult result = loadTabData("/nonexistent/folder/data.txt", table);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Failed to Load File!");
}

}  // namespace
}  // namespace tavolo
