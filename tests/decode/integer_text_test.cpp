#include "decode/integer_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tavolo {
namespace {

constexpr std::nullopt_t no = std::nullopt;

// Every text the decoder, the recording controls and the data files were
// tested with, and what each form makes of it: Plain (files), Signed
// (recording and chart edits), Padded (frame characters, alarm edits).
TEST(IntegerText, EachFormTakesExactlyItsTexts)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> plain, signedForm, padded;
    };
    const Case cases[] = {
        {"0", 0, 0, 0},
        {"-01234", -1234, -1234, -1234},
        {"-0", 0, 0, 0},
        {"00000000000000000000042", 42, 42, 42},
        {"2147483647", 2147483647, 2147483647, 2147483647},
        {"-2147483648", INT32_MIN, INT32_MIN, INT32_MIN},
        {"+5", no, 5, 5},                 // a file's "+3" in No is refused
        {"  7", no, no, 7},               // leading blanks only where the frame and alarm edits allow them
        {"\t9", no, no, 9},
        {" -3", no, no, -3},
        {"2147483648", no, no, no},
        {"-2147483649", no, no, no},
        {"99999999999", no, no, no},
        {"99999999999999999999", no, no, no},
        {"", no, no, no},
        {"-", no, no, no},
        {"+", no, no, no},
        {"+-", no, no, no},
        {"+-5", no, no, no},              // two signs are no number
        {"-+1", no, no, no},
        {"++1", no, no, no},
        {"- 3", no, no, no},
        {"5-", no, no, no},
        {"7 ", no, no, no},               // trailing blanks never
        {"1.0", no, no, no},
        {"1e3", no, no, no},
        {"1a", no, no, no},
        {"A", no, no, no},                // a range character "A"
        {"0x1F", no, no, no},
        {"$1F", no, no, no},
        {"\xEF\xBC\x91", no, no, no},     // a full-width digit one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text '") + c.text + "'");
        EXPECT_EQ(parseInteger(c.text, IntegerForm::Plain), c.plain);
        EXPECT_EQ(parseInteger(c.text, IntegerForm::Signed), c.signedForm);
        EXPECT_EQ(parseInteger(c.text, IntegerForm::Padded), c.padded);
    }
}

TEST(IntegerText, MessageQuotesTheText)
{
    EXPECT_EQ(invalidIntegerMessage("5-"), "'5-' is not a valid integer value");
}

}  // namespace
}  // namespace tavolo
