#pragma once

#include <optional>
#include <string>
#include <string_view>

// A reading as other programs want it: the unit in Unicode instead of the LCD
// font's coding, and the value as a number in SI units. Used wherever readings
// leave the program as data (the session store, CSV, the live feed), so every
// one of them says the same thing. Pure functions; any thread.
//
// Unit texts the decoder gives and what they become:
//
//   coded   unicodeUnitText   SI unit   factor
//   "V"     "V"               "V"       1
//   "mV"    "mV"              "V"       1e-3
//   "A" "mA" "uA"  "A" "mA" "µA"   "A"  1, 1e-3, 1e-6
//   "Hz" "kHz" "MHz"               "Hz" 1, 1e3, 1e6
//   "nF" "uF" "mF" "nF" "µF" "mF"  "F"  1e-9, 1e-6, 1e-3
//   "*" "K*" "M*"  "Ω" "kΩ" "MΩ"   "Ω"  1, 1e3, 1e6
//   "&  *"  "•)))Ω" (continuity)   "Ω"  1
//   "V)"    "V▶|"  (diode)         "V"  1
//   "?"     "°C"                   "°C" 1
//   "%"     "%"                    "%"  1
//
// Any other unit text (a file may hold anything) has no SI unit and no value.
namespace tavolo {

// One character of the LCD coding as Unicode text (UTF-8): "*" → "Ω", "+" → "µ",
// "&" → "•)))", "?" → "°C", ")" → "▶|", '"' → "HOLD", "$" → "BAT", "@" → "L",
// "K" → "k"; a control character → U+FFFD; anything else as it is.
std::string lcdGlyphUtf8(char coded);

// A coded display text as plain Unicode text, the way the screen shows it:
// "K*" → "kΩ", "&  *" → "•)))Ω", "V)" → "V▶|", "?" → "°C", "0@" → "0L". Blanks
// around a symbol are the display's spacing and are dropped; a run of blanks
// between two letters or digits becomes one blank ("Auto range").
std::string lcdDisplayUtf8(std::string_view coded);

// A unit text as the meter's display shows it, in Unicode: lcdDisplayUtf8, and
// the decoder's "u" prefix (drawn as the micro sign on the LCD) as "µ": "uA" → "µA".
std::string unicodeUnitText(std::string_view codedUnit);

struct SiValue {
    // The value in `unit`; empty for an overload ("0L"), a blank display, a
    // text that is no number, or a unit without an SI unit.
    std::optional<double> value;
    // "V", "A", "Ω", "Hz", "F", "°C" or "%" (UTF-8); empty when the unit is unknown.
    std::string_view unit;
};

// The reading's value text ("032.10", "-01.234", "0.L"; the decimal separator
// may be any one non-digit text, as the locale gave it) and coded unit in SI.
// The result is the nearest double to the exact decimal (032.10 mV → 0.0321).
SiValue siValue(std::string_view valueText, std::string_view codedUnit);

// A number as a plain decimal text: no exponent, the fewest digits that read
// back as the same double ("0.0321", "-12", "0.0000000012", "22000").
std::string plainDecimal(double value);

}  // namespace tavolo
