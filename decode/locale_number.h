#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number conversions of the limit edits and the judgement, with the user's
// decimal separator (whole numbers: decode/integer_text.h). Pure functions; any
// thread.
//
// Floating point (strToFloat) accepts exactly:
//   [blanks] [+|-] digits [SEP [digits]] [(e|E) [+|-] digits] [blanks]
//   [blanks] [+|-] SEP digits [(e|E) [+|-] digits] [blanks]
// where blanks are spaces and tabs, SEP is the decimal separator text (an
// empty separator means "."), and at least one mantissa digit is present.
// Rejected: an empty or blank text, a second separator ("1.2.3"), any other
// separator (no thousands separators: "1,000" fails under "."), a sign alone,
// an exponent without digits, hexadecimal, "INF"/"NAN", and magnitudes the
// double range cannot hold (overflow, or a non-zero value that rounds to zero).
namespace tavolo {

std::optional<double> strToFloat(std::string_view text, std::string_view decimalSeparator);

// The conversion error text the user sees: "'0.L' is not a valid floating point value".
std::string invalidFloatMessage(std::string_view text);

}  // namespace tavolo
