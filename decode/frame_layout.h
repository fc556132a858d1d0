#pragma once

#include <cstddef>
#include <cstdint>

// Layout of the meter's frame and of the frame text built from it.
//
// On the wire (default profile), 14 bytes, one 4-bit value in the low bits of
// each payload byte (the high bits are not interpreted):
//
//   +-------+---------+----------+--------+---------+---------+---------+---------+----+----+
//   | range | 5 digits| function | status | option1 | option2 | option3 | option4 | CR | LF |
//   +-------+---------+----------+--------+---------+---------+---------+---------+----+----+
//      1       2..6        7         8        9        10        11        12      13   14
//
// The frame text holds one upper-case hexadecimal character per byte (its low
// digit). Position 1 is the LF that ended the previous frame ("A"), positions
// 2..13 are payload bytes 1..12, position 14 is the CR ("D"). Positions count
// from 1, as every rule of the decoder states them.
namespace tavolo::frame {

inline constexpr std::uint8_t kEndByte = 0x0D;   // CR: ends a frame wherever it occurs
inline constexpr std::uint8_t kLineFeed = 0x0A;  // follows the CR
inline constexpr char kLeadChar = 'A';          // low digit of the LF before a frame
inline constexpr char kEndChar = 'D';           // low digit of the CR

inline constexpr std::size_t kVexaTextLength = 14;    // LF + 12 payload + CR
inline constexpr std::size_t kHKorinTextLength = 11;  // 9 payload + "DA"
inline constexpr std::size_t kHKorinPayload = 9;
// Only this many characters of a pending frame can ever reach a frame text,
// so the assembler keeps no more.
inline constexpr std::size_t kKeptChars = kVexaTextLength;

// 1-based positions in the frame text.
inline constexpr std::size_t kPosRange = 2;
inline constexpr std::size_t kPosFirstDigit = 3;  // five digits, 3..7
inline constexpr std::size_t kDigitCount = 5;
inline constexpr std::size_t kPosFunction = 8;
inline constexpr std::size_t kPosStatus = 9;
inline constexpr std::size_t kPosOption1 = 10;
inline constexpr std::size_t kPosOption2 = 11;
inline constexpr std::size_t kPosOption3 = 12;  // its whole value selects the option row
inline constexpr std::size_t kPosOption4 = 13;

// --- What the values mean

// Function codes (position 8). 7, 8, 10, 12 and 14 light nothing.
namespace function {
inline constexpr std::uint8_t kAmps = 0;         // the 22 A input, one range
inline constexpr std::uint8_t kDiode = 1;
inline constexpr std::uint8_t kFrequency = 2;    // with the status duty flag: duty cycle
inline constexpr std::uint8_t kOhms = 3;
inline constexpr std::uint8_t kTemperature = 4;
inline constexpr std::uint8_t kContinuity = 5;
inline constexpr std::uint8_t kCapacitance = 6;
inline constexpr std::uint8_t kAmpsRanged = 9;   // four ranges, 2.2 A to 2200 A
inline constexpr std::uint8_t kVolts = 11;       // four V ranges and one mV range
inline constexpr std::uint8_t kMicroAmps = 13;
inline constexpr std::uint8_t kMilliAmps = 15;
inline constexpr std::uint8_t kCodeCount = 16;   // a 4-bit value
}  // namespace function

// Range codes (position 2), by function; each name is the range's full scale
// as the meter's 22000 counts show it (k2V2: 2.2000 V). Diode, continuity and
// temperature have one range and do not read the code: the meter sends kOnly.
namespace range {
inline constexpr std::uint8_t kOnly = 0;
namespace amps {
inline constexpr std::uint8_t k22A = 0;
}
namespace ampsRanged {
inline constexpr std::uint8_t k2A2 = 0;
inline constexpr std::uint8_t k22A = 1;
inline constexpr std::uint8_t k220A = 2;
inline constexpr std::uint8_t k2200A = 3;
}  // namespace ampsRanged
namespace volts {
inline constexpr std::uint8_t k2V2 = 0;
inline constexpr std::uint8_t k22V = 1;
inline constexpr std::uint8_t k220V = 2;
inline constexpr std::uint8_t k2200V = 3;
inline constexpr std::uint8_t k220mV = 4;
}  // namespace volts
namespace microAmps {
inline constexpr std::uint8_t k220uA = 0;
inline constexpr std::uint8_t k2200uA = 1;
}  // namespace microAmps
namespace milliAmps {
inline constexpr std::uint8_t k22mA = 0;
inline constexpr std::uint8_t k220mA = 1;
}  // namespace milliAmps
namespace ohms {
inline constexpr std::uint8_t k220Ohm = 0;
inline constexpr std::uint8_t k2k2Ohm = 1;
inline constexpr std::uint8_t k22kOhm = 2;
inline constexpr std::uint8_t k220kOhm = 3;
inline constexpr std::uint8_t k2M2Ohm = 4;
inline constexpr std::uint8_t k22MOhm = 5;
inline constexpr std::uint8_t k220MOhm = 6;
}  // namespace ohms
namespace frequency {  // code 2 has no row
inline constexpr std::uint8_t k220Hz = 0;
inline constexpr std::uint8_t k2200Hz = 1;
inline constexpr std::uint8_t k22kHz = 3;
inline constexpr std::uint8_t k220kHz = 4;
inline constexpr std::uint8_t k2M2Hz = 5;
inline constexpr std::uint8_t k22MHz = 6;
inline constexpr std::uint8_t k220MHz = 7;
}  // namespace frequency
namespace capacitance {
inline constexpr std::uint8_t k22nF = 0;
inline constexpr std::uint8_t k220nF = 1;
inline constexpr std::uint8_t k2u2F = 2;
inline constexpr std::uint8_t k22uF = 3;
inline constexpr std::uint8_t k220uF = 4;
inline constexpr std::uint8_t k2m2F = 5;
inline constexpr std::uint8_t k22mF = 6;
inline constexpr std::uint8_t k220mF = 7;
}  // namespace capacitance
}  // namespace range

// Flag bits, as weights within their position's 4-bit value.
namespace status {  // position 9
inline constexpr std::uint8_t kDuty = 8;
inline constexpr std::uint8_t kMinus = 4;
inline constexpr std::uint8_t kBattery = 2;
inline constexpr std::uint8_t kOverload = 1;
}  // namespace status
namespace option1 {  // position 10
inline constexpr std::uint8_t kRelative = 2;
}
namespace option2 {  // position 11
inline constexpr std::uint8_t kDutyOverload = 8;
}
namespace option3 {  // position 12; its whole value also selects a row of the option table
inline constexpr std::uint8_t kDc = 8;
inline constexpr std::uint8_t kAc = 4;
inline constexpr std::uint8_t kAuto = 2;
// The whole values whose rows do more than the bits say.
inline constexpr std::uint8_t kAcFrequency = kAc | kAuto | 1;  // frequency: Hz on P2 whatever the function
inline constexpr std::uint8_t kDcDuty = kDc | 1;               // duty cycle: % without a point
inline constexpr std::uint8_t kDcFrequency = kDc | kAuto | 1;  // frequency by the range code
}  // namespace option3
namespace option4 {  // position 13
inline constexpr std::uint8_t kHold = 2;
}

// The flag bits as the decoder reads them: 48 characters "0"/"1", four per
// position 2..13, most significant bit first. Character k (1-based) is bit
// 3 - (k-1)%4 of position 2 + (k-1)/4.
inline constexpr std::size_t kBitsFirstPos = 2;
inline constexpr std::size_t kBitsLastPos = 13;
inline constexpr std::size_t kBitsLength = 4 * (kBitsLastPos - kBitsFirstPos + 1);

// The 1-based character of a flag of weight `weight` (8, 4, 2 or 1) at `pos`.
constexpr std::size_t bitChar(std::size_t pos, std::uint8_t weight)
{
    const std::size_t fromTop = weight == 8 ? 0 : weight == 4 ? 1 : weight == 2 ? 2 : 3;
    return 4 * (pos - kBitsFirstPos) + fromTop + 1;
}

inline constexpr std::size_t kBitDuty = bitChar(kPosStatus, status::kDuty);
inline constexpr std::size_t kBitMinus = bitChar(kPosStatus, status::kMinus);
inline constexpr std::size_t kBitBattery = bitChar(kPosStatus, status::kBattery);
inline constexpr std::size_t kBitOverload = bitChar(kPosStatus, status::kOverload);
inline constexpr std::size_t kBitRelative = bitChar(kPosOption1, option1::kRelative);
inline constexpr std::size_t kBitDutyOverload = bitChar(kPosOption2, option2::kDutyOverload);
inline constexpr std::size_t kBitDc = bitChar(kPosOption3, option3::kDc);
inline constexpr std::size_t kBitAc = bitChar(kPosOption3, option3::kAc);
inline constexpr std::size_t kBitAuto = bitChar(kPosOption3, option3::kAuto);
inline constexpr std::size_t kBitHold = bitChar(kPosOption4, option4::kHold);
static_assert(kBitDuty == 29 && kBitOverload == 32 && kBitRelative == 35 && kBitDutyOverload == 37 &&
              kBitDc == 41 && kBitAuto == 43 && kBitHold == 47);

// Upper-case hexadecimal digit of a byte's low four bits.
constexpr char lowHexDigit(std::uint8_t byte)
{
    return "0123456789ABCDEF"[byte & 0x0F];
}

// The value of a frame text character "0".."9", "A".."F" (lowHexDigit's inverse).
constexpr unsigned hexDigitValue(char c)
{
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned>(c - 'A' + 10);
    return static_cast<unsigned char>(c) & 0x0Fu;  // "0".."9" are 0x30..0x39
}

// The byte the meter sends for a 4-bit value: "0".."?" (0x30..0x3F), never a CR.
constexpr std::uint8_t payloadByte(unsigned value)
{
    return static_cast<std::uint8_t>(0x30 | (value & 0x0F));
}

}  // namespace tavolo::frame
