#include "record/recall_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavolo {

// Failure messages show h:m:s.
void PrintTo(const ClockTime& t, std::ostream* os)
{
    *os << t.hour << ':' << t.minute << ':' << t.second;
}

namespace {

TEST(RecallClockTest, AdvancesBeforeEachReadingWithCarriesAndMidnightWrap)
{
    struct Case {
        const char* start[3];
        const char* step;
        std::vector<ClockTime> stamps;
    };
    const Case cases[] = {
        {{"00", "00", "00"}, "1", {{0, 0, 1}, {0, 0, 2}, {0, 0, 3}}},
        {{"23", "59", "59"}, "1", {{0, 0, 0}, {0, 0, 1}}},
        {{"00", "00", "00"}, "3600", {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}},
        {{"12", "34", "56"}, "0", {{12, 34, 56}, {12, 34, 56}}},
        {{"10", "59", "30"}, "45", {{11, 0, 15}, {11, 1, 0}}},
        {{"23", "30", "00"}, "3600", {{0, 30, 0}}},
        // Steps beyond a day and negative steps are taken modulo a day.
        {{"00", "00", "00"}, "90000", {{1, 0, 0}, {2, 0, 0}}},
        {{"00", "00", "00"}, "-1", {{23, 59, 59}, {23, 59, 58}}},
        {{"00", "00", "00"}, "2147483647", {{3, 14, 7}}},
        {{"00", "00", "00"}, "-2147483648", {{20, 45, 52}}},
        // A step that is no integer does not move the clock.
        {{"08", "00", "00"}, "", {{8, 0, 0}}},
    };
    for (const Case& c : cases) {
        RecallClock clock([] { return ClockTime{}; });
        RecallEdits edits{c.start[0], c.start[1], c.start[2], c.step};
        clock.RecallCheckExit(edits);
        for (const ClockTime& expected : c.stamps)
            EXPECT_EQ(clock.AdvanceRecallClock(true, c.step), expected)
                << c.start[0] << ':' << c.start[1] << ':' << c.start[2] << " step " << c.step;
        EXPECT_LE(clock.RecallSecond(), 59);
    }
}

TEST(RecallClockTest, OffMeansTheComputersTimeAndAFrozenClock)
{
    RecallClock clock([] { return ClockTime{9, 8, 7}; });
    RecallEdits edits;
    clock.RecallCheckClick(true, edits);
    EXPECT_EQ(edits.TimeH, "00");
    EXPECT_EQ(clock.AdvanceRecallClock(true, "5"), (ClockTime{0, 0, 5}));

    EXPECT_EQ(clock.AdvanceRecallClock(false, "5"), (ClockTime{9, 8, 7}));
    EXPECT_EQ(clock.RecallSecond(), 5) << "does not advance while off";

    clock.RecallCheckClick(false, edits);
    EXPECT_EQ(edits.TimeH, "23");
    EXPECT_EQ(edits.TimeM, "59");
    EXPECT_EQ(edits.TimeS, "59");
    EXPECT_EQ(clock.RecallHour(), 23);
    EXPECT_EQ(clock.RecallInterval(), 5);
}

TEST(RecallClockTest, KeyUpRejectsOutOfBoundsParts)
{
    RecallClock clock(nullptr);
    RecallEdits edits{"07", "08", "09", "1"};
    EXPECT_FALSE(clock.TimeHKeyUp(edits).any());
    EXPECT_EQ(clock.RecallHour(), 7);

    edits.TimeH = "25";
    RecallInputErrors errors = clock.TimeHKeyUp(edits);
    EXPECT_TRUE(errors.hour);
    EXPECT_FALSE(errors.minute || errors.second);
    EXPECT_EQ(edits.TimeH, "00");
    EXPECT_EQ(clock.RecallHour(), 7) << "kept until the next key release";
    EXPECT_FALSE(clock.TimeHKeyUp(edits).any());
    EXPECT_EQ(clock.RecallHour(), 0);

    edits = {"-1", "60", "59", "1"};
    errors = clock.TimeHKeyUp(edits);
    EXPECT_TRUE(errors.hour && errors.minute);
    EXPECT_FALSE(errors.second);
    EXPECT_EQ(edits.TimeM, "00");
    EXPECT_EQ(clock.RecallSecond(), 59);
    EXPECT_EQ(clock.RecallMinute(), 8);

    // A paste seen first on focus leave keeps the clock's value.
    clock.RecallCheckExit({"99", "-4", "30", "1"});
    EXPECT_EQ(clock.RecallHour(), 0);
    EXPECT_EQ(clock.RecallMinute(), 8);
    EXPECT_EQ(clock.RecallSecond(), 30);
}

}  // namespace
}  // namespace tavolo
