#include "decode/lcd_panel_rules.h"

namespace tavolo {

void resetPanel(PanelState& panel)
{
    for (LcdControl c : kResetList)
        panel.setVisible(c, false);
}

void blankLeadingZeros(PanelState& panel, const std::array<std::string_view, 5>& digits)
{
    for (LcdControl c : kDigitLabels)
        panel.setVisible(c, true);
    int blankable = 0;  // how many leading digits the lit point lets go dark
    if (panel.visible(LcdControl::LcdP1))
        blankable = 1;
    else if (panel.visible(LcdControl::LcdP2))
        blankable = 2;
    else if (panel.visible(LcdControl::LcdP3))
        blankable = 3;
    for (int i = 0; i < blankable && digits[static_cast<std::size_t>(i)] == "0"; ++i)
        panel.setVisible(kDigitLabels[static_cast<std::size_t>(i)], false);
}

int barPosition(const std::array<std::string_view, 5>& digits, int barFull)
{
    if (digits[1] == "0" && digits[2] == "@")
        return barFull;
    // The decoder has already read these digits as a decimal number, so they
    // are digits; anything else reads as an empty bar.
    int value = 0;
    bool any = false;
    for (std::string_view d : {digits[0], digits[1]}) {
        for (char c : d) {
            if (c < '0' || c > '9')
                return 1;
            value = value * 10 + (c - '0');
            any = true;
        }
    }
    if (!any || value <= 1)
        return 1;
    return value;
}

void flipFrameIndicator(PanelState& panel)
{
    panel.setVisible(LcdControl::CONok, !panel.visible(LcdControl::CONok));
    panel.setVisible(LcdControl::CONokN, !panel.visible(LcdControl::CONokN));
}

}  // namespace tavolo
