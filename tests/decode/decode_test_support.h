#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "decode/lcd_panel_rules.h"
#include "decode/panel_state.h"

namespace tavolo::test {

// The sorted names of the lit controls among the reset list (points and
// LcdManu included), joined by blanks.
inline std::string litNames(const PanelState& panel)
{
    std::vector<std::string> names;
    for (LcdControl c : kResetList)
        if (panel.visible(c))
            names.emplace_back(lcdControlName(c));
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : " ") + n;
    return out;
}

// Which digit labels are shown, as five characters "1"/"0" (LcdD0 first).
inline std::string shownDigits(const PanelState& panel)
{
    std::string out;
    for (LcdControl c : kDigitLabels)
        out += panel.visible(c) ? '1' : '0';
    return out;
}

inline std::string captions(const PanelState& panel)
{
    std::string out;
    for (const std::string& d : panel.digitCaptions)
        out += "[" + d + "]";
    return out;
}

}  // namespace tavolo::test
