#include "decode/si_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace tavolo {
namespace {

struct SiCase {
    const char* valueText;
    const char* codedUnit;
    std::optional<double> value;
    const char* siUnit;
    const char* plain;  // plainDecimal of the value ("" when none)
};

TEST(SiUnits, ValueTextAndUnitGiveTheSiNumber)
{
    const SiCase cases[] = {
        {"032.10", "mV", 0.0321, "V", "0.0321"},
        {"-01.234", "V", -1.234, "V", "-1.234"},
        {"1.4794", "A", 1.4794, "A", "1.4794"},
        {"220.00", "uA", 0.00022, "A", "0.00022"},
        {"10.000", "mA", 0.01, "A", "0.01"},
        {"9.9999", "MHz", 9999900.0, "Hz", "9999900"},
        {"22.000", "kHz", 22000.0, "Hz", "22000"},
        {"1.2000", "nF", 1.2e-9, "F", "0.0000000012"},
        {"33.00", "uF", 3.3e-5, "F", "0.000033"},
        {"0220.0", "*", 220.0, "\u03A9", "220"},
        {"22.000", "K*", 22000.0, "\u03A9", "22000"},
        {"2.2000", "M*", 2200000.0, "\u03A9", "2200000"},
        {"0012.3", "&  *", 12.3, "\u03A9", "12.3"},
        {"0.5012", "V)", 0.5012, "V", "0.5012"},
        {"-0012", "?", -12.0, "\u00B0C", "-12"},
        {"050.0", "%", 50.0, "%", "50"},
        // The locale's separator, one or several bytes; none at all.
        {"032,10", "mV", 0.0321, "V", "0.0321"},
        {"1\u066B5", "V", 1.5, "V", "1.5"},
        {"00123", "V", 123.0, "V", "123"},
        {"+1.5", "V", 1.5, "V", "1.5"},
        {" 1.5 ", "V", 1.5, "V", "1.5"},
        // A minus before zeros is zero.
        {"-00.000", "V", 0.0, "V", "0"},
        // Overloads and texts that are no number keep the unit but no value.
        {"0.L", "V", std::nullopt, "V", ""},
        {"0L", "%", std::nullopt, "%", ""},
        {"-0.L", "mV", std::nullopt, "V", ""},
        {"", "V", std::nullopt, "V", ""},
        {".", "V", std::nullopt, "V", ""},
        {"1.2.3", "V", std::nullopt, "V", ""},
        {"1e5", "V", std::nullopt, "V", ""},
        {"1 2", "V", std::nullopt, "V", ""},
        {"12-", "V", std::nullopt, "V", ""},
        {"1234567890123456789", "V", std::nullopt, "V", ""},
        // A unit the decoder never gives (a file may hold anything): nothing.
        {"1.000", "furlong", std::nullopt, "", ""},
        {"1.000", "", std::nullopt, "", ""},
    };
    for (const SiCase& c : cases) {
        SCOPED_TRACE(std::string(c.valueText) + " " + c.codedUnit);
        const SiValue si = siValue(c.valueText, c.codedUnit);
        EXPECT_EQ(si.unit, c.siUnit);
        ASSERT_EQ(si.value.has_value(), c.value.has_value());
        if (c.value) {
            // The nearest double to the exact decimal: equal, not merely close.
            EXPECT_EQ(*si.value, *c.value);
            EXPECT_FALSE(std::signbit(*si.value) && *si.value == 0);
            EXPECT_EQ(plainDecimal(*si.value), c.plain);
        }
    }
}

TEST(SiUnits, PlainDecimalHasNoExponentAndReadsBack)
{
    for (double v : {1e-12, 1.5e-9, 123456789.0, 1e21, -2.5e-7, 0.1, 1.0 / 3, -0.0}) {
        const std::string text = plainDecimal(v);
        SCOPED_TRACE(text);
        EXPECT_EQ(text.find_first_of("eE"), std::string::npos);
        EXPECT_EQ(std::stod(text), v);
    }
    EXPECT_EQ(plainDecimal(-0.0), "0");
}

TEST(SiUnits, UnicodeTextsOfTheLcdCoding)
{
    const struct {
        const char* coded;
        const char* display;  // lcdDisplayUtf8
        const char* unit;     // unicodeUnitText
    } cases[] = {
        {"*", "\u03A9", "\u03A9"},
        {"K*", "k\u03A9", "k\u03A9"},
        {"M*", "M\u03A9", "M\u03A9"},
        {"&  *", "\u2022)))\u03A9", "\u2022)))\u03A9"},
        {"V)", "V\u25B6|", "V\u25B6|"},
        {"?", "\u00B0C", "\u00B0C"},
        {"uA", "uA", "\u00B5A"},
        {"uF", "uF", "\u00B5F"},
        {"mV", "mV", "mV"},
        {"0@", "0L", "0L"},
        {"Auto   range", "Auto range", "Auto range"},
        {"+A", "\u00B5A", "\u00B5A"},
        {"u", "u", "u"},
        {"A\x01", "A\uFFFD", "A\uFFFD"},
        {"\xB5V", "\u00B5V", "\u00B5V"},  // a Latin-1 byte of an 8-bit text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.coded);
        EXPECT_EQ(lcdDisplayUtf8(c.coded), c.display);
        EXPECT_EQ(unicodeUnitText(c.coded), c.unit);
    }
}

}  // namespace
}  // namespace tavolo
