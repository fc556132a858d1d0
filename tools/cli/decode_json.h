#pragma once

#include <string>
#include <string_view>

#include "decode/meter_decoder.h"

// One line of `tavolo-cli decode` output per frame end, as JSON.
namespace tavolo::cli {

struct ChartRange {
    double maximum = 0;
    double minimum = 0;
};

// Appends the line (with its newline) for a frame end to `out`. For a dropped
// frame only "frame" and "accepted"; otherwise the whole state after the frame.
void appendFrameJson(std::string& out, std::string_view frameText, bool accepted, const MeterDecoder& decoder,
                     const ChartRange& range);

// A JSON string literal; bytes outside printable ASCII are written as \u00XX
// (the texts are 8-bit).
void appendJsonString(std::string& out, std::string_view text);

}  // namespace tavolo::cli
