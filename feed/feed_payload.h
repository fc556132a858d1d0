#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "feed/feed_reading.h"

// The JSON texts the feed publishes. Pure functions; any thread.
//
// PREFIX/reading, one object per reading (one line, UTF-8):
//   {"seq":12,"time":"2026-03-01T09:30:00.125Z","function":"DC","display":"-01.234",
//    "unit":"mV","value":-0.001234,"si_unit":"V","range":"AUTO","judge":"Pass",
//    "recorded":true,"no":7}
// "value" is null for an overload or a text that is no number; "no" is null
// when the reading was not recorded.
//
// PREFIX/status, retained:
//   {"state":"online","program":"tavolo-cli","version":"4.02","link":"serial",
//    "port":"COM1","hi":"22000","lo":"-22000","dropped":0}
//   {"state":"offline"}   (the last will, and a clean stop)
namespace tavolo::feed {

// Appends a JSON string literal. `text` is UTF-8: '"', '\\' and control
// characters are escaped; a byte that does not start or continue a valid
// UTF-8 sequence is taken as Latin-1 and written as its character.
void appendJsonString(std::string& out, std::string_view text);

// "YYYY-MM-DDTHH:MM:SS.mmmZ" for milliseconds since 1970-01-01 UTC.
std::string isoUtcMillis(std::int64_t instantMs);

// The message of one reading, numbered `seq`.
std::string readingPayload(std::uint64_t seq, const FeedReading& reading);

// The retained online status.
std::string onlinePayload(const StatusInfo& info, std::string_view version, std::uint64_t dropped);
// The retained offline status (also the last will).
std::string offlinePayload();

}  // namespace tavolo::feed
