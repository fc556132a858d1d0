#include <gtest/gtest.h>

#include "decode/si_units.h"
#include "files/csv_texts.h"

namespace tavolo {
namespace {

TEST(CsvTexts, EveryDecoderUnitComesBackFromItsDisplayForm)
{
    const char* units[] = {"V",  "mV", "A",  "mA", "uA", "Hz", "kHz", "MHz",  "nF", "uF",
                           "mF", "*",  "K*", "M*", "&  *", "V)", "?",  "%",   ""};
    for (const char* coded : units) {
        std::string back;
        ASSERT_TRUE(codedUnitText(unicodeUnitText(coded), back)) << coded;
        EXPECT_EQ(back, coded) << unicodeUnitText(coded);
    }
}

TEST(CsvTexts, ValueTextsComeBackFromTheirDisplayForm)
{
    const char* values[] = {"0.L", "-0.L", "-01.234", "01,234", "22.000", "0000", "032.10", "1\xB7" "5", ""};
    for (const char* coded : values) {
        std::string back;
        ASSERT_TRUE(codedDisplayText(lcdDisplayUtf8(coded), back)) << coded;
        EXPECT_EQ(back, coded);
    }
}

TEST(CsvTexts, DisplayGlyphsAndTheirCommonVariantsMapToTheCoding)
{
    struct Case {
        const char* unicode;
        const char* coded;
    };
    const Case cases[] = {
        {"\u03A9", "*"},         {"\u2126", "*"},  // Greek omega and the ohm sign
        {"k\u03A9", "K*"},       {"M\u03A9", "M*"},
        {"\u00B5A", "uA"},       {"\u03BCF", "uF"},  // micro sign and Greek mu
        {"\u2022)))\u03A9", "&  *"},
        {"V\u25B6|", "V)"},      {"\u00B0C", "?"},
        {"\u00B0F", "\xB0" "F"},  // a degree sign alone is its Latin-1 byte
        {"caf\u00E9", "caf\xE9"},
        {"a\uFFFDb", "a\x1A" "b"},  // what stood for a control character
    };
    for (const Case& c : cases) {
        std::string back;
        ASSERT_TRUE(codedUnitText(c.unicode, back)) << c.unicode;
        EXPECT_EQ(back, c.coded) << c.unicode;
    }
}

TEST(CsvTexts, RefusesBrokenUtf8AndCharactersTheTableCannotHold)
{
    const char* bad[] = {
        "\xFF",            // never in UTF-8
        "a\xC3",           // cut sequence
        "\xC0\xB5",        // overlong
        "\xED\xA0\x80",    // surrogate
        "\xE2\x82\xAC",    // the euro sign: beyond U+00FF
        "\u2022))",        // a continuity sign without its three arcs
        "\u25B6",          // a diode sign without its bar
    };
    for (const char* text : bad) {
        std::string out;
        EXPECT_FALSE(codedDisplayText(text, out)) << text;
    }
    std::string out;
    EXPECT_FALSE(utf8ToLatin1("\xE2\x82\xAC", out));
    EXPECT_FALSE(utf8ToLatin1("\xC3", out));
    ASSERT_TRUE(utf8ToLatin1("\u00FF\u00B5 \u00E9", out));
    EXPECT_EQ(out, "\xFF\xB5 \xE9");

    std::string utf8;
    appendLatin1AsUtf8("\xFF\xB5 \xE9" "a", utf8);
    EXPECT_EQ(utf8, "\u00FF\u00B5 \u00E9" "a");
}

TEST(CsvTexts, CountIsTheDecodersNValForTheValueText)
{
    struct Case {
        const char* value;
        std::optional<std::int32_t> count;
    };
    const Case cases[] = {
        {"01.234", 1234},   {"-01.234", -1234}, {"22.000", 22000}, {"0000", 0},
        {"032.10", 3210},   {"01,234", 1234},   {"1\xB7" "5", 15},  // any locale separator
        {"0.L", std::nullopt}, {"-0.L", std::nullopt},  // overload: full scale is not in the text
        {"", std::nullopt},   {".5", std::nullopt},      {"1 2", std::nullopt},
        {"1A", std::nullopt}, {"--1", std::nullopt},     {"99999999999", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(countFromValueText(c.value), c.count) << c.value;
}

}  // namespace
}  // namespace tavolo
