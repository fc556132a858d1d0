#pragma once

#include <string>

namespace tavolo {

// The decoded state of the last complete frame, as the meter's LCD shows it.
// All texts are 8-bit strings in the LCD font's coding: "*" is the ohm sign,
// "+" micro, "&" continuity, "?" temperature, ")" diode (see lcd_glyphs in app/).
struct Reading {
    std::string valueText;      // "032.10", "-01.234", "0.L"; leading zeros kept
    double numericValue = 0;    // signed count without decimal point; +/- full scale on overload
    double chartValue = 0;      // numericValue scaled by the lit point; kept when no point is lit
    std::string unitText;       // "V", "mV", "*", "K*", "&  *", "?", "V)", "%", ... or empty
    std::string acDcText;       // "AC", "DC", "Frequency", "Duty", "duty", "Ohm", ... or empty
    std::string rangeText;      // "AUTO" or "MANU"
    std::string judgeText;      // "Pass" or "Fail"; empty until the first judgement
};

// A time of day, the part of a reading's time stamp that the table stores.
struct ClockTime {
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
    friend bool operator==(const ClockTime&, const ClockTime&) = default;
};

}  // namespace tavolo
