// Long runs of every simulator scenario through the real decoder: each reading
// must be one that a meter of this kind shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "decode/meter_decoder.h"
#include "meter_modes.h"

namespace tavolo {
namespace {

struct Unit {
    const char* base;  // "V", "A", "ohm", "Hz", "F", "%", "degC"
    double factor;     // of the prefix
};

const std::map<std::string, Unit> kUnits = {
    {"V", {"V", 1}},       {"mV", {"V", 1e-3}},  {"V)", {"V", 1}},      {"A", {"A", 1}},
    {"mA", {"A", 1e-3}},   {"uA", {"A", 1e-6}},  {"*", {"ohm", 1}},     {"K*", {"ohm", 1e3}},
    {"M*", {"ohm", 1e6}},  {"&  *", {"ohm", 1}}, {"Hz", {"Hz", 1}},     {"kHz", {"Hz", 1e3}},
    {"MHz", {"Hz", 1e6}},  {"nF", {"F", 1e-9}},  {"uF", {"F", 1e-6}},   {"mF", {"F", 1e-3}},
    {"%", {"%", 1}},       {"?", {"degC", 1}},
};

// What a handheld meter of 22000 counts shows, by mode and quantity: the
// inputs' ratings (1000 V DC, 750 V AC, 20 A) and the ends of the top ranges.
struct Span {
    double low, high;
};
const std::map<std::string, Span> kSpans = {
    {"DC V", {-1000, 1000}},       {"AC V", {0, 750}},         {"DC A", {-20, 20}},
    {"AC A", {0, 20}},             {"Ohm ohm", {0, 220e6}},    {"Cont ohm", {0, 220}},
    {"Diode V", {0, 2.2}},         {"Frequency Hz", {0, 220e6}}, {"Duty %", {0, 100}},
    {"Cap F", {0, 220e-3}},        {"Temperature degC", {-50, 1000}},
};

// One count of the lowest range an auto-ranging function has, by unit shown.
const std::map<std::string, double> kLowestCount = {
    {"V", 1e-4},   {"A", 1e-4},   {"mA", 1e-6},  {"uA", 1e-8},  {"*", 1e-2},   {"K*", 1e-2},  {"M*", 1e-2},
    {"Hz", 1e-2},  {"kHz", 1e-2}, {"MHz", 1e-2}, {"nF", 1e-12}, {"uF", 1e-12}, {"mF", 1e-12},
};

constexpr long kDownRangeCounts = 2000;  // below a tenth of full scale a range is too coarse

// A decoded reading in numbers.
struct Shown {
    sim::IntendedReading text;
    std::string key;  // mode and quantity: "DC V"
    bool overload, hold, relative, battery, minus;
    long counts;       // the five digits
    double count;      // what one count is worth, base unit
    double value;      // base unit
    int bar;
};

Shown shownBy(const MeterDecoder& decoder)
{
    const Reading& r = decoder.reading();
    const PanelState& panel = decoder.panel();
    Shown s{};
    s.text = {r.valueText, r.unitText, r.acDcText, r.rangeText};
    const auto unit = kUnits.find(r.unitText);
    s.key = r.acDcText + " " + (unit == kUnits.end() ? "?" + r.unitText : unit->second.base);
    s.overload = r.valueText.find('L') != std::string::npos;
    s.hold = panel.visible(LcdControl::LCDHold);
    s.relative = panel.visible(LcdControl::LCDREL);
    s.battery = panel.visible(LcdControl::LCDBATT);
    s.minus = panel.visible(LcdControl::LcdFH);
    s.counts = std::labs(static_cast<long>(r.numericValue));
    // P0 leaves four digits after the point, P3 one; temperature counts tenths.
    s.count = std::pow(10.0, decoder.lastOutcome().pointIndex - 4) * (unit == kUnits.end() ? 1 : unit->second.factor);
    s.value = r.numericValue * s.count;
    s.bar = panel.barPosition;
    return s;
}

bool oneOf(const std::string& text, std::initializer_list<const char*> set)
{
    for (const char* s : set)
        if (text == s)
            return true;
    return false;
}

// What the run broke, as "reading N: ..." lines.
class Judge {
public:
    void reading(std::size_t n, const Shown& s, const sim::IntendedReading& meant)
    {
        m_n = n;
        if (s.text != meant)
            fault("decoded " + s.text.valueText + " " + s.text.unitText + ", meant " + meant.valueText + " " +
                  meant.unitText);
        const auto span = kSpans.find(s.key);
        if (span == kSpans.end())
            fault("no meter shows mode and unit " + s.key);
        if (!s.overload && span != kSpans.end()) {
            const double low = s.relative ? -span->second.high : span->second.low;
            if (s.value < low || s.value > span->second.high || s.counts > 21999)
                fault(s.text.valueText + " " + s.text.unitText + " is beyond " + s.key);
        }
        if (s.overload && !oneOf(s.text.acDcText, {"Ohm", "Cont", "Diode", "Temperature", "Duty"}))
            fault("overload in " + s.key);
        if (s.minus && !s.relative && !oneOf(s.text.acDcText, {"DC", "Temperature"}))
            fault("negative " + s.key);
        if (s.relative && (!oneOf(s.text.acDcText, {"DC", "Ohm", "Cap"}) || s.text.rangeText != "MANU"))
            fault("REL in " + s.key + " " + s.text.rangeText);
        if (m_battery && !s.battery)
            fault("the battery sign went out");
        m_battery = s.battery;
        const int bar = s.overload ? 22 : std::max(1L, s.counts / 1000);
        if (s.bar != bar)
            fault("bar " + std::to_string(s.bar) + " for " + s.text.valueText);

        if (m_last && s.hold && !(m_last->text == s.text))
            fault("HOLD changed " + m_last->text.valueText + " " + m_last->text.unitText + " to " + s.text.valueText);
        if (m_steady && m_steady->key != s.key)
            m_steady.reset();  // the dial was turned
        if (!s.hold) {
            checkRanging(s);
            m_steady = s;
        }
        m_last = s;
    }

    std::vector<std::string> faults;
    int upRanges = 0;
    int downRanges = 0;
    int quietPairs = 0;
    int pairs = 0;

private:
    void fault(const std::string& what)
    {
        if (faults.size() < 8)
            faults.push_back("reading " + std::to_string(m_n) + ": " + what);
    }

    // Auto-ranging: a reading uses at least a tenth of its range unless it is
    // on the lowest one or still stepping down from a higher one.
    void checkRanging(const Shown& s)
    {
        const bool automatic = s.text.rangeText == "AUTO" && !s.overload;
        const Shown* before = m_steady ? &*m_steady : nullptr;
        if (automatic && s.counts < kDownRangeCounts) {
            const auto lowest = kLowestCount.find(s.text.unitText);
            const bool onLowest = lowest != kLowestCount.end() && s.count <= lowest->second * 1.001;
            if (!onLowest && !(before && before->count > s.count * 1.001))
                fault(s.text.valueText + " " + s.text.unitText + " on too coarse a range");
        }
        if (!before || before->overload || s.overload || before->relative || s.relative)
            return;
        if (s.count > before->count * 1.001)
            ++upRanges;
        else if (s.count < before->count * 0.999)
            ++downRanges;
        else {
            ++pairs;
            const long step = std::labs(static_cast<long>(std::lround(s.value / s.count - before->value / before->count)));
            if (step <= std::max(10L, s.counts / 200))
                ++quietPairs;
        }
    }

    std::size_t m_n = 0;
    bool m_battery = false;
    std::optional<Shown> m_last;
    std::optional<Shown> m_steady;  // the last reading not held
};

TEST(MeterSimScenarios, EveryScenarioShowsWhatSuchAMeterShows)
{
    for (std::string_view scenario : sim::scenarioNames()) {
        SCOPED_TRACE(std::string(scenario));
        struct : DecoderHost {
        } host;
        MeterDecoder decoder(host);
        const std::uint8_t lf = sim::kLf;
        decoder.VexaDATA(&lf, 1);
        sim::FrameScript script(scenario, 0, 2024);
        ASSERT_TRUE(script.valid());
        Judge judge;
        for (std::size_t n = 0; n < 3000; ++n) {
            const sim::SimEvent event = script.next();
            ASSERT_TRUE(event.isReading);
            decoder.VexaDATA(event.bytes.data(), event.bytes.size());
            ASSERT_TRUE(decoder.lastOutcome().completed) << "reading " << n;
            judge.reading(n, shownBy(decoder), event.reading);
        }
        for (const std::string& f : judge.faults)
            ADD_FAILURE() << f;
        EXPECT_GT(judge.quietPairs, judge.pairs * 7 / 10) << "readings jump instead of drifting";
        if (!oneOf(std::string(scenario), {"mv", "cont", "diode", "duty", "temp"})) {
            EXPECT_GT(judge.upRanges, 5) << "auto-ranging does not follow the value up";
            EXPECT_GT(judge.downRanges, 5) << "auto-ranging does not follow the value down";
        }
    }
}

}  // namespace
}  // namespace tavolo
