#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "decode/decoder_host.h"
#include "decode/frame_layout.h"
#include "decode/limit_panel.h"
#include "decode/panel_state.h"
#include "decode/reading.h"

namespace tavolo {

struct FunctionRow;
struct DutyRow;

// What one decoding did, beyond the Reading and the panel.
struct FrameOutcome {
    bool completed = false;            // all steps ran (no conversion error)
    std::optional<std::string> error;  // the conversion error that stopped the frame
    bool modeChange = false;           // step 22 saw a new (unit, point, mode)
    int pointIndex = 0;                // 0..3: the rightmost lit decimal point
};

// LcdDisplayVexa: turns one frame text into the Reading and the LCD panel, in
// a fixed sequence of steps where later steps read what earlier ones left on
// the panel. The steps that belong to the chart, the recording, the USB link
// and the screen go through DecoderHost.
//
// A character that does not convert (a range code "A", a digit "C", a missing
// option position) stops the frame at that step: earlier steps stay done,
// nothing is judged or recorded, DecoderHost::conversionError is called once,
// and the next frame decodes normally.
//
// Holds references to state owned by MeterDecoder; all of it must outlive the
// decoder. One thread only. Decoding allocates nothing beyond short strings.
class ReadingDecoder {
public:
    ReadingDecoder(PanelState& panel, LimitPanel& limits, Reading& reading, DecoderHost& host);

    const FrameOutcome& LcdDisplayVexa(std::string_view frameText);

    const FrameOutcome& lastOutcome() const { return m_outcome; }
    // The time stamp that the recall clock gave the last reading (step 24).
    const ClockTime& recordTime() const { return m_recordTime; }

private:
    using Digits = std::array<std::string_view, frame::kDigitCount>;

    bool buildFrameBits(std::string_view frameText);
    bool flag(std::size_t k) const { return m_bits[k - 1] == '1'; }
    bool applyFunction(std::string_view frameText);
    bool applyOptions(std::string_view frameText);
    void applyRange(const FunctionRow& function, int range);
    void setUnit(const FunctionRow& function, std::string_view unitText);
    void applyDuty(const DutyRow& duty);
    bool computeNumericValue();
    void applyPointsAndScale();
    void buildValueText();
    int pointIndexNow() const;
    bool fail(std::string message);

    void show(LcdControl c) { m_panel.setVisible(c, true); }
    void hide(LcdControl c) { m_panel.setVisible(c, false); }
    bool lit(LcdControl c) const { return m_panel.visible(c); }

    PanelState& m_panel;
    LimitPanel& m_limits;
    Reading& m_reading;
    DecoderHost& m_host;

    // Working values of one decoding.
    std::array<char, frame::kBitsLength> m_bits{};
    Digits m_digits{};
    std::string_view m_sign;
    std::array<bool, 4> m_separatorAt{};
    int m_rangeCode = 0;
    int m_functionPointIndex = 0;

    FrameOutcome m_outcome;
    ClockTime m_recordTime;
};

}  // namespace tavolo
