#include "record/reading_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavolo {
namespace {

RowValues liveRow(std::int32_t no, std::string_view value)
{
    RowValues r;
    r.no = no;
    r.time = "10:15:07";
    r.dcAc = "DC";
    r.value = value;
    r.unit = "V";
    r.judge = "Pass";
    r.nval = 1234;
    return r;
}

TEST(TableFields, NamesOrderTypesAndCaseInsensitiveLookup)
{
    const char* names[] = {"No", "time", "DC/AC", "Value", "Unit", "Auto", "NVal"};
    for (int i = 0; i < kTableFieldCount; ++i)
        EXPECT_EQ(tableFieldName(static_cast<TableField>(i)), names[i]);
    EXPECT_TRUE(isIntegerField(TableField::No));
    EXPECT_TRUE(isIntegerField(TableField::NVal));
    EXPECT_FALSE(isIntegerField(TableField::Time));

    const std::pair<const char*, TableField> lookups[] = {
        {"no", TableField::No},       {"Nval", TableField::NVal}, {"AUTO", TableField::Auto},
        {"Time", TableField::Time},   {"dc/ac", TableField::DcAc}, {"value", TableField::Value},
        {"UNIT", TableField::Unit}};
    for (const auto& [name, field] : lookups)
        EXPECT_EQ(findTableField(name), field) << name;
    EXPECT_FALSE(findTableField("Judge"));
    EXPECT_FALSE(findTableField(""));
    EXPECT_FALSE(findTableField("No "));
}

TEST(ReadingTable, AppendStoresCellsInOrderAndMarksInsertions)
{
    ReadingTable t;
    EXPECT_TRUE(t.empty());
    EXPECT_FALSE(t.currentRow());
    EXPECT_EQ(t.appendRow(liveRow(1, "01.234")), 0u);
    EXPECT_EQ(t.appendRow(liveRow(2, "-00.012")), 1u);

    ASSERT_EQ(t.rowCount(), 2u);
    EXPECT_EQ(t.intValue(1, TableField::No), 2);
    EXPECT_EQ(t.text(0, TableField::Value), "01.234");
    EXPECT_EQ(t.text(1, TableField::Value), "-00.012");
    EXPECT_EQ(t.text(1, TableField::Time), "10:15:07");
    EXPECT_EQ(t.text(1, TableField::Unit), "V");
    EXPECT_EQ(t.text(1, TableField::Auto), "Pass");
    EXPECT_EQ(t.intValue(1, TableField::NVal), 1234);
    EXPECT_EQ(t.rowState(0), kRowStateInserted);
    EXPECT_EQ(t.currentRow(), 1u);

    ASSERT_EQ(t.changeLogSize(), 2u);
    EXPECT_EQ(t.changeLogEntry(0), (ChangeLogEntry{1, 0, 4}));
    EXPECT_EQ(t.changeLogEntry(1), (ChangeLogEntry{2, 0, 4}));
}

TEST(ReadingTable, EmptyFieldsAreNullAndTextsAreCutAt20)
{
    ReadingTable t;
    RowValues r;
    r.value = "0123456789abcdefghijKLMN";  // 24 characters
    r.unit = "&  *";
    t.appendRow(r);

    EXPECT_EQ(t.text(0, TableField::Value), "0123456789abcdefghij");
    EXPECT_EQ(t.text(0, TableField::Unit), "&  *");
    for (TableField f : {TableField::No, TableField::Time, TableField::DcAc, TableField::Auto, TableField::NVal})
        EXPECT_TRUE(t.isNull(0, f)) << tableFieldName(f);
    EXPECT_FALSE(t.isNull(0, TableField::Value));
    EXPECT_FALSE(t.intValue(0, TableField::No));

    // Zero is a value, not a null.
    RowValues zero;
    zero.no = 0;
    zero.nval = 0;
    t.appendRow(zero);
    EXPECT_EQ(t.intValue(1, TableField::No), 0);
    EXPECT_FALSE(t.isNull(1, TableField::NVal));
}

TEST(ReadingTable, TimeTextsOfEveryShapeReadBack)
{
    // Times of day take a computed code; everything else the dictionary.
    const char* times[] = {"00:00:00", "23:59:59", "24:00:00", "12:60:00", "1:02:03", "12.34.56",
                           "12:3a:00", "10:15:07", "00:00:00", "NULL", "10:15:07 ", "99:99:99"};
    ReadingTable t;
    for (const char* time : times) {
        RowValues r;
        r.time = time;
        t.appendRow(r);
    }
    for (std::size_t i = 0; i < std::size(times); ++i)
        EXPECT_EQ(t.text(i, TableField::Time), times[i]) << i;
}

TEST(ReadingTable, ReadsOutsideTheTableAreEmptyNotUndefined)
{
    ReadingTable t;
    t.appendRow(liveRow(1, "1"));
    EXPECT_FALSE(t.intValue(5, TableField::No));
    EXPECT_EQ(t.text(5, TableField::Value), "");
    EXPECT_TRUE(t.isNull(5, TableField::Value));
    EXPECT_EQ(t.rowState(5), kRowStateNone);
    EXPECT_EQ(t.changeLogEntry(9), ChangeLogEntry{});
    // Wrong kind of field for the accessor.
    EXPECT_EQ(t.text(0, TableField::No), "");
    EXPECT_FALSE(t.intValue(0, TableField::Value));
    t.setCurrentRow(7);  // ignored
    EXPECT_EQ(t.currentRow(), 0u);
}

TEST(ReadingTable, StoredRowsKeepTheirStateAndRestoredChangeLog)
{
    // What an XML load does: rows with their own states, then the record.
    ReadingTable t;
    t.appendStoredRow(liveRow(7, "1"), kRowStateInserted);
    t.appendStoredRow(liveRow(8, "2"), kRowStateNone);
    t.appendStoredRow(liveRow(9, "3"), kRowStateInserted);
    EXPECT_EQ(t.changeLogSize(), 0u);
    EXPECT_EQ(t.currentRow(), 0u) << "the first loaded row is current";
    EXPECT_EQ(t.rowState(1), kRowStateNone);

    const std::vector<ChangeLogEntry> log = {{1, 0, 4}, {3, 0, 4}, {5, 0, 4}, {6, 0, 4}, {7, 1, 4}};
    t.setChangeLog(log.data(), log.size());
    ASSERT_EQ(t.changeLogSize(), log.size());
    for (std::size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(t.changeLogEntry(i), log[i]) << i;

    // A live row after a load continues with its own internal number.
    t.appendRow(liveRow(1, "4"));
    EXPECT_EQ(t.changeLogEntry(5), (ChangeLogEntry{4, 0, 4}));
    EXPECT_EQ(t.currentRow(), 3u);

    t.setChangeLog(nullptr, 0);
    EXPECT_EQ(t.changeLogSize(), 0u);
}

TEST(ReadingTable, ClearStartsInternalNumbersAgain)
{
    ReadingTable t;
    for (int i = 0; i < 3; ++i)
        t.appendRow(liveRow(i, "x"));
    t.clear();
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.changeLogSize(), 0u);
    EXPECT_FALSE(t.currentRow());
    t.appendRow(liveRow(1, "y"));
    EXPECT_EQ(t.changeLogEntry(0), (ChangeLogEntry{1, 0, 4}));
    EXPECT_EQ(t.text(0, TableField::Value), "y");
}

TEST(ReadingTable, MovedFromAndSwappedTablesStayUsable)
{
    ReadingTable a;
    a.appendRow(liveRow(1, "a"));
    ReadingTable b(std::move(a));
    EXPECT_EQ(b.rowCount(), 1u);
    EXPECT_EQ(a.rowCount(), 0u);  // NOLINT: moved-from reads as empty
    a.appendRow(liveRow(2, "b"));
    EXPECT_EQ(a.text(0, TableField::Value), "b");

    std::string_view kept = b.text(0, TableField::Value);
    a.swap(b);
    EXPECT_EQ(a.text(0, TableField::Value), "a");
    EXPECT_EQ(kept, "a");
    EXPECT_EQ(b.text(0, TableField::Value), "b");
}

// Many rows across chunk boundaries, with more distinct texts than a 16-bit
// code holds: every cell must read back, and views taken early stay valid.
TEST(ReadingTable, LargeTableReadsBackAcrossChunksAndWideCodes)
{
    ReadingTable t;
    constexpr int kRows = 200'000;
    t.appendRow(liveRow(0, "first"));
    const std::string_view early = t.text(0, TableField::Value);
    std::string value;
    for (int i = 1; i < kRows; ++i) {
        value = std::to_string(i);
        RowValues r = liveRow(i, value);
        r.nval = -i;
        if (i % 3 == 0)
            r.unit = "";
        t.appendRow(r);
    }
    ASSERT_EQ(t.rowCount(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(early, "first");
    for (int i : {1, 65'535, 65'536, 65'537, 70'000, 131'072, kRows - 1}) {
        const auto row = static_cast<std::size_t>(i);
        EXPECT_EQ(t.text(row, TableField::Value), std::to_string(i)) << i;
        EXPECT_EQ(t.intValue(row, TableField::No), i);
        EXPECT_EQ(t.intValue(row, TableField::NVal), -i);
        EXPECT_EQ(t.isNull(row, TableField::Unit), i % 3 == 0) << i;
        EXPECT_EQ(t.text(row, TableField::DcAc), "DC");
    }
    EXPECT_EQ(t.changeLogSize(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(t.changeLogEntry(kRows - 1), (ChangeLogEntry{kRows, 0, 4}));
}


TEST(ReadingTable, KeepsEachRowsInstantAndRangeThroughEveryShapeOfGap)
{
    // A day's recording a second apart, an unknown instant, a clock set back,
    // a gap of 30 days (beyond what an offset holds) and rows past a chunk.
    const std::int64_t start = 1'796'000'000'123;  // 2026-11-30
    std::vector<std::optional<std::int64_t>> instants = {start, std::nullopt, start + 1000, start - 3'600'000,
                                                         start + 30LL * 86'400'000, start + 2000,
                                                         std::int64_t{0}, -5};
    for (std::int64_t i = 0; i < 70'000; ++i)
        instants.push_back(start + 86'400'000 + i * 1000);
    instants.push_back(std::nullopt);
    ReadingTable table;
    const RangeMode modes[] = {RangeMode::Unknown, RangeMode::Auto, RangeMode::Manual};
    for (std::size_t i = 0; i < instants.size(); ++i) {
        RowValues row = liveRow(static_cast<std::int32_t>(i + 1), "1.000");
        row.instantMs = instants[i];
        row.range = modes[i % 3];
        row.no = (i % 2) ? std::optional<std::int32_t>() : row.no;
        table.appendRow(row);
    }
    for (std::size_t i = 0; i < instants.size(); ++i) {
        ASSERT_EQ(table.instantMs(i), instants[i]) << "row " << i;
        ASSERT_EQ(table.range(i), modes[i % 3]) << "row " << i;
        ASSERT_EQ(table.isNull(i, TableField::No), i % 2 == 1) << "row " << i;
    }
    EXPECT_EQ(rangeModeFromText("MANU"), RangeMode::Manual);
    EXPECT_EQ(rangeModeText(RangeMode::Auto), "AUTO");
    EXPECT_EQ(rangeModeFromText("auto"), RangeMode::Unknown);
    EXPECT_EQ(table.instantMs(instants.size()), std::nullopt);

    table.clear();
    table.appendRow(liveRow(1, "2.000"));
    EXPECT_EQ(table.instantMs(0), std::nullopt);
}

TEST(ReadingTable, ListenersHearEveryChangeAndStayWithTheirTable)
{
    struct Heard : TableListener {
        std::vector<std::string> events;
        void rowsAppended(std::size_t first, std::size_t count) override
        {
            events.push_back("+" + std::to_string(first) + "x" + std::to_string(count));
        }
        void tableCleared() override { events.push_back("clear"); }
        void tableReplaced() override { events.push_back("replaced"); }
    };
    Heard heard, other;
    ReadingTable table;
    table.addListener(&heard);
    table.addListener(&heard);  // once only
    table.appendRow(liveRow(1, "1.000"));
    table.appendStoredRow(liveRow(2, "2.000"), kRowStateNone);
    table.clear();

    ReadingTable loaded;
    loaded.addListener(&other);
    loaded.appendRow(liveRow(7, "7.000"));
    table.swap(loaded);
    EXPECT_EQ(table.rowCount(), 1u);
    table = ReadingTable();
    table.removeListener(&heard);
    table.appendRow(liveRow(3, "3.000"));

    EXPECT_EQ(heard.events, (std::vector<std::string>{"+0x1", "+1x1", "clear", "replaced", "replaced"}));
    EXPECT_EQ(other.events, (std::vector<std::string>{"+0x1", "replaced"}));
}

}  // namespace
}  // namespace tavolo
