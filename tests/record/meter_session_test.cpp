#include "record/meter_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/frame_layout.h"

namespace tavolo {
namespace {

// The bytes of one frame as the meter sends them: LF, twelve payload bytes
// whose low nibbles are the hex digits of `payload`, CR.
std::vector<std::uint8_t> wireFrame(std::string_view payload)
{
    std::vector<std::uint8_t> bytes{frame::kLineFeed};
    for (char c : payload)
        bytes.push_back(frame::payloadByte(frame::hexDigitValue(c)));
    bytes.push_back(frame::kEndByte);
    return bytes;
}

// 220 mV range, 032.10 mV DC AUTO; the same on the 2.2 V range; a bad range code.
constexpr std::string_view kMilliVolt = "403210B000A0";
constexpr std::string_view kMilliVoltOther = "403211B000A0";
constexpr std::string_view kVolt = "103210B000A0";
constexpr std::string_view kBadRange = "A03210B000A0";

struct Observer : SessionObserver {
    std::vector<std::string> errors;
    std::vector<RecordOutcome> outcomes;
    int beeps = 0;
    int watchdogResets = 0;
    std::vector<bool> modeChanges;  // restartChart of each
    void conversionError(std::string_view message) override { errors.emplace_back(message); }
    void readingHandled(const HandledReading& handled) override { outcomes.push_back(handled.outcome); }
    void beep() override { ++beeps; }
    void resetUsbWatchdogTicks() override { ++watchdogResets; }
    void modeChanged(bool restartChart) override { modeChanges.push_back(restartChart); }
};

class Session : public ::testing::Test {
protected:
    Observer observer;
    MeterSession session{&observer, [] { return ClockTime{14, 5, 9}; }};

    void feed(std::string_view payload, int times = 1)
    {
        const std::vector<std::uint8_t> bytes = wireFrame(payload);
        for (int i = 0; i < times; ++i)
            session.VexaDATA(bytes.data(), bytes.size());
    }
    std::size_t chartValues() { return session.chart().pointCount() - 1; }
};

TEST_F(Session, StartsInTheStartUpState)
{
    EXPECT_EQ(session.ChartCtl().PageSize(), 100);
    EXPECT_EQ(session.ChartCtl().CurrentPage(), 1);
    EXPECT_EQ(session.chartPanel().Bt10(), "1");
    EXPECT_EQ(session.ChartCtl().MaxValue(), 22000);
    EXPECT_EQ(session.ChartCtl().MinValue(), -22000);
    EXPECT_EQ(session.chart().activeSeries(), ChartModel::kAreaSeries);
    EXPECT_TRUE(session.table().empty());
    EXPECT_EQ(session.recordRule().state().NextRecordNo, 1);
    EXPECT_EQ(session.recordRule().state().MaxRecords, 10000);
    EXPECT_TRUE(session.controls().isChecked(RecordLimit::N10000));
}

TEST_F(Session, FramesAreRecordedChartedAndStampedWithTheComputersTime)
{
    feed(kMilliVolt, 3);
    ASSERT_EQ(session.table().rowCount(), 3u);
    const ReadingTable& t = session.table();
    EXPECT_EQ(t.intValue(2, TableField::No), 3);
    EXPECT_EQ(t.text(0, TableField::Time), "14:05:09");
    EXPECT_EQ(t.text(0, TableField::DcAc), "DC");
    EXPECT_EQ(t.text(0, TableField::Value), "032.10");
    EXPECT_EQ(t.text(0, TableField::Unit), "mV");
    EXPECT_EQ(t.text(0, TableField::Auto), "Pass");
    EXPECT_EQ(t.intValue(0, TableField::NVal), 3210);
    EXPECT_EQ(chartValues(), 3u);
    EXPECT_DOUBLE_EQ(session.chart().value(1), 32.1);
    // The lit point set the vertical range.
    EXPECT_EQ(session.ChartCtl().MaxValue(), 220);
    EXPECT_EQ(session.ChartCtl().MinValue(), -220);
    EXPECT_EQ(observer.outcomes, std::vector<RecordOutcome>(3, RecordOutcome::Recorded));
    EXPECT_EQ(observer.watchdogResets, 3);
}

TEST_F(Session, RepeatOffRecordsChangesOnly)
{
    session.inputs().RepeatSet = false;
    feed(kMilliVolt, 3);
    feed(kMilliVoltOther);
    feed(kMilliVolt);
    EXPECT_EQ(session.table().rowCount(), 3u);
    EXPECT_EQ(chartValues(), 5u);
}

TEST_F(Session, RecallClockStampsFramesNotRows)
{
    session.RecallCheckClick(true);
    session.inputs().RepeatSet = false;
    feed(kMilliVolt);       // 00:00:01 recorded
    feed(kMilliVolt);       // 00:00:02 repeat: not recorded, still counts
    feed(kMilliVoltOther);  // 00:00:03
    ASSERT_EQ(session.table().rowCount(), 2u);
    EXPECT_EQ(session.table().text(0, TableField::Time), "00:00:01");
    EXPECT_EQ(session.table().text(1, TableField::Time), "00:00:03");

    session.inputs().recall.TimeInt = "3600";
    session.inputs().RepeatSet = true;
    feed(kMilliVolt);
    EXPECT_EQ(session.table().text(2, TableField::Time), "01:00:03");

    session.RecallCheckClick(false);
    feed(kMilliVolt);
    EXPECT_EQ(session.table().text(3, TableField::Time), "14:05:09");
    EXPECT_EQ(session.inputs().recall.TimeH, "23");
}

TEST_F(Session, ConversionErrorRecordsNothingAndTheNextFrameWorks)
{
    session.RecallCheckClick(true);
    feed(kBadRange);
    ASSERT_EQ(observer.errors.size(), 1u);
    EXPECT_TRUE(session.table().empty());
    EXPECT_EQ(chartValues(), 0u);
    EXPECT_TRUE(observer.outcomes.empty());
    feed(kMilliVolt);
    ASSERT_EQ(session.table().rowCount(), 1u);
    EXPECT_EQ(session.table().text(0, TableField::Time), "00:00:01") << "the failed frame did not reach the clock";
}

TEST_F(Session, ModeChangeRestartsTheChartOnlyWithoutContinueRecord)
{
    feed(kMilliVolt, 5);
    observer.modeChanges.clear();
    feed(kVolt);  // V instead of mV: a mode change, chart continues
    EXPECT_EQ(chartValues(), 6u);
    EXPECT_EQ(observer.modeChanges, std::vector<bool>{false});

    session.decoder().limits().setMultirange(false);
    session.chartPanel().btFillClick(false);
    feed(kMilliVolt);  // mode change: "New", then this reading at position 1
    EXPECT_EQ(session.chart().pointCount(), 2u);
    EXPECT_DOUBLE_EQ(session.chart().value(1), 32.1);
    EXPECT_EQ(session.chart().activeSeries(), ChartModel::kLineSeries);
    EXPECT_EQ(observer.modeChanges, (std::vector<bool>{false, true}));
    EXPECT_EQ(session.table().rowCount(), 7u) << "the table keeps every row";
}

TEST_F(Session, LimitClearAndPagingEndToEnd)
{
    session.controls().N10001Click();
    feed(kMilliVolt, 1200);
    EXPECT_EQ(session.table().rowCount(), 1000u);
    EXPECT_EQ(chartValues(), 1000u);
    EXPECT_EQ(session.chartPanel().Bt10(), "10");
    EXPECT_EQ(observer.outcomes.back(), RecordOutcome::AtLimit);

    session.chartPanel().BtFirstClick();
    EXPECT_EQ(session.chartPanel().Bt10(), "1");

    ASSERT_TRUE(session.controls().RecordNewClick(true));
    EXPECT_TRUE(session.table().empty());
    EXPECT_EQ(session.chartPanel().Bt10(), "1");
    feed(kMilliVolt, 250);
    EXPECT_EQ(session.table().intValue(0, TableField::No), 1);
    EXPECT_EQ(session.chartPanel().Bt10(), "3");
    EXPECT_EQ(session.chart().windowMinimum(), 201);
}


TEST_F(Session, AddedObserversHearEachReadingWithItsInstantAndRow)
{
    struct Feed : SessionObserver {
        std::vector<std::string> heard;
        void readingHandled(const HandledReading& h) override
        {
            heard.push_back(h.reading.valueText + "@" + std::to_string(h.instantMs) + "#" +
                            (h.row ? std::to_string(*h.row) : std::string("-")));
        }
    };
    std::int64_t clock = 1'000;
    session.setInstantSource([&clock] { return clock += 250; });
    Feed feedA, feedB;
    session.addObserver(&feedA);
    session.addObserver(&feedB);
    session.addObserver(&feedA);
    session.recordRule().state().MaxRecords = 2;
    feed(kMilliVolt, 3);
    session.removeObserver(&feedB);
    feed(kMilliVoltOther);

    const std::vector<std::string> all = {"032.10@1250#0", "032.10@1500#1", "032.10@1750#-", "032.11@2000#-"};
    EXPECT_EQ(feedA.heard, all);
    EXPECT_EQ(feedB.heard, std::vector<std::string>(all.begin(), all.begin() + 3));
    EXPECT_EQ(observer.outcomes.size(), 4u);  // the first observer still hears everything
    EXPECT_EQ(session.table().instantMs(0), 1250);
    EXPECT_EQ(session.table().instantMs(1), 1500);
    EXPECT_EQ(session.table().range(0), RangeMode::Auto);
}

}  // namespace
}  // namespace tavolo
