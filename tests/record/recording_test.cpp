#include "record/record_rule.h"
#include "record/recording_controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tavolo {
namespace {

Reading reading(std::string value, std::string range = "AUTO", double numeric = 3210, double chart = 32.1)
{
    Reading r;
    r.valueText = std::move(value);
    r.numericValue = numeric;
    r.chartValue = chart;
    r.unitText = "mV";
    r.acDcText = "DC";
    r.rangeText = std::move(range);
    r.judgeText = "Pass";
    return r;
}

class Recording : public ::testing::Test {
protected:
    ReadingTable table;
    ChartModel model;
    TChartControl chart{model, 100};
    ChartPanel panel{chart};
    RecordRule rule{table, panel};
    RecordingControls controls{rule, panel};
    RecordSettings settings;
    ClockTime time{10, 15, 7};

    RecordOutcome feed(const Reading& r) { return rule.INDataToTable(r, time, settings); }
    RecordState& state() { return rule.state(); }
    std::size_t chartValues() const { return model.pointCount() - 1; }
};

TEST_F(Recording, RowTakesTheReadingNumberAndTime)
{
    Reading r = reading("032.10");
    r.judgeText.clear();  // before any judgement
    EXPECT_EQ(feed(r), RecordOutcome::Recorded);
    ASSERT_EQ(table.rowCount(), 1u);
    EXPECT_EQ(table.intValue(0, TableField::No), 1);
    EXPECT_EQ(table.text(0, TableField::Time), "10:15:07");
    EXPECT_EQ(table.text(0, TableField::DcAc), "DC");
    EXPECT_EQ(table.text(0, TableField::Value), "032.10");
    EXPECT_EQ(table.text(0, TableField::Unit), "mV");
    EXPECT_TRUE(table.isNull(0, TableField::Auto));
    EXPECT_EQ(table.intValue(0, TableField::NVal), 3210);
    EXPECT_EQ(table.currentRow(), 0u);
    EXPECT_EQ(state().NextRecordNo, 2);
    EXPECT_EQ(state().RecordCount, 1);
    EXPECT_EQ(state().LastRecordKey, "032.10DCmVAUTO");
    EXPECT_EQ(model.value(1), 32.1);
    EXPECT_EQ(panel.Bt10(), "1");

    time = {0, 0, 0};
    rule.setTimeSeparator(".");
    feed(reading("032.11"));
    EXPECT_EQ(table.text(1, TableField::Time), "00.00.00");
}

TEST(RecordRuleValues, NValIsRoundedHalfToEvenAndEmptyWhenItCannotFit)
{
    const std::pair<double, std::optional<std::int32_t>> cases[] = {
        {3210, 3210}, {-1234, -1234}, {2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.49, 0}, {22000, 22000},
        {2147483647.0, 2147483647}, {-2147483648.0, -2147483647 - 1}, {3e9, std::nullopt},
        {NAN, std::nullopt}, {INFINITY, std::nullopt}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(RecordRule::wholeCount(in), out) << in;

    const std::pair<const char*, std::int32_t> intervals[] = {
        {"10", 10}, {"0", 0}, {"", 0}, {"-", 0}, {"+", 0}, {"-5", 0}, {"+7", 7}, {"x", 0}};
    for (const auto& [text, seconds] : intervals)
        EXPECT_EQ(RecordRule::samplingSeconds(text), seconds) << text;
}

TEST_F(Recording, RepeatFilter)
{
    struct Case {
        bool repeat;
        const char* values[4];
        const char* ranges[4];
        int rows;
    };
    const Case cases[] = {
        {true, {"1", "1", "1", "1"}, {"AUTO", "AUTO", "AUTO", "AUTO"}, 4},
        {false, {"1", "1", "1", "1"}, {"AUTO", "AUTO", "AUTO", "AUTO"}, 1},
        {false, {"1", "2", "2", "1"}, {"AUTO", "AUTO", "AUTO", "AUTO"}, 3},
        // the range alone changing is a new reading
        {false, {"1", "1", "1", "1"}, {"AUTO", "MANU", "MANU", "AUTO"}, 3},
    };
    for (const Case& c : cases) {
        controls.RecordNewClick(true);
        state().LastRecordKey.clear();
        settings.RepeatSet = c.repeat;
        for (int i = 0; i < 4; ++i)
            feed(reading(c.values[i], c.ranges[i]));
        EXPECT_EQ(table.rowCount(), static_cast<std::size_t>(c.rows)) << c.repeat << c.values[1] << c.ranges[1];
        EXPECT_EQ(chartValues(), 4u) << "every reading is charted";
        EXPECT_EQ(state().RecordCount, c.rows);
    }
}

TEST_F(Recording, SamplingIntervalHoldsReadingsBackEntirely)
{
    settings.RecordSI = true;
    settings.RecordSITime = "10";
    EXPECT_EQ(feed(reading("1")), RecordOutcome::Recorded);
    EXPECT_EQ(state().SampleCountdown, 10);
    for (int tick = 0; tick < 10; ++tick) {
        EXPECT_EQ(feed(reading("2")), RecordOutcome::Sampling) << tick;
        controls.TrecordTimer(true);
    }
    EXPECT_EQ(table.rowCount(), 1u);
    EXPECT_EQ(chartValues(), 1u) << "held-back readings are not charted";
    EXPECT_EQ(feed(reading("3")), RecordOutcome::Recorded);
    EXPECT_EQ(state().SampleCountdown, 10);

    // Unchecking freezes the countdown; readings pass meanwhile.
    controls.TrecordTimer(false);
    EXPECT_EQ(state().SampleCountdown, 10);

    settings.RecordSITime = "0";
    state().SampleCountdown = 0;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(feed(reading(std::to_string(i))), RecordOutcome::Recorded);
}

TEST_F(Recording, CountdownIsStoredEvenWithSamplingOff)
{
    settings.RecordSI = false;
    settings.RecordSITime = "7";
    feed(reading("1"));
    EXPECT_EQ(state().SampleCountdown, 7);
    controls.TrecordTimer(false);
    EXPECT_EQ(state().SampleCountdown, 7);
    settings.RecordSI = true;
    EXPECT_EQ(feed(reading("2")), RecordOutcome::Sampling);
}

TEST_F(Recording, RecordLimitReachedAndLowered)
{
    controls.N10001Click();  // "1000"
    for (int i = 0; i < 1000; ++i)
        feed(reading("1"));
    const std::string label = panel.Bt10();
    const auto revision = model.revision();
    EXPECT_EQ(feed(reading("1")), RecordOutcome::AtLimit);
    EXPECT_EQ(table.rowCount(), 1000u);
    EXPECT_EQ(model.revision(), revision) << "chart untouched at the limit";
    EXPECT_EQ(panel.Bt10(), label);

    controls.N50001Click();  // "5000"
    for (int i = 0; i < 500; ++i)
        feed(reading("1"));
    EXPECT_EQ(state().RecordCount, 1500);
    controls.N10001Click();  // lowered below RecordCount
    EXPECT_EQ(feed(reading("1")), RecordOutcome::AtLimit);
    EXPECT_EQ(table.rowCount(), 1500u) << "rows stay";

    controls.RecordNewClick(true);
    EXPECT_EQ(feed(reading("1")), RecordOutcome::Recorded);
    EXPECT_EQ(table.intValue(0, TableField::No), 1);
}

TEST_F(Recording, LoadedRowsDoNotCountAndNumbersContinue)
{
    controls.N10001Click();
    feed(reading("1"));
    feed(reading("2"));
    // A load appends rows directly.
    for (int i = 0; i < 1500; ++i) {
        RowValues row;
        row.no = i + 1;
        row.value = "9";
        table.appendRow(row);
    }
    EXPECT_EQ(state().RecordCount, 2);
    EXPECT_EQ(feed(reading("3")), RecordOutcome::Recorded);
    EXPECT_EQ(table.intValue(table.rowCount() - 1, TableField::No), 3) << "numbers may repeat after a load";
}

TEST_F(Recording, RecordLimitChoices)
{
    const std::tuple<RecordLimit, const char*, std::int32_t> items[] = {
        {RecordLimit::N1000, "1000", 1000},       {RecordLimit::N5000, "5000", 5000},
        {RecordLimit::N10000, "10000", 10000},    {RecordLimit::N50000, "50000", 50000},
        {RecordLimit::N100000, "100000", 100000}, {RecordLimit::Limitless, "limitless", 10'000'000}};
    EXPECT_TRUE(controls.isChecked(RecordLimit::N10000));
    for (const auto& [limit, caption, records] : items) {
        controls.chooseRecordLimit(limit);
        EXPECT_EQ(RecordingControls::caption(limit), caption);
        EXPECT_EQ(state().MaxRecords, records);
        for (const auto& [other, unused1, unused2] : items)
            EXPECT_EQ(controls.isChecked(other), other == limit) << caption;
    }
}

TEST_F(Recording, ClearOnlyOnYesAndInOrder)
{
    settings.RepeatSet = false;
    settings.RecordSITime = "5";
    for (int i = 0; i < 250; ++i)
        feed(reading(std::to_string(i)));
    controls.limitessClick();

    EXPECT_FALSE(controls.RecordNewClick(false));
    EXPECT_EQ(table.rowCount(), 250u);
    EXPECT_EQ(state().NextRecordNo, 251);
    EXPECT_EQ(chartValues(), 250u);
    EXPECT_EQ(panel.Bt10(), "3");

    EXPECT_TRUE(controls.RecordNewClick(true));
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.changeLogSize(), 0u);
    EXPECT_EQ(state().NextRecordNo, 1);
    EXPECT_EQ(state().RecordCount, 0);
    EXPECT_EQ(panel.Bt10(), "1");
    EXPECT_EQ(model.pointCount(), 1u) << "one placeholder point";
    EXPECT_EQ(model.windowMinimum(), 1);
    // Untouched by the clear:
    EXPECT_EQ(state().LastRecordKey, "249DCmVAUTO");
    EXPECT_EQ(state().SampleCountdown, 5);
    EXPECT_EQ(state().MaxRecords, 10'000'000);

    // The last reading before the clear is still a repeat.
    EXPECT_EQ(feed(reading("249")), RecordOutcome::ChartedOnly);
    EXPECT_EQ(feed(reading("250")), RecordOutcome::Recorded);
    EXPECT_EQ(table.intValue(0, TableField::No), 1);
    EXPECT_EQ(table.changeLogEntry(0), (ChangeLogEntry{1, 0, 4}));
    EXPECT_EQ(model.value(2), 32.1);
    EXPECT_EQ(chart.CurrentPage(), 1);
}

TEST(EditFilters, DigitKeysAndIntegerValidation)
{
    for (char32_t key : {U'0', U'5', U'9', char32_t{8}})
        EXPECT_TRUE(RecordingControls::RecordSITimeKeyPress(key)) << static_cast<int>(key);
    for (char32_t key : {U'a', U'-', U'+', U' ', U'.', U',', U'\r', U'\u0660', char32_t{127}})
        EXPECT_FALSE(RecordingControls::RecordSITimeKeyPress(key)) << static_cast<int>(key);

    const EditReplacement one{"1", 0, 1};
    const std::pair<const char*, std::optional<EditReplacement>> changes[] = {
        {"", one},          {"10", std::nullopt}, {"0", std::nullopt}, {"-3", std::nullopt},
        {"-", one},         {"+", one},           {"1a", one},         {" 5", one},
        {"99999999999", one}, {"2147483647", std::nullopt}, {"+-5", one}};
    for (const auto& [text, expected] : changes)
        EXPECT_EQ(RecordingControls::RecordSITimeChange(text), expected) << '"' << text << '"';
}

}  // namespace
}  // namespace tavolo
