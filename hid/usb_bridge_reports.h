#pragma once

// The reports of the "USB to Serial" bridge cable.
//
// Line-settings feature report, sent at every click of the USB button:
//
//   byte  0     1    2    3    4     5     6..9
//        +----+----+----+----+----+------+------+
//        | ID |  19200, 32-bit LE  | 0x03 | 0x00 |
//        +----+----+----+----+----+------+------+
//
// Input report, as the controller hands it over (ReportID, then Size bytes Data):
//
//   Data[0] low nibble n: 1..9 = data report carrying n meter bytes in Data[1..n];
//                         0, 10..15 = idle report (the cable is alive, the meter silent).
//   Data[0] high nibble and anything after the meter bytes are ignored.
//   A report with Size 0 is neither data nor idle.

#include <array>
#include <cstdint>
#include <string_view>

namespace tavolo {

inline constexpr std::string_view kBridgeProductText = "USB to Serial";

inline constexpr std::array<std::uint8_t, 10> kLineSettingsReport = {0x00, 0x00, 0x4B, 0x00, 0x00,
                                                                     0x03, 0x00, 0x00, 0x00, 0x00};

inline constexpr unsigned kMaxMeterBytesPerReport = 9;

enum class BridgeReportKind { Empty, Idle, Data };

struct BridgeReport {
    BridgeReportKind kind = BridgeReportKind::Empty;
    unsigned meterBytes = 0;  // Data: how many of Data[1..] are meter bytes and present
};

// Classifies a report; a data report whose count exceeds the bytes present keeps
// only those present.
constexpr BridgeReport classifyBridgeReport(const std::uint8_t* data, std::uint16_t size)
{
    if (size == 0)
        return {};
    const unsigned n = data[0] & 0x0Fu;
    if (n == 0 || n > kMaxMeterBytesPerReport)
        return {BridgeReportKind::Idle, 0};
    const unsigned present = size - 1u;
    return {BridgeReportKind::Data, n < present ? n : present};
}

}  // namespace tavolo
