#include <gtest/gtest.h>

#include "decode/meter_decoder.h"
#include "decode_test_support.h"
#include "recording_host.h"

namespace tavolo {
namespace {

// Frame texts with the given digits and decimal point: V function, range =
// point (0..3), or function 7 for "no point".
std::string voltFrame(const std::string& digits, int point)
{
    if (point < 0)
        return "A0" + digits + "700000D";
    return "A" + std::to_string(point) + digits + "B00000D";
}

TEST(LcdPanel, BlanksLeadingZerosByTheLitPoint)
{
    struct Case {
        const char* digits;
        int point;
        const char* shown;
    };
    const Case cases[] = {
        {"00123", 2, "00111"},  // 1.23
        {"00000", 3, "00011"},  // 0.0
        {"01234", 2, "01111"},  // 12.34
        {"00123", 0, "11111"},  // 0.0123
        {"00123", -1, "11111"}, // 00123
        {"00123", 1, "01111"},  // P1 only ever hides d0
        {"10023", 3, "11111"},  // a hidden digit is needed before the next one
        {"00100", 3, "00111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.digits) + " point " + std::to_string(c.point));
        test::RecordingHost host;
        MeterDecoder decoder(host);
        decoder.decodeFrameText(voltFrame(c.digits, c.point));
        EXPECT_EQ(test::shownDigits(decoder.panel()), c.shown);
    }
}

TEST(LcdPanel, BlankingIsRebuiltEveryFrame)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    decoder.decodeFrameText(voltFrame("00000", 3));
    decoder.decodeFrameText(voltFrame("12345", 3));
    EXPECT_EQ(test::shownDigits(decoder.panel()), "11111");
    decoder.decodeFrameText(voltFrame("00000", 3));
    EXPECT_EQ(test::shownDigits(decoder.panel()), "00011");
    EXPECT_EQ(test::captions(decoder.panel()), "[0][0][0][0][0]");
}

TEST(LcdPanel, BarGraphPosition)
{
    struct Case {
        const char* frame;
        int bar;
    };
    const Case cases[] = {
        {"A121999B00000D", 21},
        {"A100500B00000D", 1},
        {"A101999B00000D", 1},
        {"A102000B00000D", 2},
        {"A199999B00000D", 99},
        {"A100000B10000D", 22},  // overload: BarFull
        {"A100000B50000D", 22},  // negative overload
        {"A112345B00800D", 22},  // duty-overload
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        test::RecordingHost host;
        MeterDecoder decoder(host);
        EXPECT_EQ(decoder.panel().barPosition, 20);
        EXPECT_EQ(decoder.panel().barMaximum, 22);
        decoder.decodeFrameText(c.frame);
        EXPECT_EQ(decoder.panel().barPosition, c.bar);
    }
}

TEST(LcdPanel, OverloadBarOfCountClassSixExceedsTheMaximum)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    decoder.limits().setCountClass("6", 6000, 60);
    EXPECT_FALSE(decoder.limits().applyCountClassRow());  // leaves the bar's maximum alone
    decoder.panel().barMaximum = 40;
    decoder.decodeFrameText("A100000B10000D");
    EXPECT_EQ(decoder.panel().barPosition, 60);
    EXPECT_EQ(decoder.reading().numericValue, 6000);
}

TEST(LcdPanel, FrameIndicatorAlternates)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    EXPECT_FALSE(decoder.panel().visible(LcdControl::CONok));
    EXPECT_TRUE(decoder.panel().visible(LcdControl::CONokN));
    decoder.decodeFrameText("A403210B000A0D");
    EXPECT_TRUE(decoder.panel().visible(LcdControl::CONok));
    EXPECT_FALSE(decoder.panel().visible(LcdControl::CONokN));
    decoder.decodeFrameText("A403210B000A0D");
    EXPECT_FALSE(decoder.panel().visible(LcdControl::CONok));
    EXPECT_TRUE(decoder.panel().visible(LcdControl::CONokN));
}

TEST(LcdPanel, StartsReadingTwentyTwoThousand)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    EXPECT_EQ(test::captions(decoder.panel()), "[2][2][0][0][0]");
    EXPECT_EQ(test::shownDigits(decoder.panel()), "11111");
    EXPECT_EQ(test::litNames(decoder.panel()), "");
}

}  // namespace
}  // namespace tavolo
