#pragma once

#include <array>
#include <string_view>

#include "decode/panel_state.h"

// The LCD panel's own rules: the reset list, leading-zero blanking, the bar
// graph and the frame indicator. Pure functions over PanelState; the decoder
// calls them at its steps 5, 12, 27 and 28.
namespace tavolo {

// Hidden at the start of every decoding, in this order; the digit labels are
// not touched. These, the four points and LcdManu are the panel's "lit" set.
inline constexpr std::array kResetList = {
    LcdControl::LcdDc1,  LcdControl::LcdV,    LcdControl::LcdAC,   LcdControl::LCDHold, LcdControl::LCDHz,
    LcdControl::LCDBF,   LcdControl::LCDDI,   LcdControl::LCDFm,   LcdControl::LCDCS,   LcdControl::LCDFS,
    LcdControl::LCDREL,  LcdControl::LCDBATT, LcdControl::LCDn,    LcdControl::LCDohm,  LcdControl::LcdFH,
    LcdControl::LcdAuto, LcdControl::Labmax,  LcdControl::Labmin,  LcdControl::LcdRPM,  LcdControl::LCDBT,
    LcdControl::LCDk,    LcdControl::LCDM1,   LcdControl::LCDu,    LcdControl::Lcdm,    LcdControl::LCDF,
    LcdControl::LCDA,    LcdControl::EF,      LcdControl::LCDsend, LcdControl::LcdP0,   LcdControl::LcdP1,
    LcdControl::LcdP2,   LcdControl::LcdP3,   LcdControl::LcdManu,
};

inline constexpr std::array kDigitLabels = {LcdControl::LcdD0, LcdControl::LcdDa, LcdControl::LcdDb,
                                            LcdControl::LcdDc, LcdControl::LcdDd};
inline constexpr std::array kPoints = {LcdControl::LcdP0, LcdControl::LcdP1, LcdControl::LcdP2,
                                       LcdControl::LcdP3};

// The overload picture's digits: the panel reads "OL" ("@" is the font's L).
inline constexpr std::array<std::string_view, 5> kOverloadDigits = {"", "0", "@", "", ""};

void resetPanel(PanelState& panel);

// Shows the five digit labels, then hides leading zeros by the point lit now:
// P1 hides d0; P2 d0 then d1; P3 d0, d1, then d2; each only after the one
// before was hidden. P0 or no point hides nothing.
void blankLeadingZeros(PanelState& panel, const std::array<std::string_view, 5>& digits);

// Bar graph position: `barFull` for an overload ("0@" as d1 d2), else the
// number written by d0 d1, at least 1.
int barPosition(const std::array<std::string_view, 5>& digits, int barFull);

// CONok and CONokN each switch visibility, so they alternate with every frame.
void flipFrameIndicator(PanelState& panel);

}  // namespace tavolo
