#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

#include "decode/meter_decoder.h"
#include "decode_test_support.h"
#include "recording_host.h"

namespace tavolo {
namespace {

using test::litNames;
using test::shownDigits;

// Frame text layout: "A", range, five digits, function, status, option 1..4, "D".
struct DecodeCase {
    const char* name;
    const char* frame;
    const char* value;
    double numeric;
    double chart;  // the previous frame left 7.0
    const char* unit;
    const char* mode;
    const char* range;
    const char* lit;
    const char* digits;  // captions after the frame
    const char* shown;
    int pointIndex;
};

TEST(ReadingDecoder, DecodesTheMetersFunctions)
{
    const DecodeCase cases[] = {
        {"mV, DC, auto", "A403210B000A0D", "032.10", 3210, 32.1, "mV", "DC", "AUTO",
         "LCDsend LcdAuto LcdDc1 LcdP2 LcdV Lcdm", "[0][3][2][1][0]", "01111", 2},
        {"minus flag", "A403210B400A0D", "-032.10", -3210, -32.1, "mV", "DC", "AUTO",
         "LCDsend LcdAuto LcdDc1 LcdFH LcdP2 LcdV Lcdm", "[0][3][2][1][0]", "01111", 2},
        {"overload, V range 1", "A100000B100A0D", "0.L", 22000, 22000, "V", "DC", "AUTO",
         "LCDsend LcdAuto LcdDc1 LcdP1 LcdV", "[][0][@][][]", "11111", 1},
        {"negative overload", "A100000B500A0D", "-0.L", -22000, -22000, "V", "DC", "AUTO",
         "LCDsend LcdAuto LcdDc1 LcdFH LcdP1 LcdV", "[][0][@][][]", "11111", 1},
        {"duty-overload, manual", "A112345B00800D", "0L.", 22000, 22000, "%", "Duty", "MANU",
         "LCDBF LCDsend LcdManu LcdP3", "[][0][@][][]", "11111", 3},
        {"duty-overload with AUTO", "A112345B00820D", "0L.", 22000, 22000, "%", "Duty", "AUTO",
         "LCDBF LCDsend LcdAuto LcdP3", "[][0][@][][]", "11111", 3},
        {"duty block E: no point", "A001234F80000D", "01234", 1234, 7.0, "%", "duty", "MANU",
         "LCDBF LCDsend LcdManu", "[0][1][2][3][4]", "11111", 0},
        {"two separators", "A301234900070D", "012.3.4", 1234, 123.4, "Hz", "Frequency", "AUTO",
         "LCDHz LCDsend LcdAC LcdAuto LcdP2 LcdP3", "[0][1][2][3][4]", "01111", 3},
        {"frequency, unlisted range", "A201234200000D", "01234", 1234, 7.0, "", "", "MANU",
         "LCDHz LCDsend LcdManu", "[0][1][2][3][4]", "11111", 0},
        {"kHz duty block B", "A304500280000D", "0450.0", 4500, 450.0, "%", "Duty", "MANU",
         "LCDBF LCDsend LcdManu LcdP3", "[0][4][5][0][0]", "01111", 3},
        {"diode", "A000512100000D", "0.0512", 512, 0.0512, "V)", "Diode", "MANU",
         "LCDDI LCDsend LcdManu LcdP0 LcdV", "[0][0][5][1][2]", "11111", 0},
        {"temperature", "A000251400000D", "00251", 251, 7.0, "?", "Temperature", "MANU",
         "LCDFS LCDsend LcdManu", "[0][0][2][5][1]", "11111", 3},
        {"continuity", "A000123500000D", "001.23", 123, 1.23, "&  *", "Cont", "MANU",
         "LCDFm LCDohm LCDsend LcdManu LcdP2", "[0][0][1][2][3]", "00111", 2},
        {"mega-ohm", "A501234300020D", "01.234", 1234, 1.234, "M*", "Ohm", "AUTO",
         "LCDM1 LCDohm LCDsend LcdAuto LcdP1", "[0][1][2][3][4]", "01111", 1},
        {"uF", "A300100600000D", "00.100", 100, 0.1, "uF", "Cap", "MANU",
         "LCDF LCDsend LCDu LcdManu LcdP1", "[0][0][1][0][0]", "01111", 1},
        {"uA, AC auto, hold, battery, rel", "A100999D22062D", "0099.9", 999, 99.9, "uA", "AC", "AUTO",
         "LCDA LCDBATT LCDHold LCDREL LCDsend LCDu LcdAC LcdAuto LcdP3", "[0][0][9][9][9]", "00111", 3},
        {"option 9: duty on DC", "A101000B00090D", "01000", 1000, 7.0, "%", "duty", "MANU",
         "LCDBF LCDsend LcdDc1 LcdManu", "[0][1][0][0][0]", "11111", 0},
        {"option 11: frequency by range", "A601234B000B0D", "01.234", 1234, 1.234, "MHz", "Frequency", "AUTO",
         "LCDHz LCDM1 LCDsend LcdAuto LcdDc1 LcdP1", "[0][1][2][3][4]", "01111", 1},
        {"amps, range 0: d0.d1d2d3d4", "A014794900080D", "1.4794", 14794, 1.4794, "A", "DC", "MANU",
         "LCDA LCDsend LcdDc1 LcdManu LcdP0", "[1][4][7][9][4]", "11111", 0},
        {"function without a row", "A312345700000D", "12345", 12345, 7.0, "", "", "MANU",
         "LCDsend LcdManu", "[1][2][3][4][5]", "11111", 0},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.frame);
        test::RecordingHost host;
        MeterDecoder decoder(host);
        decoder.decodeFrameText("A200700B00000D");  // leaves ChartValue 7.0
        ASSERT_DOUBLE_EQ(decoder.reading().chartValue, 7.0);
        decoder.decodeFrameText(c.frame);
        const Reading& r = decoder.reading();
        EXPECT_TRUE(decoder.lastOutcome().completed);
        EXPECT_EQ(r.valueText, c.value);
        EXPECT_DOUBLE_EQ(r.numericValue, c.numeric);
        EXPECT_DOUBLE_EQ(r.chartValue, c.chart);
        EXPECT_EQ(r.unitText, c.unit);
        EXPECT_EQ(r.acDcText, c.mode);
        EXPECT_EQ(r.rangeText, c.range);
        EXPECT_EQ(litNames(decoder.panel()), c.lit);
        EXPECT_EQ(test::captions(decoder.panel()), c.digits);
        EXPECT_EQ(shownDigits(decoder.panel()), c.shown);
        EXPECT_EQ(decoder.lastOutcome().pointIndex, c.pointIndex);
        EXPECT_EQ(host.recorded.size(), 2U);
        EXPECT_TRUE(host.errors.empty());
    }
}

// The function table as the panel reads digits 12345 in each range code 0..9
// of each function code, "value unit mode"; a code with no row reads "12345".
TEST(ReadingDecoder, EveryFunctionAndRangeCode)
{
    struct Row {
        char function;
        const char* everyRange;  // the same for every range code
        std::array<const char*, 10> byRange;
    };
    const Row rows[] = {
        {'0', nullptr, {"12.345 A"}},
        {'1', "1.2345 V) Diode", {}},
        {'2', nullptr, {"123.45 Hz Frequency", "1234.5 Hz Frequency", nullptr, "12.345 kHz Frequency",
                        "123.45 kHz Frequency", "1.2345 MHz Frequency", "12.345 MHz Frequency",
                        "123.45 MHz Frequency"}},
        {'3', nullptr, {"123.45 * Ohm", "1.2345 K* Ohm", "12.345 K* Ohm", "123.45 K* Ohm", "1.2345 M* Ohm",
                        "12.345 M* Ohm", "123.45 M* Ohm"}},
        {'4', "12345 ? Temperature", {}},
        {'5', "123.45 &  * Cont", {}},
        {'6', nullptr, {"12.345 nF Cap", "123.45 nF Cap", "1.2345 uF Cap", "12.345 uF Cap", "123.45 uF Cap",
                        "1.2345 mF Cap", "12.345 mF Cap", "123.45 mF Cap"}},
        {'7', nullptr, {}},
        {'8', nullptr, {}},
        {'9', nullptr, {"1.2345 A", "12.345 A", "123.45 A", "1234.5 A"}},
        {'A', nullptr, {}},
        {'B', nullptr, {"1.2345 V", "12.345 V", "123.45 V", "1234.5 V", "123.45 mV"}},
        {'C', nullptr, {}},
        {'D', nullptr, {"123.45 uA", "1234.5 uA"}},
        {'E', nullptr, {}},
        {'F', nullptr, {"12.345 mA", "123.45 mA"}},
    };
    // The prefix indicators lit, and the one a unit's first letter asks for.
    auto litPrefixes = [](const PanelState& panel) {
        std::string lit;
        for (LcdControl c : {LcdControl::LCDk, LcdControl::LCDM1, LcdControl::Lcdm, LcdControl::LCDu, LcdControl::LCDn})
            if (panel.visible(c))
                lit += lcdControlName(c);
        return lit;
    };
    auto prefixOf = [](const std::string& unit) -> std::string {
        const std::pair<char, const char*> prefixes[] = {{'k', "LCDk"}, {'K', "LCDk"}, {'M', "LCDM1"},
                                                         {'m', "Lcdm"}, {'u', "LCDu"},  {'n', "LCDn"}};
        for (auto [letter, name] : prefixes)
            if (!unit.empty() && unit[0] == letter)
                return name;
        return "";
    };
    test::RecordingHost host;
    MeterDecoder decoder(host);
    for (const Row& row : rows) {
        for (char range = '0'; range <= '9'; ++range) {
            const std::string frame = std::string("A") + range + "12345" + row.function + "00000D";
            SCOPED_TRACE(frame);
            decoder.decodeFrameText(frame);
            const Reading& r = decoder.reading();
            ASSERT_TRUE(decoder.lastOutcome().completed);
            std::string shown = r.valueText;
            for (const std::string* text : {&r.unitText, &r.acDcText})
                if (!text->empty())
                    shown += " " + *text;
            const char* expected = row.everyRange ? row.everyRange : row.byRange[static_cast<std::size_t>(range - '0')];
            EXPECT_EQ(shown, expected ? expected : "12345");
            EXPECT_EQ(litPrefixes(decoder.panel()), prefixOf(r.unitText));
        }
    }
}

TEST(ReadingDecoder, ChartRangeFollowsTheRightmostLitPoint)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    decoder.decodeFrameText("A301234900070D");  // P2 then P3
    EXPECT_EQ(host.chartMax, 2200);
    EXPECT_EQ(host.chartMin, -2200);
    decoder.decodeFrameText("A014794900080D");  // amps, range 0: P0
    EXPECT_EQ(host.chartMax, 22);
    EXPECT_EQ(host.chartMin, -22);
    decoder.decodeFrameText("A301234900070D");
    decoder.decodeFrameText("A001234B00000D");  // P0
    EXPECT_EQ(host.chartMax, 22);
    decoder.decodeFrameText("A000251400000D");  // temperature: no point, range kept
    EXPECT_EQ(host.chartMax, 22);
}

TEST(ReadingDecoder, HostStepsRunInOrder)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    ASSERT_FALSE(decoder.limits().setSetMaxChecked(true));
    ASSERT_FALSE(decoder.limits().setSetmaxText("1000"));
    host.calls.clear();
    decoder.decodeFrameText("A101001B00000D");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"max", "min", "beep", "mode", "record"}));
}

TEST(ReadingDecoder, ConversionErrorStopsOnlyThatFrame)
{
    struct Case {
        const char* name;
        const char* frame;
        const char* message;
        const char* litAfter;
    };
    const Case cases[] = {
        {"range character A", "AA01234B000A0D", "'A' is not a valid integer value", "LCDsend"},
        {"digit C", "A40C210B000A0D", "'0C210' is not a valid integer value", "LCDsend LcdAuto LcdDc1 LcdP2 LcdV Lcdm"},
        {"not a hexadecimal character", "A4032G0B000A0D", "'G' is not a valid integer value",
         "LCDsend LcdAuto LcdDc1 LcdP2 LcdV Lcdm"},  // step 4: the panel is untouched
        {"nine-payload frame text", "123456789DA", "'' is not a valid integer value", "LCDsend"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingHost host;
        MeterDecoder decoder(host);
        decoder.decodeFrameText("A403210B000A0D");
        const Reading before = decoder.reading();
        const bool conokBefore = decoder.panel().visible(LcdControl::CONok);
        decoder.decodeFrameText(c.frame);
        EXPECT_FALSE(decoder.lastOutcome().completed);
        ASSERT_EQ(host.errors, std::vector<std::string>{c.message});
        EXPECT_EQ(decoder.lastOutcome().error, c.message);
        EXPECT_EQ(host.recorded.size(), 1U);
        EXPECT_EQ(test::litNames(decoder.panel()), c.litAfter);
        EXPECT_EQ(decoder.panel().visible(LcdControl::CONok), conokBefore);  // no frame indicator flip
        EXPECT_EQ(decoder.reading().judgeText, before.judgeText);
        // The next frame decodes normally.
        decoder.decodeFrameText("A403210B400A0D");
        EXPECT_TRUE(decoder.lastOutcome().completed);
        EXPECT_FALSE(decoder.lastOutcome().error);
        EXPECT_EQ(decoder.reading().valueText, "-032.10");
        EXPECT_EQ(host.errors.size(), 1U);
        EXPECT_EQ(host.recorded.size(), 2U);
    }
}

TEST(ReadingDecoder, RangeErrorLeavesTheResetDone)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    decoder.decodeFrameText("A403210B000A0D");
    decoder.decodeFrameText("AA01234B000A0D");
    const Reading& r = decoder.reading();
    EXPECT_EQ(r.unitText, "");
    EXPECT_EQ(r.acDcText, "");
    EXPECT_EQ(r.rangeText, "");
    EXPECT_EQ(r.valueText, "032.10");  // later steps never ran
    EXPECT_EQ(decoder.panel().usbText, "AA01234B000A0D");
}

TEST(ReadingDecoder, ShortFramesRepeatThePreviousBits)
{
    // The 9-payload layout reaches step 9 with its option position missing;
    // up to there the missing positions 12 and 13 repeat position 11's bits.
    struct Trace : test::RecordingHost {
        std::string bits;
        void traceFrame(std::string_view, std::string_view b) override { bits = b; }
    } host;
    MeterDecoder decoder(host);
    decoder.decodeFrameText("123456789DA");
    EXPECT_EQ(host.bits, "001000110100010101100111100010011101101010101010");
    ASSERT_EQ(host.errors.size(), 1U);
}

}  // namespace
}  // namespace tavolo
