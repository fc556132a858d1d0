#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/frame_layout.h"

namespace tavolo::sim {

// One snapshot of the meter's LCD as it goes on the wire: 12 payload bytes, each
// carrying a 4-bit value in its low bits (sent as "0".."?", 0x30..0x3F, as the
// meter does), then CR and LF. The codes and flags are those of
// decode/frame_layout.h.
struct MeterFrame {
    std::uint8_t range = 0;                            // range code 0..9
    std::string digits = "00000";                      // five characters "0".."9", leftmost first
    std::uint8_t function = frame::function::kVolts;   // function code 0..15
    bool duty = false;                                 // status
    bool minus = false;
    bool battery = false;
    bool overload = false;
    bool relative = false;                             // option 1
    bool dutyOverload = false;                         // option 2
    std::uint8_t options = 0;                          // option 3 whole value: its bits and table row
    bool hold = false;                                 // option 4
};

inline constexpr std::size_t kWireFrameSize = 14;
inline constexpr std::uint8_t kCr = frame::kEndByte;
inline constexpr std::uint8_t kLf = frame::kLineFeed;

// The frame's 14 bytes. Digits "A".."F" are sent as the values 10..15, which no
// display digit has: that is how a damaged frame is made.
std::array<std::uint8_t, kWireFrameSize> encodeFrame(const MeterFrame& frame);

}  // namespace tavolo::sim
