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

inline constexpr std::uint8_t kEndByte = 0x0D;  // CR: ends a frame wherever it occurs
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

// The flag bits: 48 characters, four per position 2..13, most significant
// bit first. Character k (1-based) is bit 3 - (k-1)%4 of position 2 + (k-1)/4.
inline constexpr std::size_t kBitsFirstPos = 2;
inline constexpr std::size_t kBitsLastPos = 13;
inline constexpr std::size_t kBitsLength = 4 * (kBitsLastPos - kBitsFirstPos + 1);

inline constexpr std::size_t kBitDuty = 29;
inline constexpr std::size_t kBitMinus = 30;
inline constexpr std::size_t kBitBattery = 31;
inline constexpr std::size_t kBitOverload = 32;
inline constexpr std::size_t kBitRelative = 35;
inline constexpr std::size_t kBitDutyOverload = 37;
inline constexpr std::size_t kBitDc = 41;
inline constexpr std::size_t kBitAc = 42;
inline constexpr std::size_t kBitAuto = 43;
inline constexpr std::size_t kBitHold = 47;

// Upper-case hexadecimal digit of a byte's low four bits.
constexpr char lowHexDigit(std::uint8_t byte)
{
    return "0123456789ABCDEF"[byte & 0x0F];
}

}  // namespace tavolo::frame
