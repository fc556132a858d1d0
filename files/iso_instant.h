#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Receive instants as ISO 8601 text for the CSV file: local time of day with
// milliseconds and the UTC offset in force at that instant,
// "2026-12-10T13:52:04.123+01:00". The offset comes from the C library's time
// zone (TZ, /etc/localtime) for each instant on its own, so a recording across a
// change to or from summer time shows both offsets. Any thread, but a change of
// TZ takes effect only after tzset().
namespace tavolo {

// Room for the longest text formatLocalInstant writes (a year of 64-bit
// milliseconds has nine digits: "-YYYYYYYYY-MM-DDThh:mm:ss.fff+hh:mm").
inline constexpr std::size_t kIsoInstantMaxSize = 40;

// Writes the instant (milliseconds since 1970-01-01 UTC) into `out`; returns the
// number of characters. Years outside 0000..9999 take ISO 8601's expanded form,
// a sign and six or more digits ("+010000-01-01T..."). An offset that is not a whole number of minutes (the
// local mean times before standard zones) cannot be written as +hh:mm: such an
// instant is written in UTC with "+00:00", which names the same instant.
std::size_t formatLocalInstant(std::int64_t instantMs, char (&out)[kIsoInstantMaxSize]);

// Reads "YYYY-MM-DDThh:mm:ss[.f...]" (or a year "+YYYYYY" / "-YYYYYY") followed by "Z" or an offset "+hh:mm",
// "-hh:mm", "+hhmm" or "+hh" (any offset up to 23:59); "t" or a space may stand
// for "T". Fractions beyond milliseconds are dropped. Empty for anything else,
// including dates and times that do not exist (month 13, February 30, 24:00)
// and instants in the years ±999999 themselves (written elsewhere, they would
// need a seventh year digit).
std::optional<std::int64_t> parseIsoInstant(std::string_view text);

}  // namespace tavolo
