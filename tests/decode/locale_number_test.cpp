#include <gtest/gtest.h>

#include <optional>

#include "decode/locale_number.h"

namespace tavolo {
namespace {

struct FloatCase {
    const char* text;
    const char* separator;
    std::optional<double> expected;
};

TEST(StrToFloat, AcceptsExactlyTheDocumentedForms)
{
    const FloatCase cases[] = {
        {"1.5", ".", 1.5},
        {"01.234", ".", 1.234},
        {"-032.10", ".", -32.1},
        {"+2", ".", 2.0},
        {"  2.5\t ", ".", 2.5},   // blanks around
        {"1.", ".", 1.0},
        {".5", ".", 0.5},
        {"-.5", ".", -0.5},
        {"1e3", ".", 1000.0},
        {"1.5E-2", ".", 0.015},
        {"2e+2", ".", 200.0},
        {"1,5", ",", 1.5},
        {"-0", ".", 0.0},
        {"1e308", ".", 1e308},
        {"1ab5", "ab", 1.5},       // a multi-character locale separator
        {"1.5", "", 1.5},          // no separator known: "."
        // rejected
        {"", ".", std::nullopt},
        {"   ", ".", std::nullopt},
        {"-", ".", std::nullopt},
        {"+", ".", std::nullopt},
        {".", ".", std::nullopt},
        {"012.3.4", ".", std::nullopt},  // a second separator
        {"1.5", ",", std::nullopt},      // the other separator
        {"1,000", ".", std::nullopt},    // no thousands separators
        {"1 000", ".", std::nullopt},
        {"--1", ".", std::nullopt},
        {"+-1", ".", std::nullopt},
        {"1-", ".", std::nullopt},
        {"1e", ".", std::nullopt},
        {"1e+", ".", std::nullopt},
        {"e5", ".", std::nullopt},
        {"0x10", ".", std::nullopt},
        {"INF", ".", std::nullopt},
        {"nan", ".", std::nullopt},
        {"0.L", ".", std::nullopt},      // the overload picture
        {"1e309", ".", std::nullopt},    // beyond the double range
        {"1.5\n", ".", std::nullopt},
    };
    for (const FloatCase& c : cases) {
        SCOPED_TRACE(std::string("text '") + c.text + "' separator '" + c.separator + "'");
        const std::optional<double> got = strToFloat(c.text, c.separator);
        ASSERT_EQ(got.has_value(), c.expected.has_value());
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.expected);
        }
    }
}

TEST(StrToFloat, LongInputsConvertWithoutTruncation)
{
    const std::string longZeros = "0." + std::string(200, '0') + "1";
    const std::optional<double> got = strToFloat(longZeros, ".");
    ASSERT_TRUE(got);
    EXPECT_DOUBLE_EQ(*got, 1e-201);
    EXPECT_FALSE(strToFloat(longZeros + "x", "."));
}

TEST(ConversionMessages, QuoteTheFloatText)
{
    EXPECT_EQ(invalidFloatMessage("0.L"), "'0.L' is not a valid floating point value");
}

}  // namespace
}  // namespace tavolo
