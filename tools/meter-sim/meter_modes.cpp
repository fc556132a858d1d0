#include "meter_modes.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tavolo::sim {
namespace {

// Option 3 rows used: 10 DC+AUTO, 8 DC, 6 AC+AUTO, 4 AC, 2 AUTO, 0 nothing.
constexpr MeterMode kModes[] = {
    // scenario fn range opt duty point unit acdc signed
    {"dcv", 11, 0, 10, false, 0, "V", "DC", true},
    {"dcv", 11, 1, 10, false, 1, "V", "DC", true},
    {"dcv", 11, 2, 10, false, 2, "V", "DC", true},
    {"dcv", 11, 3, 8, false, 3, "V", "DC", true},
    {"acv", 11, 0, 6, false, 0, "V", "AC", false},
    {"acv", 11, 1, 6, false, 1, "V", "AC", false},
    {"acv", 11, 2, 6, false, 2, "V", "AC", false},
    {"acv", 11, 3, 4, false, 3, "V", "AC", false},
    {"mv", 11, 4, 8, false, 2, "mV", "DC", true},
    {"mv", 11, 4, 4, false, 2, "mV", "AC", false},
    {"ohm", 3, 0, 2, false, 2, "*", "Ohm", false},
    {"ohm", 3, 1, 2, false, 0, "K*", "Ohm", false},
    {"ohm", 3, 2, 2, false, 1, "K*", "Ohm", false},
    {"ohm", 3, 3, 2, false, 2, "K*", "Ohm", false},
    {"ohm", 3, 4, 2, false, 0, "M*", "Ohm", false},
    {"ohm", 3, 5, 2, false, 1, "M*", "Ohm", false},
    {"ohm", 3, 6, 0, false, 2, "M*", "Ohm", false},
    {"cont", 5, 0, 0, false, 2, "&  *", "Cont", false},
    {"diode", 1, 0, 0, false, 0, "V)", "Diode", false},
    {"freq", 2, 0, 2, false, 2, "Hz", "Frequency", false},
    {"freq", 2, 1, 2, false, 3, "Hz", "Frequency", false},
    {"freq", 2, 3, 2, false, 1, "kHz", "Frequency", false},
    {"freq", 2, 4, 2, false, 2, "kHz", "Frequency", false},
    {"freq", 2, 5, 2, false, 0, "MHz", "Frequency", false},
    {"freq", 2, 6, 2, false, 1, "MHz", "Frequency", false},
    {"freq", 2, 7, 2, false, 2, "MHz", "Frequency", false},
    {"duty", 2, 0, 0, true, 3, "%", "Duty", false},
    {"cap", 6, 0, 2, false, 1, "nF", "Cap", false},
    {"cap", 6, 1, 2, false, 2, "nF", "Cap", false},
    {"cap", 6, 2, 2, false, 0, "uF", "Cap", false},
    {"cap", 6, 3, 2, false, 1, "uF", "Cap", false},
    {"cap", 6, 4, 2, false, 2, "uF", "Cap", false},
    {"cap", 6, 5, 2, false, 0, "mF", "Cap", false},
    {"cap", 6, 6, 2, false, 1, "mF", "Cap", false},
    {"cap", 6, 7, 0, false, 2, "mF", "Cap", false},
    {"temp", 4, 0, 0, false, -1, "?", "Temperature", true},
    {"ua", 13, 0, 10, false, 2, "uA", "DC", true},
    {"ua", 13, 1, 6, false, 3, "uA", "AC", false},
    {"ma", 15, 0, 10, false, 1, "mA", "DC", true},
    {"ma", 15, 1, 6, false, 2, "mA", "AC", false},
    {"dca", 9, 0, 8, false, 0, "A", "DC", true},
    {"dca", 9, 1, 8, false, 1, "A", "DC", true},
    {"dca", 9, 2, 10, false, 2, "A", "DC", true},
    {"dca", 9, 3, 10, false, 3, "A", "DC", true},
    {"dca", 0, 0, 10, false, 1, "A", "DC", true},
    {"aca", 9, 2, 6, false, 2, "A", "AC", false},
    {"aca", 9, 3, 4, false, 3, "A", "AC", false},
};

constexpr int kFramesPerMode = 3;
constexpr double kOverloadShare = 0.08;
constexpr double kFlagShare = 0.1;
constexpr double kMinusShare = 0.3;

}  // namespace

std::span<const MeterMode> meterModes()
{
    return kModes;
}

std::vector<std::string_view> scenarioNames()
{
    std::vector<std::string_view> names = {"sweep", "random"};
    for (const MeterMode& mode : kModes) {
        if (std::find(names.begin(), names.end(), mode.scenario) == names.end())
            names.push_back(mode.scenario);
    }
    return names;
}

IntendedReading intendedReading(const MeterMode& mode, std::string_view digits, bool minus, bool overload)
{
    auto sep = [&mode](int point) { return mode.point == point ? "." : ""; };
    IntendedReading r;
    r.valueText.assign(minus ? 1 : 0, '-');
    if (overload) {
        r.valueText.append(sep(0)).append("0").append(sep(1)).append("L").append(sep(3));
    } else {
        for (int i = 0; i < 5; ++i) {
            r.valueText += digits[static_cast<std::size_t>(i)];
            if (i < 4)
                r.valueText += sep(i);
        }
    }
    r.unitText = mode.unitText;
    r.acDcText = mode.acDcText;
    r.rangeText = (mode.options & 2) != 0 ? "AUTO" : "MANU";
    return r;
}

FrameScript::FrameScript(std::string_view scenario, double noise, std::uint32_t seed)
    : m_random(scenario == "random"), m_noise(std::clamp(noise, 0.0, 1.0)), m_rng(seed)
{
    for (const MeterMode& mode : kModes) {
        if (scenario == "sweep" || m_random || mode.scenario == scenario)
            m_modes.push_back(&mode);
    }
}

std::string FrameScript::randomDigits()
{
    // The meter counts to 21999 (count class "22").
    char text[8];
    std::snprintf(text, sizeof text, "%05u", std::uniform_int_distribution<unsigned>(0, 21999)(m_rng));
    return text;
}

SimEvent FrameScript::next()
{
    if (m_noise > 0 && std::bernoulli_distribution(m_noise)(m_rng))
        return noiseEvent();
    return frameEvent(false);
}

SimEvent FrameScript::frameEvent(bool damaged)
{
    const MeterMode* mode;
    if (m_random) {
        mode = m_modes[std::uniform_int_distribution<std::size_t>(0, m_modes.size() - 1)(m_rng)];
    } else {
        if (m_framesInMode == kFramesPerMode) {
            m_framesInMode = 0;
            m_modeIndex = (m_modeIndex + 1) % m_modes.size();
        }
        mode = m_modes[m_modeIndex];
        if (!damaged)
            ++m_framesInMode;
    }
    auto chance = [this](double p) { return std::bernoulli_distribution(p)(m_rng); };

    MeterFrame frame;
    frame.function = mode->function;
    frame.range = mode->range;
    frame.options = mode->options;
    frame.duty = mode->duty;
    frame.digits = randomDigits();
    frame.minus = mode->signedValues && chance(kMinusShare);
    const bool overload = !damaged && chance(kOverloadShare);
    // The duty display shows its overload through its own flag.
    (mode->duty ? frame.dutyOverload : frame.overload) = overload;
    frame.hold = chance(kFlagShare);
    frame.relative = chance(kFlagShare);
    frame.battery = chance(kFlagShare);

    SimEvent event;
    if (damaged) {
        // A digit value no display digit has: the frame passes assembly and fails
        // the number conversion.
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, 4)(m_rng);
        frame.digits[at] = static_cast<char>('A' + std::uniform_int_distribution<int>(0, 5)(m_rng));
        event.note = "damaged frame (digits " + frame.digits + ")";
    } else {
        event.isReading = true;
        event.reading = intendedReading(*mode, frame.digits, frame.minus, overload);
        std::string flags;
        for (auto [on, name] : {std::pair{frame.hold, "HOLD"}, {frame.relative, "REL"}, {frame.battery, "BATT"}}) {
            if (on)
                flags.append(flags.empty() ? "" : ",").append(name);
        }
        event.flags = flags.empty() ? "-" : flags;
    }
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
        SimEvent whole = frameEvent(true);
        const std::size_t kept = std::uniform_int_distribution<std::size_t>(1, 11)(m_rng);
        event.bytes.assign(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(kept));
        event.bytes.push_back(kCr);
        event.bytes.push_back(kLf);
        event.note = "truncated frame (" + std::to_string(kept) + " of 12 payload bytes)";
        break;
    }
    default:
        event = frameEvent(true);
        break;
    }
    return event;
}

}  // namespace tavolo::sim
