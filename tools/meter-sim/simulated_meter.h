#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "frame_encoder.h"
#include "meter_setups.h"

namespace tavolo::sim {

// One reading of the simulated meter: the frame it sends and what the program
// must show for it.
struct MeterReading {
    MeterFrame frame;
    IntendedReading reading;
    std::string flags;  // "HOLD,REL,BATT" subset, "-" when none
};

// The meter measuring on one setup after another, one reading at a time (the
// meter sends about two a second). On a setup it measures a source that
// drifts slowly, with a few counts of reading noise, now and then replaced by
// another one (a new contact; open leads where the meter shows that as an
// overload). Auto-ranging goes up as soon as a value no longer fits and down
// one range per reading once it uses less than a tenth of the range. HOLD
// freezes the display now and then; REL, where it makes sense, shows the
// difference from the value held on a locked range.
//
// Draws only from the generator passed in, so a seed repeats a run. One thread.
class SimulatedMeter {
public:
    // The dial is turned to `setup`, which must outlive its use. `sweep`:
    // instead of random contacts the source steps through each range, up and
    // back down, without REL or open leads.
    void select(const MeterSetup& setup, bool sweep, std::mt19937& rng);
    // A sweep has shown every step.
    bool sweepDone() const { return m_sweep && m_step >= m_sweepTargets.size() && m_sourceLeft <= 0; }

    MeterReading next(std::mt19937& rng);

    // The frame last sent (a default frame before the first reading).
    const MeterFrame& lastFrame() const { return m_last.frame; }

    // From now on the low-battery sign shows.
    void setBatteryLow() { m_batteryLow = true; }

private:
    void newSource(std::mt19937& rng);
    double drawValue(std::mt19937& rng) const;
    void wander(std::mt19937& rng);
    bool settled() const;
    void restartRanging();
    MeterReading show(std::mt19937& rng);
    MeterReading held() const;
    std::string flagsOf(const MeterFrame& frame) const;

    const MeterSetup* m_setup = nullptr;
    bool m_sweep = false;
    std::vector<double> m_sweepTargets;
    std::size_t m_step = 0;  // sweep steps started

    double m_value = 0;   // what the meter measures, base unit
    double m_target = 0;  // where the source is, base unit
    double m_settle = 1;  // share of the way to the target covered per reading
    int m_sourceLeft = 0; // readings until the next contact or sweep step
    bool m_open = false;
    std::size_t m_range = 0;

    int m_holdLeft = 0;
    int m_relLeft = 0;
    double m_relReference = 0;

    bool m_batteryLow = false;
    bool m_shown = false;     // a reading was shown on this setup
    double m_shownValue = 0;  // its value, base unit
    MeterReading m_last;
};

}  // namespace tavolo::sim
