#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Whole-number texts of the core: the decoder's frame characters, the limit
// panel's alarm edits, the recording and chart edits and the numbers in the
// data files. Pure functions; any thread.
namespace tavolo {

// What may stand before the decimal digits. Every form wants at least one
// digit and nothing after the digits (no trailing blanks, separators,
// exponents or hexadecimal), within the signed 32-bit range.
enum class IntegerForm {
    Plain,   // [-] digits: the numbers the program writes into its files
    Signed,  // [+|-] digits: the recording controls' and the chart's edits
    Padded,  // [blanks] [+|-] digits, blanks being spaces and tabs: frame characters, the alarm edits
};

std::optional<std::int32_t> parseInteger(std::string_view text, IntegerForm form);

// The conversion error text the user sees: "'5-' is not a valid integer value".
std::string invalidIntegerMessage(std::string_view text);

}  // namespace tavolo
