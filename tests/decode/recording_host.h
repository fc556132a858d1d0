#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "decode/decoder_host.h"
#include "decode/frame_layout.h"

namespace tavolo::test {

// A DecoderHost that writes down every call, in order, as short texts.
class RecordingHost : public DecoderHost {
public:
    std::string symbol = ".";
    std::vector<std::string> calls;
    std::vector<std::string> errors;
    std::vector<Reading> recorded;
    int beeps = 0;
    double chartMax = 22000;
    double chartMin = -22000;

    std::string decimalSymbol() override { return symbol; }
    void setChartMaximum(double v) override { chartMax = v; calls.push_back("max"); }
    void setChartMinimum(double v) override { chartMin = v; calls.push_back("min"); }
    void beep() override { ++beeps; calls.push_back("beep"); }
    void modeChanged(bool restart) override { calls.push_back(restart ? "mode+new" : "mode"); }
    void recordReading(const Reading& r) override { recorded.push_back(r); calls.push_back("record"); }
    void conversionError(std::string_view m) override { errors.emplace_back(m); calls.push_back("error"); }
    void frameEnded(std::string_view text, bool accepted) override
    {
        calls.push_back(std::string(accepted ? "end " : "drop ") + std::string(text));
    }
};

// The bytes the meter sends for frame text positions 2..13 (`payload`, 12
// hexadecimal characters): LF, one payload byte per character, CR.
inline std::vector<std::uint8_t> wireFrame(std::string_view payload)
{
    std::vector<std::uint8_t> bytes{frame::kLineFeed};
    for (char c : payload)
        bytes.push_back(frame::payloadByte(frame::hexDigitValue(c)));
    bytes.push_back(frame::kEndByte);
    return bytes;
}

}  // namespace tavolo::test
