#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The simulated meter's dial: every function it measures, with the ranges the
// frame codes for it and the span of values a real meter shows there. Constant
// tables and pure functions; any thread.
namespace tavolo::sim {

// One range of a setup, as the frame codes it and the program shows it.
struct MeterRange {
    std::uint8_t code;          // range code (frame::range::...)
    int point;                  // decimal point lit: 0 (after the first digit) .. 3, or -1 for none
    std::string_view unitText;  // in the LCD font's coding: "*" ohm, "&  *" continuity, "?" degrees
    double countValue;          // what one count shows, in the setup's base unit (V, A, ohm, Hz, F, degC, %)
};

// A position of the dial (with its DC/AC choice) and how the things measured
// on it behave.
struct MeterSetup {
    std::string_view scenario;           // the --scenario name it belongs to
    std::uint8_t function;               // function code (frame::function::...)
    std::uint8_t coupling;               // option 3 bits besides AUTO: frame::option3::kDc, kAc, or 0
    bool autoRange;                      // ranges by itself; otherwise it stays on its one range
    bool duty;                           // the status duty flag: the duty-cycle display
    std::string_view acDcText;           // the program's mode text for it
    std::span<const MeterRange> ranges;  // lowest first
    // The values measured, in the base unit: magnitudes spread logarithmically
    // between the two, or (linear) signed values spread evenly.
    double lowest;
    double highest;
    bool linear;
    bool negative;       // the meter shows negative values here (DC polarity, cold)
    double noiseCounts;  // reading noise, standard deviation in counts of the range shown
    bool relative;       // REL makes sense here (nulling leads, offsets)
    double openShare;    // share of new contacts that are open leads, shown as overload; 0: none
};

// Every setup, in sweep order.
std::span<const MeterSetup> meterSetups();

// The scenario names, "sweep" and "random" first, then those of the setups.
std::vector<std::string_view> scenarioNames();

// A display count beyond this is an overload (count class "22").
inline constexpr int kMaxCounts = 21999;

// What the program should show for a frame, with "." as the decimal separator.
struct IntendedReading {
    std::string valueText;  // "032.10", "-01.234", "0.L"
    std::string unitText;
    std::string acDcText;
    std::string rangeText;  // "AUTO" or "MANU"
    friend bool operator==(const IntendedReading&, const IntendedReading&) = default;
};

// The reading a frame of `setup` on `range` shows, with these digits and flags.
IntendedReading intendedReading(const MeterSetup& setup, const MeterRange& range, bool automatic,
                                std::string_view digits, bool minus, bool overload);

}  // namespace tavolo::sim
