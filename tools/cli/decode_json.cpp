#include "decode_json.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "decode/lcd_panel_rules.h"

namespace tavolo::cli {
namespace {

void appendNumber(std::string& out, double value)
{
    std::array<char, 32> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), ec == std::errc() ? end : buffer.data());
}

void appendBool(std::string& out, bool value)
{
    out += value ? "true" : "false";
}

// The sorted names of the lit controls among the reset list (points and
// LcdManu included). Names are compared as bytes.
std::vector<std::string_view> litNames(const PanelState& panel)
{
    std::vector<std::string_view> names;
    for (LcdControl c : kResetList)
        if (panel.visible(c))
            names.push_back(lcdControlName(c));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    out += '"';
}

void appendFrameJson(std::string& out, std::string_view frameText, bool accepted, const MeterDecoder& decoder,
                     const ChartRange& range)
{
    out += "{\"frame\":";
    appendJsonString(out, frameText);
    out += ",\"accepted\":";
    appendBool(out, accepted);
    if (!accepted) {
        out += "}\n";
        return;
    }
    const Reading& r = decoder.reading();
    const PanelState& panel = decoder.panel();
    const FrameOutcome& outcome = decoder.lastOutcome();
    out += ",\"error\":";
    if (outcome.error)
        appendJsonString(out, *outcome.error);
    else
        out += "null";
    out += ",\"value\":";
    appendJsonString(out, r.valueText);
    out += ",\"numeric\":";
    appendNumber(out, r.numericValue);
    out += ",\"chart\":";
    appendNumber(out, r.chartValue);
    out += ",\"unit\":";
    appendJsonString(out, r.unitText);
    out += ",\"mode\":";
    appendJsonString(out, r.acDcText);
    out += ",\"range\":";
    appendJsonString(out, r.rangeText);
    out += ",\"judge\":";
    appendJsonString(out, r.judgeText);
    out += ",\"digits\":[";
    for (std::size_t i = 0; i < kDigitLabels.size(); ++i) {
        if (i)
            out += ',';
        appendJsonString(out, panel.digitCaptions[i]);
    }
    out += "],\"shown_digits\":[";
    for (std::size_t i = 0; i < kDigitLabels.size(); ++i) {
        if (i)
            out += ',';
        appendBool(out, panel.visible(kDigitLabels[i]));
    }
    out += "],\"lit\":[";
    bool first = true;
    for (std::string_view name : litNames(panel)) {
        if (!first)
            out += ',';
        first = false;
        appendJsonString(out, name);
    }
    out += "],\"bar\":";
    appendNumber(out, panel.barPosition);
    out += ",\"point_index\":";
    appendNumber(out, outcome.pointIndex);
    out += ",\"mode_change\":";
    appendBool(out, outcome.modeChange);
    out += ",\"vrange\":[";
    appendNumber(out, range.maximum);
    out += ',';
    appendNumber(out, range.minimum);
    out += "],\"conok\":";
    appendBool(out, panel.visible(LcdControl::CONok));
    out += "}\n";
}

}  // namespace tavolo::cli
