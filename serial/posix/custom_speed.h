#pragma once

#include <cstdint>

namespace tavolo::posix {

// Sets a line speed that has no termios B-code (14400, 56000 bit/s) through the
// kernel's arbitrary-speed interface. Returns 0, or the system's error number.
// Call after tcsetattr, which would put a B-code back.
int setCustomSpeed(int fd, std::uint32_t bitsPerSecond);

// The input speed in bit/s as the kernel holds it, 0 when it cannot be read.
std::uint32_t currentSpeed(int fd);

}  // namespace tavolo::posix
