#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "decode/panel_state.h"

// The decoder's function table (its step 8) as data: for every function code
// the indicators it lights, what each range code lights and names, the mode
// text and what the duty flag does. Constant tables; any thread.
namespace tavolo {

// One range code of a function.
struct RangeRow {
    std::uint8_t code;                 // range code (frame::range::...)
    std::uint8_t point;                // decimal point lit: 0 = P0 .. 3 = P3
    std::optional<LcdControl> prefix;  // LCDk, LCDM1, Lcdm, LCDu, LCDn, or none
    std::string_view unitText;
};

// What the duty flag does after the range row: show LCDBF, hide `hidden`,
// UnitText "%", the mode text, P0..P2 dark and P3 as `point3`.
struct DutyRow {
    std::array<std::optional<LcdControl>, 4> hidden;
    std::string_view acDcText;
    bool point3;
};

struct FunctionRow {
    std::array<std::optional<LcdControl>, 3> shown{};  // lit whatever the range
    // Either one unit for every range code (diode, temperature, continuity),
    // or rows by range code; a code without a row sets no point and no unit.
    std::string_view unitText{};
    std::span<const RangeRow> ranges{};
    std::string_view acDcText{};       // set with the unit; empty: left as it is
    std::uint8_t pointIndex = 0;       // before the lit points are looked at (step 21)
    const DutyRow* duty = nullptr;     // none: the duty flag does nothing here

    const RangeRow* range(int code) const
    {
        for (const RangeRow& r : ranges)
            if (r.code == code)
                return &r;
        return nullptr;
    }
};

// The row of a function code 0..15; codes without a function give an empty row.
const FunctionRow& functionRow(unsigned code);

}  // namespace tavolo
