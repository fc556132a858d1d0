#include "decode/panel_state.h"

namespace tavolo {

PanelState::PanelState()
    : digitCaptions{"2", "2", "0", "0", "0"}
{
    // Until the first frame the panel reads 22000; everything else is dark and
    // the frame indicator shows its "no frame" picture.
    for (LcdControl c : {LcdControl::LcdD0, LcdControl::LcdDa, LcdControl::LcdDb, LcdControl::LcdDc,
                         LcdControl::LcdDd, LcdControl::CONokN})
        setVisible(c, true);
}

std::string_view lcdControlName(LcdControl c)
{
    static constexpr std::string_view kNames[kLcdControlCount] = {
        "LcdFH",   "LcdD0",   "LcdDa",    "LcdDb",    "LcdDc",   "LcdDd",   "LcdP0",   "LcdP1",
        "LcdP2",   "LcdP3",   "LcdAC",    "LcdDc1",   "LcdAuto", "LcdManu", "LCDHold", "LCDBATT",
        "LCDREL",  "LCDsend", "LcdV",     "LCDA",     "LCDF",    "LCDHz",   "LCDohm",  "LCDk",
        "LCDM1",   "Lcdm",    "LCDu",     "LCDn",     "LCDBF",   "LCDDI",   "LCDFm",   "LCDFS",
        "LCDRS",   "LCD232C", "LCDRec",   "LCDpower", "LCDTRMST", "LCDTRMS", "LcdACDC", "Labmax",
        "Labmin",  "LcdRPM",  "LCDBT",    "LCDCS",    "EF",      "CONok",   "CONokN",
    };
    const auto i = static_cast<std::size_t>(c);
    return i < kLcdControlCount ? kNames[i] : std::string_view{};
}

}  // namespace tavolo
