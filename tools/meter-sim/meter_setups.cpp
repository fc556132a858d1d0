#include "meter_setups.h"

#include <algorithm>

#include "decode/frame_layout.h"

namespace tavolo::sim {
namespace {

namespace fn = frame::function;
namespace range = frame::range;
constexpr std::uint8_t kDc = frame::option3::kDc;
constexpr std::uint8_t kAc = frame::option3::kAc;

constexpr MeterRange kVolts[] = {
    {range::volts::k2V2, 0, "V", 1e-4},
    {range::volts::k22V, 1, "V", 1e-3},
    {range::volts::k220V, 2, "V", 1e-2},
    {range::volts::k2200V, 3, "V", 1e-1},
};
constexpr MeterRange kMilliVolts[] = {{range::volts::k220mV, 2, "mV", 1e-5}};
constexpr MeterRange kMicroAmps[] = {
    {range::microAmps::k220uA, 2, "uA", 1e-8},
    {range::microAmps::k2200uA, 3, "uA", 1e-7},
};
constexpr MeterRange kMilliAmps[] = {
    {range::milliAmps::k22mA, 1, "mA", 1e-6},
    {range::milliAmps::k220mA, 2, "mA", 1e-5},
};
// The ranged amps function up to 22 A: the input is rated 20 A.
constexpr MeterRange kAmps[] = {
    {range::ampsRanged::k2A2, 0, "A", 1e-4},
    {range::ampsRanged::k22A, 1, "A", 1e-3},
};
constexpr MeterRange kAmpsInput[] = {{range::amps::k22A, 1, "A", 1e-3}};
constexpr MeterRange kOhms[] = {
    {range::ohms::k220Ohm, 2, "*", 1e-2},   {range::ohms::k2k2Ohm, 0, "K*", 1e-1},
    {range::ohms::k22kOhm, 1, "K*", 1},     {range::ohms::k220kOhm, 2, "K*", 1e1},
    {range::ohms::k2M2Ohm, 0, "M*", 1e2},   {range::ohms::k22MOhm, 1, "M*", 1e3},
    {range::ohms::k220MOhm, 2, "M*", 1e4},
};
constexpr MeterRange kContinuity[] = {{range::kOnly, 2, "&  *", 1e-2}};
constexpr MeterRange kDiode[] = {{range::kOnly, 0, "V)", 1e-4}};
constexpr MeterRange kFrequency[] = {
    {range::frequency::k220Hz, 2, "Hz", 1e-2},  {range::frequency::k2200Hz, 3, "Hz", 1e-1},
    {range::frequency::k22kHz, 1, "kHz", 1},    {range::frequency::k220kHz, 2, "kHz", 1e1},
    {range::frequency::k2M2Hz, 0, "MHz", 1e2},  {range::frequency::k22MHz, 1, "MHz", 1e3},
    {range::frequency::k220MHz, 2, "MHz", 1e4},
};
// The duty display shows tenths of a percent whatever the frequency range.
constexpr MeterRange kDuty[] = {{range::frequency::k220Hz, 3, "%", 1e-1}};
constexpr MeterRange kCapacitance[] = {
    {range::capacitance::k22nF, 1, "nF", 1e-12}, {range::capacitance::k220nF, 2, "nF", 1e-11},
    {range::capacitance::k2u2F, 0, "uF", 1e-10}, {range::capacitance::k22uF, 1, "uF", 1e-9},
    {range::capacitance::k220uF, 2, "uF", 1e-8}, {range::capacitance::k2m2F, 0, "mF", 1e-7},
    {range::capacitance::k22mF, 1, "mF", 1e-6},  {range::capacitance::k220mF, 2, "mF", 1e-5},
};
// Tenths of a degree, without a lit point.
constexpr MeterRange kTemperature[] = {{range::kOnly, -1, "?", 1e-1}};

// Spans: what the inputs are rated for (1000 V DC, 750 V AC, 20 A) or what a
// bench meets (60 Mohm, 100 MHz, 50 mF), below each function's top range.
constexpr MeterSetup kSetups[] = {
    // scenario fn coupling auto duty mode ranges lowest highest linear negative noise rel open
    {"dcv", fn::kVolts, kDc, true, false, "DC", kVolts, 0.05, 1000, false, true, 0.8, true, 0},
    {"acv", fn::kVolts, kAc, true, false, "AC", kVolts, 0.1, 750, false, false, 2.5, false, 0},
    {"mv", fn::kVolts, kDc, false, false, "DC", kMilliVolts, 0.2e-3, 0.2, false, true, 1, true, 0},
    {"mv", fn::kVolts, kAc, false, false, "AC", kMilliVolts, 1e-3, 0.2, false, false, 3, false, 0},
    {"ohm", fn::kOhms, 0, true, false, "Ohm", kOhms, 0.5, 60e6, false, false, 1, true, 0.15},
    {"cont", fn::kContinuity, 0, false, false, "Cont", kContinuity, 0.05, 40, false, false, 1, false, 0.4},
    {"diode", fn::kDiode, 0, false, false, "Diode", kDiode, 0.2, 2.1, false, false, 1, false, 0.3},
    {"freq", fn::kFrequency, 0, true, false, "Frequency", kFrequency, 1, 100e6, false, false, 0.5, false, 0},
    {"duty", fn::kFrequency, 0, false, true, "Duty", kDuty, 2, 98, true, false, 1, false, 0.05},
    {"cap", fn::kCapacitance, 0, true, false, "Cap", kCapacitance, 0.1e-9, 50e-3, false, false, 2, true, 0},
    {"temp", fn::kTemperature, 0, false, false, "Temperature", kTemperature, -20, 300, true, true, 1, false, 0.03},
    {"ua", fn::kMicroAmps, kDc, true, false, "DC", kMicroAmps, 0.5e-6, 2e-3, false, true, 1, false, 0},
    {"ua", fn::kMicroAmps, kAc, true, false, "AC", kMicroAmps, 1e-6, 2e-3, false, false, 3, false, 0},
    {"ma", fn::kMilliAmps, kDc, true, false, "DC", kMilliAmps, 0.1e-3, 0.2, false, true, 1, false, 0},
    {"ma", fn::kMilliAmps, kAc, true, false, "AC", kMilliAmps, 0.2e-3, 0.2, false, false, 3, false, 0},
    {"dca", fn::kAmpsRanged, kDc, true, false, "DC", kAmps, 0.01, 18, false, true, 1, false, 0},
    {"dca", fn::kAmps, kDc, false, false, "DC", kAmpsInput, 0.05, 18, false, true, 1, false, 0},
    {"aca", fn::kAmpsRanged, kAc, true, false, "AC", kAmps, 0.01, 18, false, false, 3, false, 0},
};

}  // namespace

std::span<const MeterSetup> meterSetups()
{
    return kSetups;
}

std::vector<std::string_view> scenarioNames()
{
    std::vector<std::string_view> names = {"sweep", "random"};
    for (const MeterSetup& setup : kSetups) {
        if (std::find(names.begin(), names.end(), setup.scenario) == names.end())
            names.push_back(setup.scenario);
    }
    return names;
}

IntendedReading intendedReading(const MeterSetup& setup, const MeterRange& range, bool automatic,
                                std::string_view digits, bool minus, bool overload)
{
    auto sep = [&range](int point) { return range.point == point ? "." : ""; };
    IntendedReading r;
    r.valueText.assign(minus ? 1 : 0, '-');
    if (overload) {
        // The overload picture: digits empty, "0", "L", empty, empty, with the lit point.
        r.valueText.append(sep(0)).append("0").append(sep(1)).append("L").append(sep(3));
    } else {
        for (std::size_t i = 0; i < frame::kDigitCount; ++i) {
            r.valueText += digits[i];
            if (i < 4)
                r.valueText += sep(static_cast<int>(i));
        }
    }
    r.unitText = range.unitText;
    r.acDcText = setup.acDcText;
    r.rangeText = automatic ? "AUTO" : "MANU";
    return r;
}

}  // namespace tavolo::sim
