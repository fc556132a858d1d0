#include <gtest/gtest.h>

#include "files/block_input.h"
#include "files/csv_reader.h"
#include "files/csv_writer.h"
#include "files/data_file.h"
#include "tests/support/table_helpers.h"
#include "tz_scope.h"

namespace tavolo {
namespace {

using test::Cells;
using namespace std::string_literals;

constexpr const char* kHeader = "no,timestamp,time,function,display,unit,value,si_unit,range,judge\r\n";

// A row with what the seven cells do not hold.
struct FullRow {
    Cells cells;
    std::optional<std::int64_t> instantMs;
    RangeMode range = RangeMode::Unknown;
};

void appendFull(ReadingTable& table, const FullRow& full)
{
    test::appendCells(table, full.cells, full.instantMs, full.range);
}

ReadingTable tableOf(const std::vector<FullRow>& rows)
{
    ReadingTable table;
    for (const FullRow& row : rows)
        appendFull(table, row);
    return table;
}

std::vector<FullRow> fullRowsOf(const ReadingTable& table)
{
    std::vector<FullRow> rows;
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        rows.push_back({test::cellsOf(table, r), table.instantMs(r), table.range(r)});
    return rows;
}

bool operator==(const FullRow& a, const FullRow& b)
{
    return a.cells == b.cells && a.instantMs == b.instantMs && a.range == b.range;
}

void PrintTo(const FullRow& row, std::ostream* os)
{
    for (const std::string& cell : row.cells)
        *os << cell << '|';
    *os << (row.instantMs ? std::to_string(*row.instantMs) : "no instant") << '|'
        << rangeModeText(row.range);
}

std::string written(const ReadingTable& table)
{
    std::string bytes;
    {
        StringOutput out(bytes, 64);  // small buffer: many flushes
        writeCsvData(table, out);
    }
    return bytes;
}

FileResult readInto(const std::string& bytes, ReadingTable& table)
{
    BlockInput in{std::string_view(bytes)};
    return readCsvData(in, table);
}

// 2026-12-10T13:52:04.123+01:00
constexpr std::int64_t kInstant = 1796907124123;

class CsvData : public ::testing::Test {
protected:
    test::TzScope m_tz{"Europe/Berlin"};
};

TEST_F(CsvData, EmptyTableIsOnlyTheHeader)
{
    EXPECT_EQ(written(ReadingTable()), kHeader);
}

TEST_F(CsvData, WritesEachColumnAsOtherProgramsWantIt)
{
    struct Case {
        FullRow row;
        const char* line;
    };
    const Case cases[] = {
        {{{"12", "13:52:04", "DC", "01.234", "V", "Pass", "1234"}, kInstant, RangeMode::Auto},
         "12,2026-12-10T13:52:04.123+01:00,13:52:04,DC,01.234,V,1.234,V,AUTO,Pass"},
        {{{"13", "13:52:05", "DC", "032.10", "mV", "Fail", "3210"}, kInstant + 1000, RangeMode::Manual},
         "13,2026-12-10T13:52:05.123+01:00,13:52:05,DC,032.10,mV,0.0321,V,MANU,Fail"},
        // Overload: the display as shown, no value.
        {{{"14", "13:52:06", "Ohm", "0.L", "M*", "-", "22000"}, kInstant + 2000, RangeMode::Auto},
         "14,2026-12-10T13:52:06.123+01:00,13:52:06,Ohm,0.L,M\u03A9,,\u03A9,AUTO,"},
        {{{"15", "-", "Cont", "-0.5", "&  *", "-", "-"}, std::nullopt, RangeMode::Unknown},
         "15,,,Cont,-0.5,\u2022)))\u03A9,-0.5,\u03A9,,"},
        {{{"16", "t", "AC", "12.34", "uA", "Pass", "-"}, std::nullopt, RangeMode::Manual},
         "16,,t,AC,12.34,\u00B5A,0.00001234,A,MANU,Pass"},
        {{{"-7", "t", "Temperature", "0023", "?", "-", "-"}, std::nullopt, RangeMode::Unknown},
         "-7,,t,Temperature,0023,\u00B0C,23,\u00B0C,,"},
        {{{"17", "t", "Diode", "0.512", "V)", "-", "-"}, std::nullopt, RangeMode::Unknown},
         "17,,t,Diode,0.512,V\u25B6|,0.512,V,,"},
        // A comma separator quotes the display, and the value is still a plain number.
        {{{"18", "t", "DC", "01,234", "K*", "-", "-"}, std::nullopt, RangeMode::Unknown},
         "18,,t,DC,\"01,234\",k\u03A9,1234,\u03A9,,"},
        // Quotes, commas and line breaks in texts; Latin-1 bytes become UTF-8; a unit
        // without an SI unit has neither value nor si_unit.
        {{{"-", "a,b", "say \"hi\"", "1.0", "furlong", "l1\r\nl2", "-"}, std::nullopt, RangeMode::Unknown},
         ",,\"a,b\",\"say \"\"hi\"\"\",1.0,furlong,,,,\"l1\r\nl2\""},
        {{{"19", "\xB0" "x", "-", "-", "-", "caf\xE9", "-"}, std::nullopt, RangeMode::Unknown},
         "19,,\u00B0x,,,,,,,caf\u00E9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written(tableOf({c.row})), kHeader + std::string(c.line) + "\r\n") << c.line;
}

// The rows a recording and the other formats give, with every awkward text.
std::vector<FullRow> awkwardRows()
{
    return {
        {{"1", "23:59:59", "DC", "01.234", "V", "Pass", "1234"}, kInstant, RangeMode::Auto},
        {{"2", "00:00:00", "DC", "-01.234", "mV", "Fail", "-1234"}, kInstant + 1, RangeMode::Manual},
        {{"3", "00:00:01", "Ohm", "0.L", "M*", "Pass", "-"}, kInstant + 2, RangeMode::Auto},
        {{"4", "00:00:02", "Cont", "00.0", "&  *", "-", "0"}, std::nullopt, RangeMode::Unknown},
        {{"5", "00:00:03", "AC", "12.34", "uA", "-", "1234"}, std::nullopt, RangeMode::Manual},
        {{"6", "x", "Temperature", "0023", "?", "-", "23"}, kInstant - 86'400'000, RangeMode::Unknown},
        {{"7", "x", "Diode", "0.512", "V)", "-", "512"}, -1, RangeMode::Unknown},
        {{"8", "x", "Cap", "2.200", "nF", "-", "2200"}, std::nullopt, RangeMode::Unknown},
        {{"9", "x", "Frequency", "22.00", "kHz", "-", "2200"}, std::nullopt, RangeMode::Unknown},
        {{"10", "x", "Ohm", "2.200", "K*", "-", "2200"}, std::nullopt, RangeMode::Unknown},
        {{"11", "x", "Duty", "050.0", "%", "-", "500"}, std::nullopt, RangeMode::Unknown},
        {{"12", "x", "DC", "01,234", "V", "-", "1234"}, std::nullopt, RangeMode::Unknown},
        {{"-", "-", "-", "-", "-", "-", "-"}, std::nullopt, RangeMode::Unknown},
        {{"-2147483648", "a,b", "say \"hi\"", "-", "-", "l1\r\nl2", "-"}, std::nullopt, RangeMode::Unknown},
        {{"2147483647", "\"", "\",\"", "-", "furlong", "NULL", "-"}, std::nullopt, RangeMode::Unknown},
        {{"13", "\xB0\xB5\xFF", "caf\xE9", "-", "-", " lead", "-"}, std::nullopt, RangeMode::Unknown},
        {{"14", "12345678901234567890", "-", "-", "-", "-", "-"}, std::nullopt, RangeMode::Unknown},
    };
}

TEST_F(CsvData, RoundTripKeepsEveryFieldInstantAndRange)
{
    const std::vector<FullRow> rows = awkwardRows();
    const std::string bytes = written(tableOf(rows));
    ReadingTable loaded;
    const FileResult result = readInto(bytes, loaded);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(result.rows, rows.size());
    EXPECT_EQ(fullRowsOf(loaded), rows);
    // Saved again, the same bytes.
    EXPECT_EQ(written(loaded), bytes);
}

TEST_F(CsvData, NValIsDerivedFromTheDisplayNotStored)
{
    // An overload's NVal (the count class's full scale) and a text file's empty
    // NVal do not survive; every other NVal is what the decoder computed.
    const ReadingTable table = tableOf({
        {{"1", "t", "Ohm", "0.L", "M*", "-", "22000"}, std::nullopt, RangeMode::Auto},
        {{"2", "t", "DC", "01.234", "V", "-", "-"}, std::nullopt, RangeMode::Auto},
    });
    ReadingTable loaded;
    ASSERT_TRUE(readInto(written(table), loaded).ok);
    EXPECT_EQ(loaded.intValue(0, TableField::NVal), std::nullopt);
    EXPECT_EQ(loaded.intValue(1, TableField::NVal), 1234);
}

TEST_F(CsvData, OffsetsFollowSummerTimeAndAnyOffsetReadsBack)
{
    const std::int64_t beforeSpring = 1774745999999;  // 2026-03-29T00:59:59.999Z
    const std::int64_t autumn = 1792890000000;        // 2026-10-25T01:00:00.000Z
    ReadingTable table = tableOf({
        {{"1", "01:59:59", "DC", "1", "V", "-", "1"}, beforeSpring, RangeMode::Auto},
        {{"2", "03:00:00", "DC", "1", "V", "-", "1"}, beforeSpring + 1, RangeMode::Auto},
        {{"3", "02:59:59", "DC", "1", "V", "-", "1"}, autumn - 1, RangeMode::Auto},
        {{"4", "02:00:00", "DC", "1", "V", "-", "1"}, autumn, RangeMode::Auto},
    });
    const std::string bytes = written(table);
    EXPECT_NE(bytes.find("1,2026-03-29T01:59:59.999+01:00,"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("2,2026-03-29T03:00:00.000+02:00,"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("3,2026-10-25T02:59:59.999+02:00,"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("4,2026-10-25T02:00:00.000+01:00,"), std::string::npos) << bytes;
    // Read where another zone is in force: the same instants.
    const test::TzScope elsewhere("America/St_Johns");
    ReadingTable loaded;
    ASSERT_TRUE(readInto(bytes, loaded).ok);
    EXPECT_EQ(fullRowsOf(loaded), fullRowsOf(table));
}

TEST_F(CsvData, ReadsWhatOtherWritersProduce)
{
    // LF line ends, a byte order mark, "Z" and other offsets, quoting where none
    // is needed, empty lines, a line break inside quotes and no final line end.
    const std::string bytes =
        "\xEF\xBB\xBF" "no,timestamp,time,function,display,unit,value,si_unit,range,judge\n"
        "1,2026-12-10T12:52:04.123Z,\"13:52:04\",DC,01.234,V,999,X,AUTO,Pass\n"
        "\n"
        "2,2026-12-10T07:52:04.123-05:00,t,\"two\nlines\",1,\u2126,,,MANU,\r\n"
        "\r\n"
        "3,,,,,,,,,\"\"";
    ReadingTable loaded;
    const FileResult result = readInto(bytes, loaded);
    ASSERT_TRUE(result.ok) << result.detail;
    const std::vector<FullRow> expected = {
        {{"1", "13:52:04", "DC", "01.234", "V", "Pass", "1234"}, kInstant, RangeMode::Auto},
        {{"2", "t", "two\nlines", "1", "*", "-", "1"}, kInstant, RangeMode::Manual},
        {{"3", "-", "-", "-", "-", "-", "-"}, std::nullopt, RangeMode::Unknown},
    };
    EXPECT_EQ(fullRowsOf(loaded), expected);
}

TEST_F(CsvData, DamagedLineStopsTheLoadAndKeepsTheRowsBeforeIt)
{
    const std::string good = "1,,t,DC,1,V,1,V,AUTO,Pass\r\n";
    struct Case {
        const char* line;
        const char* detail;
    };
    const Case cases[] = {
        {"2,,t,D\"C,1,V,1,V,AUTO,Pass\r\n", "line 3: a double quote inside an unquoted field"},
        {"2,,t,\"DC\"x,1,V,1,V,AUTO,Pass\r\n", "line 3: text after a closing double quote"},
        {"2,,t,\"DC,1,V,1,V,AUTO,Pass\r\n", "line 3: the closing double quote is missing"},
        {"2,,t,DC,1,V,1,V,AUTO\r\n", "line 3: 9 fields instead of 10"},
        {"2,,t,DC,1,V,1,V,AUTO,Pass,\r\n", "line 3: 11 fields instead of 10"},
        {"2.5,,t,DC,1,V,1,V,AUTO,Pass\r\n", "line 3: \"2.5\" is not a whole number for no"},
        {"2147483648,,t,DC,1,V,1,V,AUTO,Pass\r\n", "is not a whole number for no"},
        {"2,13:52:04,t,DC,1,V,1,V,AUTO,Pass\r\n", "is not an ISO 8601 timestamp"},
        {"2,2026-12-10T13:52:04,t,DC,1,V,1,V,AUTO,Pass\r\n", "is not an ISO 8601 timestamp"},
        {"2,,t,DC,1,V,1,V,auto,Pass\r\n", "\"auto\" is not a range"},
        {"2,,t,DC\xFF,1,V,1,V,AUTO,Pass\r\n", "the function field"},
        {"2,,t,DC,1,\u20ACV,1,V,AUTO,Pass\r\n", "the unit field"},
        {"2,,t,DC,1,V,1,V,AUTO,\u2192\r\n", "the judge field"},
    };
    for (const Case& c : cases) {
        ReadingTable table;
        test::appendCells(table, {"0", "before", "-", "-", "-", "-", "-"});
        const FileResult result = readInto(kHeader + good + c.line + good, table);
        EXPECT_FALSE(result.ok) << c.line;
        EXPECT_EQ(result.message, "Failed to Load File!");
        EXPECT_NE(result.detail.find(c.detail), std::string::npos) << result.detail;
        EXPECT_EQ(result.rows, 1u) << c.line;
        ASSERT_EQ(table.rowCount(), 2u) << c.line;
        EXPECT_EQ(table.text(0, TableField::Time), "before");
        EXPECT_EQ(table.intValue(1, TableField::No), 1);
    }
}

TEST_F(CsvData, FileWithoutTheHeaderLoadsNothing)
{
    const char* files[] = {
        "",
        "\xEF\xBB\xBF",
        "1,,t,DC,1,V,1,V,AUTO,Pass\r\n",                                      // a row where the header belongs
        "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n1\t10:15:07\tDC\t01.234\tV\tPass\r\n",  // tab-separated
        "NO,timestamp,time,function,display,unit,value,si_unit,range,judge\r\n",
        "no,timestamp,time,function,display,unit,value,si_unit,range\r\n",
        "\"no,timestamp,time,function,display,unit,value,si_unit,range,judge\r\n",
    };
    for (const char* bytes : files) {
        ReadingTable table;
        const FileResult result = readInto(bytes, table);
        EXPECT_FALSE(result.ok) << bytes;
        EXPECT_EQ(result.message, "Failed to Load File!");
        EXPECT_TRUE(table.empty()) << bytes;
    }
}

TEST_F(CsvData, NameChoosesTheFormatAndOpeningAppends)
{
    test::ScratchFolder folder;
    ReadingTable table = tableOf(awkwardRows());
    const std::string csv = folder.path("readings.csv");
    const FileResult saved = saveDataFile(table, csv);
    ASSERT_TRUE(saved.ok);
    EXPECT_EQ(saved.message, "save table to specified file: " + csv + " Scuss!");
    EXPECT_EQ(test::readBytes(csv).substr(0, std::string_view(kHeader).size()), kHeader);
    EXPECT_EQ(table.currentRow(), table.rowCount() - 1);

    // Upper case is not CSV, as "data.XML" is not XML.
    const std::string upper = folder.path("readings.CSV");
    ASSERT_TRUE(saveDataFile(table, upper).ok);
    EXPECT_EQ(test::readBytes(upper).substr(0, 3), "No\t");

    ReadingTable loaded;
    test::appendCells(loaded, {"0", "kept", "-", "-", "-", "-", "-"});
    const FileResult opened = DataFileReader(csv, loaded);
    ASSERT_TRUE(opened.ok) << opened.detail;
    ASSERT_EQ(loaded.rowCount(), table.rowCount() + 1);
    EXPECT_EQ(loaded.text(0, TableField::Time), "kept");
    // The loaded rows are insertions, like the rows of a tab-separated load.
    EXPECT_EQ(loaded.rowState(1), kRowStateInserted);
    EXPECT_EQ(loaded.changeLogSize(), loaded.rowCount());

    FileResult missing = DataFileReader(folder.path("none.csv"), loaded);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, "Failed to Load File!");
}

TEST_F(CsvData, FailedSaveLeavesTheOldFileAndSaysSo)
{
    test::ScratchFolder folder;
    ReadingTable table = tableOf(awkwardRows());
    const std::string path = folder.path("missing/readings.csv");
    const FileResult result = saveDataFile(table, path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Could not save table to specified file: " + path);
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(CsvData, LargeFileCrossesReadBlocksAnywhere)
{
    // Rows long enough and many enough that records, quoted line breaks and
    // CR LF pairs fall across the reader's 1 MiB blocks.
    std::vector<FullRow> rows;
    for (int i = 0; i < 40000; ++i) {
        rows.push_back({{std::to_string(i), i % 3 == 0 ? "a\r\nb" : "12:00:00", "DC", "01.234",
                          i % 2 ? "&  *" : "uA", i % 5 == 0 ? "x,\"y\"" : "Pass", "1234"},
                         kInstant + i * 7,
                         i % 2 ? RangeMode::Auto : RangeMode::Manual});
    }
    ReadingTable table = tableOf(rows);
    test::ScratchFolder folder;
    const std::string path = folder.path("large.csv");
    ASSERT_TRUE(saveCsvData(table, path).ok);
    ASSERT_GT(test::readBytes(path).size(), 2u * BlockInput::kBlockSize);
    ReadingTable loaded;
    const FileResult result = loadCsvData(path, loaded);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(fullRowsOf(loaded), fullRowsOf(table));
}

}  // namespace
}  // namespace tavolo
