#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame_encoder.h"

namespace tavolo::sim {

// One measuring function in one range, as the meter's frame codes it and as the
// program must show it. `point` is the lit decimal point (0 = after the first
// digit .. 3 = after the fourth, -1 none).
struct MeterMode {
    std::string_view scenario;  // "dcv", "acv", "mv", "dca", "aca", "ua", "ma", "ohm", "cont", "diode",
                                // "freq", "duty", "cap", "temp"
    std::uint8_t function;
    std::uint8_t range;
    std::uint8_t options;       // option 3 value: its DC/AC/AUTO bits and table row
    bool duty;                  // status duty flag
    int point;
    std::string_view unitText;  // in the LCD font's coding: "*" ohm, "&  *" continuity, "?" degrees
    std::string_view acDcText;
    bool signedValues;          // the meter shows negative values in this mode
};

// Every mode the simulator can send, in sweep order.
std::span<const MeterMode> meterModes();

// The scenario names, "sweep" and "random" first.
std::vector<std::string_view> scenarioNames();

// What the program should show for a frame, with "." as the decimal separator.
struct IntendedReading {
    std::string valueText;  // "032.10", "-01.234", "0.L"
    std::string unitText;
    std::string acDcText;
    std::string rangeText;  // "AUTO" or "MANU"
    friend bool operator==(const IntendedReading&, const IntendedReading&) = default;
};

// The reading a frame of `mode` with these digits and flags shows.
IntendedReading intendedReading(const MeterMode& mode, std::string_view digits, bool minus, bool overload);

// One step of the simulated stream: a frame the program should decode, or noise
// that must not produce a reading.
struct SimEvent {
    std::vector<std::uint8_t> bytes;
    bool isReading = false;
    IntendedReading reading;  // for a reading
    std::string flags;        // "HOLD,REL,BATT" subset, "-" when none
    std::string note;         // for noise: what it is
};

// Produces the stream of a scenario, repeatably for a seed.
class FrameScript {
public:
    // `scenario`: one of scenarioNames(). `noise`: share of events that are noise (0..1).
    FrameScript(std::string_view scenario, double noise, std::uint32_t seed);

    bool valid() const { return !m_modes.empty(); }

    // The next event. Noise never needs a following frame to be dropped: it ends
    // with CR LF itself, so the next frame arrives whole.
    SimEvent next();

private:
    SimEvent frameEvent(bool damaged);
    SimEvent noiseEvent();
    std::string randomDigits();

    std::vector<const MeterMode*> m_modes;
    bool m_random = false;
    double m_noise;
    std::mt19937 m_rng;
    std::size_t m_modeIndex = 0;
    int m_framesInMode = 0;
};

}  // namespace tavolo::sim
