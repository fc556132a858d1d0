#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text conversions between the reading table and its CSV file. The table
// holds 8-bit texts: the LCD font's coding for the value and unit ("*" for the
// ohm sign, "&  *" for continuity), bytes beyond ASCII as Latin-1 characters.
// The CSV file is UTF-8 and shows value and unit the way the display does
// (decode/si_units.h); reading it maps them back so that a reopened row shows
// and saves exactly as the original. Pure functions; any thread.
namespace tavolo {

// Appends an 8-bit table text as UTF-8 (each byte its Latin-1 character).
void appendLatin1AsUtf8(std::string_view text, std::string& out);

// UTF-8 to an 8-bit table text. False for broken UTF-8 or a character beyond
// U+00FF, which the table cannot hold; `out` is then unspecified.
bool utf8ToLatin1(std::string_view utf8, std::string& out);

// The display column back to the LCD coding, undoing lcdDisplayUtf8: "Ω" (or the
// ohm sign U+2126) → "*", "µ" (or Greek mu) → "+", "•)))" → "&", "°C" → "?",
// "▶|" → ")", "kΩ" → "K*"; U+FFFD, which stands for a control character no display
// holds, → the control character SUB (0x1A), which is saved as U+FFFD again; other characters up to U+00FF as their Latin-1 byte. The
// words the display spells out ("L", "HOLD", "BAT") stay as they are, as the
// decoder writes them. False as for utf8ToLatin1.
bool codedDisplayText(std::string_view unicode, std::string& out);

// The unit column back to the decoder's unit text, undoing unicodeUnitText:
// "µA"/"µF" → "uA"/"uF", "•)))Ω" → "&  *" (continuity, with the display's
// spacing), otherwise as codedDisplayText. Exact for every unit the decoder gives.
bool codedUnitText(std::string_view unicode, std::string& out);

// NVal as the decoder computes it for a coded value text: the digits with the
// decimal separator left out, and the sign ("-01.234" → -1234). Empty for an
// overload ("0.L", whose NVal is the count class's full scale, which the value
// text does not tell), an empty text, or anything else that is not a number.
std::optional<std::int32_t> countFromValueText(std::string_view codedValue);

}  // namespace tavolo
