#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "serial/serial_device.h"

namespace tavolo::posix {

// What one set of line settings asks of a terminal, worked out without touching
// any device, so that the translation can be checked where no real port exists
// (a pseudo-terminal keeps neither parity nor character size).
struct TerminalSettings {
    termios flags{};               // for tcsetattr
    std::uint32_t customSpeed = 0;  // bit/s for the arbitrary-speed interface; 0 when `flags` carry the speed
    int modemLinesOn = 0;          // TIOCM_DTR / TIOCM_RTS bits to assert
    int modemLinesOff = 0;         // and to clear; RTS is in neither under RTS/CTS handshaking
};

// The termios speed code of `bitsPerSecond`; nothing for 14400 and 56000 bit/s.
std::optional<speed_t> speedCode(std::uint32_t bitsPerSecond);

// The terminal state for `settings`, starting from `current` (the terminal's
// present state: what the settings do not decide is kept). Raw mode, receiver on,
// modem status lines ignored; with parity, received characters are checked and
// those with a parity or framing error dropped, as are breaks. One and a half
// stop bits do not exist here and become two.
TerminalSettings terminalSettings(const LineSettings& settings, const termios& current);

}  // namespace tavolo::posix
