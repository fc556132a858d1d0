#include "simulated_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "decode/frame_layout.h"

namespace tavolo::sim {
namespace {

// Below this many counts the meter moves one range down (a tenth of the next
// range's full scale, with some room against flapping).
constexpr double kDownRangeCounts = 2000;
constexpr int kSweepReadingsPerStep = 3;
constexpr double kHoldChance = 1.0 / 120;  // per reading: about once a minute
constexpr double kRelChance = 1.0 / 200;
constexpr double kNegativeShare = 0.25;    // sources of reversed polarity
constexpr double kWander = 3e-4;           // relative drift of a source per reading

bool chance(std::mt19937& rng, double p)
{
    return std::bernoulli_distribution(p)(rng);
}

int between(std::mt19937& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

double logUniform(std::mt19937& rng, double low, double high)
{
    return std::exp(std::uniform_real_distribution<double>(std::log(low), std::log(high))(rng));
}

}  // namespace

void SimulatedMeter::select(const MeterSetup& setup, bool sweep, std::mt19937& rng)
{
    m_setup = &setup;
    m_sweep = sweep;
    m_step = 0;
    m_sweepTargets.clear();
    m_holdLeft = 0;
    m_relLeft = 0;
    m_shown = false;
    m_open = false;
    m_range = 0;
    if (sweep) {
        // The middle of every range, lowest first, then back down; a setup with
        // one range shows three different sources.
        const std::size_t n = setup.ranges.size();
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < n; ++i)
            order.push_back(i);
        for (std::size_t i = n - 1; i-- > 0;)
            order.push_back(i);
        for (std::size_t i : order) {
            const double fullScale = kMaxCounts * setup.ranges[i].countValue;
            const double low = std::max(fullScale / 9, setup.lowest);
            const double high = std::min(fullScale * 0.8, setup.highest);
            m_sweepTargets.push_back(n > 1 && low < high ? logUniform(rng, low, high) : drawValue(rng));
        }
        while (m_sweepTargets.size() < 3)
            m_sweepTargets.push_back(drawValue(rng));
    }
    newSource(rng);
}

double SimulatedMeter::drawValue(std::mt19937& rng) const
{
    if (m_setup->linear)
        return std::uniform_real_distribution<double>(m_setup->lowest, m_setup->highest)(rng);
    const double magnitude = logUniform(rng, m_setup->lowest, m_setup->highest);
    return m_setup->negative && !m_sweep && chance(rng, kNegativeShare) ? -magnitude : magnitude;
}

void SimulatedMeter::newSource(std::mt19937& rng)
{
    const bool wasOpen = m_open;
    if (m_sweep) {
        m_open = false;
        m_target = m_sweepTargets[std::min(m_step++, m_sweepTargets.size() - 1)];
        m_settle = 1;
        m_sourceLeft = kSweepReadingsPerStep;
    } else {
        m_open = chance(rng, m_setup->openShare);
        if (!m_open)
            m_target = drawValue(rng);
        m_settle = std::uniform_real_distribution<double>(0.5, 1.0)(rng);
        m_sourceLeft = between(rng, 10, 40);
    }
    // A first contact, or one after open leads, shows its value at once.
    if (!m_open && (!m_shown || wasOpen)) {
        m_value = m_target;
        restartRanging();
    }
}

void SimulatedMeter::wander(std::mt19937& rng)
{
    const double step = std::normal_distribution<double>(0, kWander)(rng);
    if (m_setup->linear) {
        m_target = std::clamp(m_target + step * (m_setup->highest - m_setup->lowest), m_setup->lowest,
                              m_setup->highest);
    } else {
        const double magnitude = std::clamp(std::abs(m_target) * std::exp(step), m_setup->lowest, m_setup->highest);
        m_target = std::copysign(magnitude, m_target);
    }
    m_value += (m_target - m_value) * m_settle;
}

bool SimulatedMeter::settled() const
{
    // REL is pressed on a steady reading, not while it still moves to a new value.
    return std::abs(m_target - m_value) <= 1e-3 * std::abs(m_target);
}

void SimulatedMeter::restartRanging()
{
    m_range = 0;
    if (!m_setup->autoRange)
        return;
    while (m_range + 1 < m_setup->ranges.size() &&
           std::abs(m_value) / m_setup->ranges[m_range].countValue > kMaxCounts)
        ++m_range;
}

MeterReading SimulatedMeter::next(std::mt19937& rng)
{
    if (m_holdLeft > 0) {
        --m_holdLeft;
        return held();
    }
    if (m_shown && chance(rng, kHoldChance)) {
        m_holdLeft = between(rng, 3, 11);
        return held();
    }
    return show(rng);
}

MeterReading SimulatedMeter::held() const
{
    MeterReading r = m_last;
    r.frame.hold = true;
    r.frame.battery = m_batteryLow;
    r.flags = flagsOf(r.frame);
    return r;
}

MeterReading SimulatedMeter::show(std::mt19937& rng)
{
    const MeterSetup& setup = *m_setup;
    // REL holds the source where it is; it is released into auto-ranging again.
    if (m_relLeft > 0) {
        if (--m_relLeft == 0)
            restartRanging();
    } else if (m_sourceLeft <= 0) {
        newSource(rng);
    } else if (!m_sweep && setup.relative && !m_open && m_shown && settled() && chance(rng, kRelChance)) {
        m_relLeft = between(rng, 10, 40);
        m_relReference = m_shownValue;
    }
    const bool relative = m_relLeft > 0;
    if (!relative)
        --m_sourceLeft;
    wander(rng);

    double measured = m_value - (relative ? m_relReference : 0);
    measured += std::normal_distribution<double>(0, setup.noiseCounts)(rng) * setup.ranges[m_range].countValue;
    if (!setup.negative && !relative)
        measured = std::max(measured, 0.0);  // an AC, frequency or resistance reading is never below zero
    if (m_open && setup.autoRange) {
        m_range = setup.ranges.size() - 1;
    } else if (setup.autoRange && !relative) {
        while (m_range + 1 < setup.ranges.size() &&
               std::abs(measured) / setup.ranges[m_range].countValue > kMaxCounts)
            ++m_range;
        if (m_range > 0 && std::abs(measured) / setup.ranges[m_range].countValue < kDownRangeCounts)
            --m_range;
    }
    const MeterRange& range = setup.ranges[m_range];
    const long counts = std::lround(measured / range.countValue);
    const bool overload = m_open || std::labs(counts) > kMaxCounts;

    MeterReading r;
    MeterFrame& f = r.frame;
    f.function = setup.function;
    f.range = range.code;
    const bool automatic = setup.autoRange && !relative;
    f.options = static_cast<std::uint8_t>(setup.coupling | (automatic ? frame::option3::kAuto : 0));
    f.duty = setup.duty;
    char digits[24];
    std::snprintf(digits, sizeof digits, "%05ld", overload ? 0L : std::labs(counts));
    f.digits = digits;
    f.minus = !overload && counts < 0;
    (setup.duty ? f.dutyOverload : f.overload) = overload;
    f.relative = relative;
    f.battery = m_batteryLow;
    r.reading = intendedReading(setup, range, automatic, f.digits, f.minus, overload);
    r.flags = flagsOf(f);

    m_shown = true;
    m_shownValue = overload ? m_shownValue : static_cast<double>(counts) * range.countValue;
    m_last = r;
    return r;
}

std::string SimulatedMeter::flagsOf(const MeterFrame& f) const
{
    std::string flags;
    for (auto [on, name] : {std::pair{f.hold, "HOLD"}, {f.relative, "REL"}, {f.battery, "BATT"}}) {
        if (on)
            flags.append(flags.empty() ? "" : ",").append(name);
    }
    return flags.empty() ? "-" : flags;
}

}  // namespace tavolo::sim
