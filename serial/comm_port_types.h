#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavolo {

// The serial driver's enumerations. Their ordinals are part of the meaning:
// the port number is "COM" + (ordinal + 1), data bits are ordinal + 5, and the
// stop-bit and parity ordinals are the platform codes of serial_device.h.

enum class TComPortNumber : std::uint8_t { pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6 };

enum class TComPortBaudRate : std::uint8_t {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400, br56000,
    br57600, br115200
};

enum class TComPortDataBits : std::uint8_t { db5BITS, db6BITS, db7BITS, db8BITS };

enum class TComPortStopBits : std::uint8_t { sb1BITS, sb1HALFBITS, sb2BITS };

enum class TComPortParity : std::uint8_t { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };

enum class TComPortHwHandshaking : std::uint8_t { hhNONE, hhRTSCTS };

enum class TComPortSwHandshaking : std::uint8_t { shNONE, shXONXOFF };

// Bits per second of each TComPortBaudRate, by ordinal.
inline constexpr std::array<std::uint32_t, 13> kComPortBaudRates = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};

constexpr std::uint32_t baudRateBitsPerSecond(TComPortBaudRate rate)
{
    return kComPortBaudRates[static_cast<std::size_t>(rate)];
}

constexpr int dataBitsCount(TComPortDataBits bits) { return static_cast<int>(bits) + 5; }

// "COM1" .. "COM6".
inline std::string comPortName(TComPortNumber port)
{
    return std::string("COM") + static_cast<char>('1' + static_cast<int>(port));
}

}  // namespace tavolo
