#include "meter_modes.h"

#include <algorithm>

namespace tavolo::sim {
namespace {

// The battery runs low somewhere in a long run (hours at the meter's pace) and stays low.
constexpr std::uint64_t kBatteryLowEarliest = 2000;
constexpr std::uint64_t kBatteryLowLatest = 40000;

}  // namespace

FrameScript::FrameScript(std::string_view scenario, double noise, std::uint32_t seed)
    : m_sweep(scenario == "sweep"), m_random(scenario == "random"), m_noise(std::clamp(noise, 0.0, 1.0)),
      m_rng(seed)
{
    for (const MeterSetup& setup : meterSetups()) {
        if (m_sweep || m_random || setup.scenario == scenario)
            m_setups.push_back(&setup);
    }
    if (m_setups.empty())
        return;
    m_batteryLowAt = std::uniform_int_distribution<std::uint64_t>(kBatteryLowEarliest, kBatteryLowLatest)(m_rng);
    m_setupIndex = m_random ? std::uniform_int_distribution<std::size_t>(0, m_setups.size() - 1)(m_rng) : 0;
    m_readingsLeft = std::uniform_int_distribution<int>(30, 90)(m_rng);
    m_meter.select(*m_setups[m_setupIndex], m_sweep, m_rng);
}

void FrameScript::turnDial()
{
    if (m_sweep) {
        m_setupIndex = (m_setupIndex + 1) % m_setups.size();
    } else if (m_setups.size() > 1) {
        // Another setup: the dial is turned, or DC/AC is switched.
        const std::size_t other = std::uniform_int_distribution<std::size_t>(1, m_setups.size() - 1)(m_rng);
        m_setupIndex = (m_setupIndex + other) % m_setups.size();
    }
    m_readingsLeft = std::uniform_int_distribution<int>(30, 90)(m_rng);
    m_meter.select(*m_setups[m_setupIndex], m_sweep, m_rng);
}

SimEvent FrameScript::next()
{
    if (m_noise > 0 && std::bernoulli_distribution(m_noise)(m_rng))
        return noiseEvent();
    return readingEvent();
}

SimEvent FrameScript::readingEvent()
{
    if (m_sweep ? m_meter.sweepDone() : (m_setups.size() > 1 && m_readingsLeft-- <= 0))
        turnDial();
    if (++m_readings == m_batteryLowAt)
        m_meter.setBatteryLow();
    const MeterReading r = m_meter.next(m_rng);
    SimEvent event;
    event.isReading = true;
    event.reading = r.reading;
    event.flags = r.flags;
    const auto bytes = encodeFrame(r.frame);
    event.bytes.assign(bytes.begin(), bytes.end());
    return event;
}

SimEvent FrameScript::damagedFrame()
{
    // A digit value no display digit has: the frame passes assembly and fails
    // the number conversion (which an overload would skip).
    MeterFrame frame = m_meter.lastFrame();
    frame.overload = frame.dutyOverload = false;
    const std::size_t at = std::uniform_int_distribution<std::size_t>(0, 4)(m_rng);
    frame.digits[at] = static_cast<char>('A' + std::uniform_int_distribution<int>(0, 5)(m_rng));
    SimEvent event;
    event.note = "damaged frame (digits " + frame.digits + ")";
    const auto bytes = encodeFrame(frame);
    event.bytes.assign(bytes.begin(), bytes.end());
    return event;
}

SimEvent FrameScript::noiseEvent()
{
    SimEvent event;
    switch (std::uniform_int_distribution<int>(0, 2)(m_rng)) {
    case 0: {
        // At most ten bytes between line ends: too short to pass for a frame.
        const int count = std::uniform_int_distribution<int>(1, 10)(m_rng);
        for (int i = 0; i < count; ++i)
            event.bytes.push_back(static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(m_rng)));
        event.bytes.push_back(kCr);
        event.bytes.push_back(kLf);
        event.note = "garbage (" + std::to_string(count) + " bytes)";
        break;
    }
    case 1: {
        const SimEvent whole = damagedFrame();
        const std::size_t kept = std::uniform_int_distribution<std::size_t>(1, 11)(m_rng);
        event.bytes.assign(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(kept));
        event.bytes.push_back(kCr);
        event.bytes.push_back(kLf);
        event.note = "truncated frame (" + std::to_string(kept) + " of 12 payload bytes)";
        break;
    }
    default:
        event = damagedFrame();
        break;
    }
    return event;
}

}  // namespace tavolo::sim
