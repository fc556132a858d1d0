#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "meter_setups.h"
#include "simulated_meter.h"

namespace tavolo::sim {

// One step of the simulated stream: a frame the program should decode, or noise
// that must not produce a reading.
struct SimEvent {
    std::vector<std::uint8_t> bytes;
    bool isReading = false;
    IntendedReading reading;  // for a reading
    std::string flags;        // "HOLD,REL,BATT" subset, "-" when none
    std::string note;         // for noise: what it is
};

// Produces the stream of a scenario, repeatably for a seed: "sweep" turns the
// dial through every setup and sweeps each one's ranges, "random" turns it to
// a random setup every half minute or so, and a setup's scenario name stays
// there (switching between DC and AC where the scenario has both).
class FrameScript {
public:
    // `scenario`: one of scenarioNames(). `noise`: share of events that are noise (0..1).
    FrameScript(std::string_view scenario, double noise, std::uint32_t seed);

    bool valid() const { return !m_setups.empty(); }

    // The next event. Noise never needs a following frame to be dropped: it ends
    // with CR LF itself, so the next frame arrives whole.
    SimEvent next();

private:
    SimEvent readingEvent();
    SimEvent noiseEvent();
    SimEvent damagedFrame();
    void turnDial();

    std::vector<const MeterSetup*> m_setups;
    bool m_sweep = false;
    bool m_random = false;
    double m_noise;
    std::mt19937 m_rng;
    SimulatedMeter m_meter;
    std::size_t m_setupIndex = 0;
    int m_readingsLeft = 0;  // on this setup, before the dial is turned (not for a sweep)
    std::uint64_t m_readings = 0;
    std::uint64_t m_batteryLowAt = 0;
};

}  // namespace tavolo::sim
