#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavolo::feed {

// One decoded reading as the feed takes it from the session: the raw texts in
// the LCD font's coding, copied as they are (short texts, no heap), so the
// caller's cost stays a few copies. The feed thread turns them into Unicode,
// SI values and JSON.
struct FeedReading {
    std::int64_t instantMs = 0;      // receive instant, ms since 1970-01-01 UTC
    std::string function;            // Reading::acDcText: "DC", "AC", "Ohm", ...
    std::string valueText;           // Reading::valueText: "032.10", "0.L"
    std::string unitText;            // Reading::unitText: "mV", "K*", "?"
    std::string rangeText;           // "AUTO" or "MANU"
    std::string judgeText;           // "Pass", "Fail" or ""
    bool recorded = false;           // the record rule made it a table row
    std::optional<std::int32_t> no;  // that row's No
};

// What the status message says besides the state: filled in by the caller,
// any field may be empty (then it is left out).
struct StatusInfo {
    std::string program;  // "tavolo-cli", "tavolo-interface"
    std::string link;     // "serial", "usb", "file"
    std::string port;     // "COM1", "/dev/ttyUSB0", a file name
    std::string hi;       // the limit panel's high limit as typed, when known
    std::string lo;
};

}  // namespace tavolo::feed
