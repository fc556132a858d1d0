#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number conversions of the limit edits, the judgement and the decoder, with the
// user's decimal separator. Pure functions; any thread.
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
//
// Integer (strToInt) accepts [blanks] [+|-] decimal digits, nothing after them,
// within the signed 32-bit range. No hexadecimal, no separators.
namespace tavolo {

std::optional<double> strToFloat(std::string_view text, std::string_view decimalSeparator);
std::optional<std::int32_t> strToInt(std::string_view text);

// The conversion error texts the user sees: "'5-' is not a valid integer value".
std::string invalidFloatMessage(std::string_view text);
std::string invalidIntegerMessage(std::string_view text);

}  // namespace tavolo
