#include "frame_encoder.h"

namespace tavolo::sim {

std::array<std::uint8_t, kWireFrameSize> encodeFrame(const MeterFrame& f)
{
    using frame::payloadByte;
    auto bit = [](bool on, std::uint8_t weight) { return on ? weight : 0u; };
    std::array<std::uint8_t, kWireFrameSize> bytes{};
    bytes[0] = payloadByte(f.range);
    for (std::size_t i = 0; i < frame::kDigitCount; ++i)
        bytes[1 + i] = payloadByte(frame::hexDigitValue(i < f.digits.size() ? f.digits[i] : '0'));
    bytes[6] = payloadByte(f.function);
    bytes[7] = payloadByte(bit(f.duty, frame::status::kDuty) | bit(f.minus, frame::status::kMinus) |
                           bit(f.battery, frame::status::kBattery) | bit(f.overload, frame::status::kOverload));
    bytes[8] = payloadByte(bit(f.relative, frame::option1::kRelative));
    bytes[9] = payloadByte(bit(f.dutyOverload, frame::option2::kDutyOverload));
    bytes[10] = payloadByte(f.options);
    bytes[11] = payloadByte(bit(f.hold, frame::option4::kHold));
    bytes[12] = kCr;
    bytes[13] = kLf;
    return bytes;
}

}  // namespace tavolo::sim
