#pragma once

#include <QString>

#include <string>
#include <string_view>

// The one crossing between the core's 8-bit texts and Qt strings. Every file of
// app/ converts through these, so the rule is written once:
//
//  - Texts in the LCD font's coding (a reading's value, unit, DC/AC, judge and
//    range texts, and the table cells made from them) hold one glyph per byte:
//    byte n is character U+00nn (Latin-1). Their glyphs for the display ("K*" ->
//    "kΩ") come from lcdDisplayText / unicodeUnitText, never from here.
//  - Every other text (messages, file and device paths, limit and edit texts,
//    the USB link's logs) is UTF-8 both ways; on this system the local 8-bit
//    coding of file names is UTF-8 as well.
//
// GUI-independent: any thread.
namespace tavolo {

// A message, path or edit text from the core (UTF-8).
QString fromCoreText(std::string_view text);
// A text for the core (UTF-8): edits, paths chosen in dialogs.
std::string toCoreText(const QString& text);

// A text in the LCD coding, one character per byte.
QString fromLcdCoded(std::string_view coded);
QChar fromLcdCoded(char coded);

}  // namespace tavolo
