#include "frame_encoder.h"

namespace tavolo::sim {
namespace {

// Payload bytes are "0".."?": never CR, which would end the frame early.
std::uint8_t nibble(unsigned value)
{
    return static_cast<std::uint8_t>(0x30 | (value & 0x0F));
}

// "0".."9" are 0..9 and "A".."F" 10..15, as the frame text writes them.
unsigned digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned>(c - 'A' + 10);
    return static_cast<unsigned char>(c) & 0x0Fu;
}

}  // namespace

std::array<std::uint8_t, kWireFrameSize> encodeFrame(const MeterFrame& frame)
{
    std::array<std::uint8_t, kWireFrameSize> bytes{};
    bytes[0] = nibble(frame.range);
    for (std::size_t i = 0; i < 5; ++i) {
        const char c = i < frame.digits.size() ? frame.digits[i] : '0';
        bytes[1 + i] = nibble(digitValue(c));
    }
    bytes[6] = nibble(frame.function);
    bytes[7] = nibble((frame.duty ? 8u : 0u) | (frame.minus ? 4u : 0u) | (frame.battery ? 2u : 0u) |
                      (frame.overload ? 1u : 0u));
    bytes[8] = nibble(frame.relative ? 2u : 0u);
    bytes[9] = nibble(frame.dutyOverload ? 8u : 0u);
    bytes[10] = nibble(frame.options);
    bytes[11] = nibble(frame.hold ? 2u : 0u);
    bytes[12] = kCr;
    bytes[13] = kLf;
    return bytes;
}

}  // namespace tavolo::sim
