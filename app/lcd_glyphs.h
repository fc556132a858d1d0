#pragma once

#include <QFont>
#include <QPointF>
#include <QString>

#include <string_view>

class QPainter;

// The LCD coding: the characters the meter's display texts are made of (unit
// texts, annunciators, digit captions) and what each one shows on screen.
// One place maps them so "*" never appears where Ω is meant:
//
//   "0".."9"  digits                "@"  the L of the overload picture ("0L")
//   "-"       minus                 "*"  ohm, Ω           "+"  micro, µ
//   "&"       continuity, •)))      "?"  temperature, °C  ")"  diode, ▶|
//   '"'       HOLD                  "$"  battery, BAT     "%"  percent
//   "K"       kilo, k               other letters and blanks as they are
//
// Pure functions of their arguments; any thread (fonts: GUI thread only).
namespace tavolo {

// The coded text as plain text for the grid, the report and captions.
// "K*" → "kΩ", "&  *" → "•)))Ω", "V)" → "V▶|", "?" → "°C", "0@" → "0L".
// Blanks around a symbol are the display's spacing and are dropped; a run of
// blanks between two letters or digits becomes one blank ("Auto range").
QString lcdDisplayText(std::string_view coded);

// The plain text of one character of the coding (see the table above).
QString lcdGlyphText(char coded);

// True for the characters drawn in the seven-segment font: digits, "-", "@".
bool isSegmentGlyph(char coded);

// The seven-segment face for digits at the given pixel height (DSEG7 Classic,
// from fonts-dseg; a monospace face when it is missing).
QFont lcdFont(int pixelHeight);

// The face for letters and symbols at the given pixel height: Liberation Sans
// (metric-compatible with Arial), falling back to DejaVu Sans for glyphs it lacks.
QFont lcdSymbolFont(int pixelHeight, bool bold = false);

// Draws a coded annunciator text with its top-left corner at `topLeft`, letters
// `pixelHeight` tall. Battery, diode and continuity are drawn as pictures at that
// height (no font has them all); the rest as text. Returns the width used.
qreal drawLcdText(QPainter& painter, QPointF topLeft, std::string_view coded, int pixelHeight,
                  bool bold = false);

}  // namespace tavolo
