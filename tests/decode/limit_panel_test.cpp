#include <gtest/gtest.h>

#include "decode/limit_panel.h"
#include "decode/meter_decoder.h"
#include "recording_host.h"

namespace tavolo {
namespace {

TEST(LimitKeys, LimitEditsPassDigitsMinusBackspaceAndTheSeparator)
{
    for (char key : std::string("0123456789-\b."))
        EXPECT_TRUE(T1HIKeyPress(key, ".")) << key;
    for (char key : std::string("+,eE a"))
        EXPECT_FALSE(T1HIKeyPress(key, ".")) << key;
    EXPECT_TRUE(T1HIKeyPress(',', ","));
    EXPECT_FALSE(T1HIKeyPress('.', ","));
    EXPECT_FALSE(T1HIKeyPress('.', ""));  // no separator known: none passes
}

TEST(LimitKeys, AlarmEditsPassDigitsSignsAndBackspace)
{
    for (char key : std::string("0123456789+-\b"))
        EXPECT_TRUE(SetmaxKeyPress(key)) << key;
    for (char key : std::string(".,e "))
        EXPECT_FALSE(SetmaxKeyPress(key)) << key;
}

TEST(LimitEdits, ChangeRuleKeepsTheTextANumber)
{
    struct Case {
        EditState before;
        const char* symbol;
        EditState after;
        bool rewritten;
    };
    const Case cases[] = {
        {{"-", 1, 0}, ".", {"-0", 1, 1}, true},     // the next digit replaces the 0
        {{" - ", 2, 0}, ".", {"-0", 1, 1}, true},
        {{"", 0, 0}, ".", {"0", 0, 1}, true},       // an emptied edit
        {{"5-", 2, 0}, ".", {"0", 0, 1}, true},
        {{"1,5", 3, 0}, ".", {"0", 0, 1}, true},
        {{"-1.5", 4, 0}, ".", {"-1.5", 4, 0}, false},
        {{"1,5", 3, 0}, ",", {"1,5", 3, 0}, false},
        {{"2.", 2, 0}, ".", {"2.", 2, 0}, false},   // typing on towards "2.5"
        {{"-0", 2, 0}, ".", {"-0", 2, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.before.text + "'");
        EditState edit = c.before;
        EXPECT_EQ(T1HIChange(edit, c.symbol), c.rewritten);
        EXPECT_EQ(edit, c.after);
    }
}

TEST(LimitEdits, SeparatorCorrectionReplacesOnlyTheFirstWrongSeparator)
{
    struct Case {
        const char* text;
        const char* symbol;
        const char* corrected;
    };
    const Case cases[] = {
        {"1.5", ",", "1,5"},
        {"1.5.5", ",", "1,5.5"},
        {"1,5", ".", "1.5"},
        {"1,5,5", ".", "1.5,5"},
        {"22000", ",", "22000"},
        {"1,5", ",", "1,5"},
        {"1.5", "", "1.5"},  // no symbol known: nothing to correct to
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        correctSeparator(text, c.symbol);
        EXPECT_EQ(text, c.corrected) << c.text;
    }
}

TEST(LimitEdits, FailedLocaleQueryKeepsDecimalPoints)
{
    test::RecordingHost host;
    host.symbol = "";
    MeterDecoder decoder(host);
    decoder.limits().changeT1HI("1.5", 3, 0);
    decoder.decodeFrameText("A101000B00000D");
    EXPECT_EQ(decoder.limits().t1hi().text, "1.5");
    EXPECT_EQ(decoder.reading().valueText, "01.000");
    EXPECT_EQ(decoder.reading().judgeText, "Pass");
}

TEST(LimitEdits, LocaleSwitchCorrectsTheLimitsAtTheNextFrame)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    decoder.limits().changeT1HI("1.5", 3, 0);
    decoder.limits().changeT1LO("0.5", 3, 0);
    host.symbol = ",";
    decoder.decodeFrameText("A101000B00000D");  // 01,000
    EXPECT_EQ(decoder.limits().t1hi().text, "1,5");
    EXPECT_EQ(decoder.limits().t1lo().text, "0,5");
    EXPECT_EQ(decoder.reading().valueText, "01,000");
    EXPECT_EQ(decoder.reading().judgeText, "Pass");
    // A text with two separators cannot be mended: the change rule makes it "0".
    EditState twoSeparators{"1.5.5", 0, 0};
    ASSERT_TRUE(correctSeparator(twoSeparators.text, ","));
    EXPECT_TRUE(T1HIChange(twoSeparators, ","));
    EXPECT_EQ(twoSeparators, (EditState{"0", 0, 1}));
}

struct JudgeCase {
    const char* name;
    const char* lo;
    const char* hi;
    const char* frame;
    const char* judge;  // "" when no verdict yet
};

TEST(Judgement, ComparesTheShownValueWithTheLimits)
{
    const JudgeCase cases[] = {
        {"defaults pass", "-22000", "22000", "A403210B00000D", "Pass"},
        {"inside", "1.000", "2.000", "A101500B00000D", "Pass"},
        {"above", "1.000", "2.000", "A102001B00000D", "Fail"},
        {"equal to hi", "1.000", "2.000", "A102000B00000D", "Pass"},
        {"equal to lo", "1.000", "2.000", "A101000B00000D", "Pass"},
        {"below", "1.000", "2.000", "A100999B00000D", "Fail"},
        {"negative below", "-1", "1", "A101001B40000D", "Fail"},
        {"overload", "-22000", "22000", "A100000B10000D", "Fail"},
        {"duty-overload", "-22000", "22000", "A112345B00800D", "Fail"},
        {"22580 with P1", "-22000", "22000", "A122580B00000D", "Fail"},
        {"22580 beyond any limit", "-100000", "100000", "A022580B00000D", "Fail"},
        {"two separators never convert", "-22000", "22000", "A301234900070D", "Fail"},
        {"above a negative-zero hi", "-1", "-0", "A100500B00000D", "Fail"},
    };
    for (const JudgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingHost host;
        MeterDecoder decoder(host);
        decoder.limits().changeT1LO(c.lo, 0, 0);
        decoder.limits().changeT1HI(c.hi, 0, 0);
        ASSERT_EQ(decoder.limits().t1lo().text, c.lo);
        decoder.decodeFrameText(c.frame);
        EXPECT_EQ(decoder.reading().judgeText, c.judge);
        EXPECT_EQ(decoder.limits().judgeCaption(), c.judge);
        EXPECT_EQ(decoder.limits().t1valueText(), decoder.reading().valueText);
        EXPECT_EQ(decoder.limits().verdictColour(),
                  std::string_view(c.judge) == "Pass" ? kPassColour : kFailColour);
    }
}

TEST(Judgement, NoVerdictBeforeTheFirstJudgement)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    EXPECT_EQ(decoder.limits().verdict(), Verdict::None);
    EXPECT_EQ(decoder.limits().verdictColour(), std::nullopt);
    EXPECT_EQ(decoder.limits().judgeCaption(), "");
    EXPECT_EQ(decoder.limits().t1valueText(), "0");
    EXPECT_EQ(decoder.reading().judgeText, "");
}

TEST(AlarmLimits, CountClassRows)
{
    struct Case {
        const char* countClass;
        std::int32_t fullScale;
        std::int32_t barFull;
        float maxLimit;
        float minLimit;
        const char* maxText;
        std::optional<int> barMaximum;
    };
    const Case cases[] = {
        {"6", 6000, 60, 6000, -6000, "6000", std::nullopt},
        {"34", 3400, 34, 3400, -3400, "3400", std::nullopt},
        {"2", 20000, 20, 20000, -20000, "20000", 20},
        {"22", 22000, 22, 22002, -22002, "22000", 22},  // same texts: no change handler
        {"7", 123, 4, 0, 0, "22000", std::nullopt},     // no row: nothing changes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.countClass);
        LimitPanel panel;
        panel.setCountClass(c.countClass, 123, 4);
        EXPECT_EQ(panel.applyCountClassRow(), c.barMaximum);
        EXPECT_EQ(panel.fullScale(), c.fullScale);
        EXPECT_EQ(panel.barFull(), c.barFull);
        EXPECT_EQ(panel.setMaxLimit(), c.maxLimit);
        EXPECT_EQ(panel.setMinLimit(), c.minLimit);
        EXPECT_EQ(panel.setmaxText(), c.maxText);
    }
}

TEST(AlarmLimits, ExitConvertsOrKeepsTheOldLimit)
{
    struct Case {
        const char* text;
        float limit;
        bool error;
    };
    const Case cases[] = {
        {"1000", 1000, false}, {"-5", -5, false}, {"+7", 7, false}, {"-", 0, false},
        {"+", 0, false},       {"", 0, false},    {"5-", 22002, true}, {"+-", 22002, true},
        {"1.5", 22002, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        test::RecordingHost host;
        MeterDecoder decoder(host);
        const std::optional<std::string> error = decoder.limits().setSetmaxText(c.text);
        EXPECT_EQ(error.has_value(), c.error);
        if (error) {
            EXPECT_EQ(*error, "'" + std::string(c.text) + "' is not a valid integer value");
        }
        EXPECT_EQ(decoder.limits().setMaxLimit(), c.limit);
        EXPECT_EQ(decoder.limits().setmaxText(), c.text);
    }
}

TEST(AlarmLimits, BeepsAboveMaxOrBelowMinWhenChecked)
{
    struct Case {
        const char* frame;
        bool maxChecked;
        bool minChecked;
        int beeps;
    };
    const Case cases[] = {
        {"A101001B00000D", true, false, 1},   // 01.001 V: 1001 counts > 1000
        {"A100999B00000D", true, false, 0},
        {"A101001B00000D", false, false, 0},  // unchecked: silent
        {"A101001B40000D", false, true, 1},   // -1001 < -1000
        {"A101001B40000D", true, true, 1},
        {"A101000B40000D", false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        test::RecordingHost host;
        MeterDecoder decoder(host);
        LimitPanel& limits = decoder.limits();
        ASSERT_FALSE(limits.setSetmaxText("1000"));
        ASSERT_FALSE(limits.setSetMinText("-1000"));
        ASSERT_FALSE(limits.setSetMaxChecked(c.maxChecked));
        ASSERT_FALSE(limits.setSetMinChecked(c.minChecked));
        decoder.decodeFrameText(c.frame);
        EXPECT_EQ(host.beeps, c.beeps);
    }
}

TEST(ModeMemory, FirstFrameAndEveryChangeOfUnitPointOrMode)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    EXPECT_EQ(decoder.limits().lastUnitText(), "113");
    struct Step {
        const char* frame;
        bool change;
    };
    const Step steps[] = {
        {"A403210B000A0D", true},   // first frame
        {"A403211B000A0D", false},  // same mode, other value
        {"A303210B000A0D", true},   // V instead of mV
        {"A203210B000A0D", true},   // only the point moves
        {"A203210B00040D", true},   // DC -> AC
        {"A203210B00040D", false},
    };
    for (const Step& s : steps) {
        decoder.decodeFrameText(s.frame);
        EXPECT_EQ(decoder.lastOutcome().modeChange, s.change) << s.frame;
    }
    EXPECT_EQ(decoder.limits().lastUnitText(), "V");
    EXPECT_EQ(decoder.limits().lastAcDcText(), "AC");
    EXPECT_EQ(decoder.limits().lastPointIndex(), 2);
}

TEST(ModeMemory, UncheckedContinueRecordRestartsTheChart)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    decoder.decodeFrameText("A303210B000A0D");
    decoder.limits().setMultirange(false);
    host.calls.clear();
    decoder.decodeFrameText("A403210B000A0D");
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "mode+new"), 1);
    decoder.limits().setMultirange(true);
    decoder.decodeFrameText("A303210B000A0D");
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "mode"), 1);
}

}  // namespace
}  // namespace tavolo
