#include "decode/function_table.h"

#include "decode/frame_layout.h"

namespace tavolo {
namespace {

using C = LcdControl;
namespace fn = frame::function;
namespace range = frame::range;

constexpr RangeRow kAmpsRanges[] = {
    {range::amps::k22A, 1, {}, "A"},
};
constexpr RangeRow kAmpsRangedRanges[] = {
    {range::ampsRanged::k2A2, 0, {}, "A"},
    {range::ampsRanged::k22A, 1, {}, "A"},
    {range::ampsRanged::k220A, 2, {}, "A"},
    {range::ampsRanged::k2200A, 3, {}, "A"},
};
constexpr RangeRow kVoltsRanges[] = {
    {range::volts::k2V2, 0, {}, "V"},
    {range::volts::k22V, 1, {}, "V"},
    {range::volts::k220V, 2, {}, "V"},
    {range::volts::k2200V, 3, {}, "V"},
    {range::volts::k220mV, 2, C::Lcdm, "mV"},
};
constexpr RangeRow kMicroAmpsRanges[] = {
    {range::microAmps::k220uA, 2, C::LCDu, "uA"},
    {range::microAmps::k2200uA, 3, C::LCDu, "uA"},
};
constexpr RangeRow kMilliAmpsRanges[] = {
    {range::milliAmps::k22mA, 1, C::Lcdm, "mA"},
    {range::milliAmps::k220mA, 2, C::Lcdm, "mA"},
};
constexpr RangeRow kOhmsRanges[] = {
    {range::ohms::k220Ohm, 2, {}, "*"},
    {range::ohms::k2k2Ohm, 0, C::LCDk, "K*"},
    {range::ohms::k22kOhm, 1, C::LCDk, "K*"},
    {range::ohms::k220kOhm, 2, C::LCDk, "K*"},
    {range::ohms::k2M2Ohm, 0, C::LCDM1, "M*"},
    {range::ohms::k22MOhm, 1, C::LCDM1, "M*"},
    {range::ohms::k220MOhm, 2, C::LCDM1, "M*"},
};
constexpr RangeRow kFrequencyRanges[] = {
    {range::frequency::k220Hz, 2, {}, "Hz"},
    {range::frequency::k2200Hz, 3, {}, "Hz"},
    {range::frequency::k22kHz, 1, C::LCDk, "kHz"},
    {range::frequency::k220kHz, 2, C::LCDk, "kHz"},
    {range::frequency::k2M2Hz, 0, C::LCDM1, "MHz"},
    {range::frequency::k22MHz, 1, C::LCDM1, "MHz"},
    {range::frequency::k220MHz, 2, C::LCDM1, "MHz"},
};
constexpr RangeRow kCapacitanceRanges[] = {
    {range::capacitance::k22nF, 1, C::LCDn, "nF"},
    {range::capacitance::k220nF, 2, C::LCDn, "nF"},
    {range::capacitance::k2u2F, 0, C::LCDu, "uF"},
    {range::capacitance::k22uF, 1, C::LCDu, "uF"},
    {range::capacitance::k220uF, 2, C::LCDu, "uF"},
    {range::capacitance::k2m2F, 0, C::Lcdm, "mF"},
    {range::capacitance::k22mF, 1, C::Lcdm, "mF"},
    {range::capacitance::k220mF, 2, C::Lcdm, "mF"},
};

// The duty blocks A to E.
constexpr DutyRow kDutyA{{C::LCDA, C::Lcdm, C::LcdV, C::LCDHz}, "duty", true};
constexpr DutyRow kDutyB{{C::LCDk, C::LCDM1, C::LCDHz}, "Duty", true};
constexpr DutyRow kDutyC{{C::LcdV, C::LCDHz}, "Duty", true};
constexpr DutyRow kDutyD{{C::LCDA, C::LCDu, C::LcdV, C::LCDHz}, "duty", true};
constexpr DutyRow kDutyE{{C::LCDA, C::Lcdm, C::LcdV, C::LCDHz}, "duty", false};

constexpr std::array<FunctionRow, fn::kCodeCount> kFunctions = [] {
    std::array<FunctionRow, fn::kCodeCount> t{};
    t[fn::kAmps] = {.shown = {C::LCDA}, .ranges = kAmpsRanges, .duty = &kDutyA};
    t[fn::kDiode] = {.shown = {C::LCDDI, C::LcdV, C::LcdP0}, .unitText = "V)", .acDcText = "Diode", .pointIndex = 0};
    t[fn::kFrequency] = {.shown = {C::LCDHz}, .ranges = kFrequencyRanges, .acDcText = "Frequency", .duty = &kDutyB};
    t[fn::kOhms] = {.shown = {C::LCDohm}, .ranges = kOhmsRanges, .acDcText = "Ohm"};
    t[fn::kTemperature] = {.shown = {C::LCDFS}, .unitText = "?", .acDcText = "Temperature", .pointIndex = 3};
    t[fn::kContinuity] = {.shown = {C::LCDFm, C::LCDohm, C::LcdP2}, .unitText = "&  *", .acDcText = "Cont"};
    t[fn::kCapacitance] = {.shown = {C::LCDF}, .ranges = kCapacitanceRanges, .acDcText = "Cap"};
    t[fn::kAmpsRanged] = {.shown = {C::LCDA}, .ranges = kAmpsRangedRanges};
    t[fn::kVolts] = {.shown = {C::LcdV}, .ranges = kVoltsRanges, .duty = &kDutyC};
    t[fn::kMicroAmps] = {.shown = {C::LCDA}, .ranges = kMicroAmpsRanges, .duty = &kDutyD};
    t[fn::kMilliAmps] = {.shown = {C::LCDA}, .ranges = kMilliAmpsRanges, .duty = &kDutyE};
    return t;
}();

}  // namespace

const FunctionRow& functionRow(unsigned code)
{
    static constexpr FunctionRow kNothing{};
    return code < kFunctions.size() ? kFunctions[code] : kNothing;
}

}  // namespace tavolo
