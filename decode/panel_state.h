#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavolo {

// Every control of the LCD picture that the decoder shows, hides or captions,
// named as on the main window. The panel widget draws this state and nothing else.
enum class LcdControl : std::uint8_t {
    // digits, sign and decimal points
    LcdFH, LcdD0, LcdDa, LcdDb, LcdDc, LcdDd, LcdP0, LcdP1, LcdP2, LcdP3,
    // annunciators
    LcdAC, LcdDc1, LcdAuto, LcdManu, LCDHold, LCDBATT, LCDREL, LCDsend, LcdV, LCDA, LCDF, LCDHz,
    LCDohm, LCDk, LCDM1, Lcdm, LCDu, LCDn, LCDBF, LCDDI, LCDFm, LCDFS,
    // controls of the panel that no frame lights (some are in the reset list)
    LCDRS, LCD232C, LCDRec, LCDpower, LCDTRMST, LCDTRMS, LcdACDC, Labmax, Labmin, LcdRPM, LCDBT,
    LCDCS, EF,
    // the frame indicator beside the limit panel
    CONok, CONokN,
    Count
};

inline constexpr std::size_t kLcdControlCount = static_cast<std::size_t>(LcdControl::Count);

// The panel's visible state: which controls are shown, the five digit captions,
// the bar graph and the hidden diagnostic label USBtxt.
struct PanelState {
    PanelState();

    bool visible(LcdControl c) const { return m_visible[static_cast<std::size_t>(c)]; }
    void setVisible(LcdControl c, bool on) { m_visible[static_cast<std::size_t>(c)] = on; }

    // Captions of LcdD0, LcdDa, LcdDb, LcdDc, LcdDd (index 0..4): one character
    // of the LCD coding, or empty. They start "2", "2", "0", "0", "0".
    std::array<std::string, 5> digitCaptions;

    int barPosition = 20;   // PBar2 position; above barMaximum draws a full bar
    int barMaximum = 40;    // PBar2 maximum: 40 as designed, 22 after start-up for count class "22"
    std::string usbText = "6001";  // caption of the hidden label USBtxt

private:
    std::bitset<kLcdControlCount> m_visible;
};

// The control's name as on the window ("LcdD0", "LCDHold", ...).
std::string_view lcdControlName(LcdControl c);

}  // namespace tavolo
