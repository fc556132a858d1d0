#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tavolo::sim {

// One snapshot of the meter's LCD as it goes on the wire: 12 payload bytes, each
// carrying a 4-bit value in its low bits (sent as "0".."?", 0x30..0x3F, as the
// meter does), then CR and LF.
//
//   byte  1      2..6        7         8       9        10       11       12      13  14
//       range  five digits  function  status  option1  option2  option3  option4  CR  LF
struct MeterFrame {
    std::uint8_t range = 0;           // range code 0..9
    std::string digits = "00000";     // five characters "0".."9", leftmost first
    std::uint8_t function = 11;       // function code 0..15
    bool duty = false;                // status 8
    bool minus = false;               // status 4
    bool battery = false;             // status 2
    bool overload = false;            // status 1
    bool relative = false;            // option 1, value 2
    bool dutyOverload = false;        // option 2, value 8
    std::uint8_t options = 0;         // option 3 whole value: DC 8, AC 4, AUTO 2 (and its table row)
    bool hold = false;                // option 4, value 2
};

inline constexpr std::size_t kWireFrameSize = 14;
inline constexpr std::uint8_t kCr = 0x0D;
inline constexpr std::uint8_t kLf = 0x0A;

// The frame's 14 bytes. Digits "A".."F" are sent as the values 10..15, which no
// display digit has: that is how a damaged frame is made.
std::array<std::uint8_t, kWireFrameSize> encodeFrame(const MeterFrame& frame);

}  // namespace tavolo::sim
