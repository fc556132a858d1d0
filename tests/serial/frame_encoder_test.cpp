#include "frame_encoder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "decode/meter_decoder.h"
#include "meter_modes.h"

namespace tavolo::sim {

// How gtest shows a reading in a failure.
void PrintTo(const IntendedReading& r, std::ostream* out)
{
    *out << '"' << r.valueText << "\" \"" << r.unitText << "\" \"" << r.acDcText << "\" \"" << r.rangeText << '"';
}

}  // namespace tavolo::sim

namespace tavolo {
namespace {

using sim::IntendedReading;

// Collects what the decoder hands to the record rule: one Reading per decoded frame.
class RecordingHost : public DecoderHost {
public:
    void recordReading(const Reading& reading) override { readings.push_back(reading); }
    void conversionError(std::string_view) override { ++conversionErrors; }
    std::vector<Reading> readings;
    int conversionErrors = 0;
};

IntendedReading shown(const Reading& r)
{
    return IntendedReading{r.valueText, r.unitText, r.acDcText, r.rangeText};
}

TEST(FrameEncoder, LaysOutTheFourteenBytesOfTheWire)
{
    sim::MeterFrame frame;
    frame.range = frame::range::volts::k220mV;
    frame.digits = "03210";
    frame.function = frame::function::kVolts;
    frame.minus = true;
    frame.options = frame::option3::kDc | frame::option3::kAuto;
    frame.hold = true;
    const auto bytes = sim::encodeFrame(frame);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "403210;400:2\r\n");
}

// The simulator's frames decode to exactly the reading it means, for every
// setup and range it knows, plain, negative, overloaded and with flags.
TEST(FrameEncoder, EverySetupAndRangeDecodesToItsIntendedReading)
{
    RecordingHost host;
    MeterDecoder decoder(host);
    const std::uint8_t lf = sim::kLf;
    decoder.VexaDATA(&lf, 1);  // the line end before the first frame

    struct Variant {
        const char* digits;
        bool minus, overload, flags;
    };
    const Variant variants[] = {
        {"01234", false, false, false},
        {"20019", true, false, true},
        {"00000", false, true, false},
        {"00007", true, true, true},
    };
    for (const sim::MeterSetup& setup : sim::meterSetups()) {
        for (const sim::MeterRange& range : setup.ranges) {
            for (const Variant& v : variants) {
                for (const bool automatic : {false, true}) {
                    if (automatic && !setup.autoRange)
                        continue;
                    sim::MeterFrame frame;
                    frame.function = setup.function;
                    frame.range = range.code;
                    frame.options = setup.coupling | (automatic ? frame::option3::kAuto : 0);
                    frame.duty = setup.duty;
                    frame.digits = v.digits;
                    frame.minus = v.minus;
                    (setup.duty ? frame.dutyOverload : frame.overload) = v.overload;
                    frame.hold = frame.relative = frame.battery = v.flags;
                    const auto bytes = sim::encodeFrame(frame);
                    const std::size_t before = host.readings.size();
                    decoder.VexaDATA(bytes.data(), bytes.size());
                    ASSERT_EQ(host.readings.size(), before + 1) << setup.scenario << " fn " << int(setup.function);
                    EXPECT_EQ(shown(host.readings.back()),
                              sim::intendedReading(setup, range, automatic, v.digits, v.minus, v.overload))
                        << setup.scenario << " " << setup.acDcText << " range " << int(range.code) << " digits "
                        << v.digits << (v.minus ? " minus" : "") << (v.overload ? " overload" : "")
                        << (automatic ? " auto" : "");
                }
            }
        }
    }
    EXPECT_EQ(host.conversionErrors, 0);
}

TEST(FrameScript, NoiseNeverBecomesAReadingAndSpoilsNoFrameAfterIt)
{
    RecordingHost host;
    MeterDecoder decoder(host);
    const std::uint8_t lf = sim::kLf;
    decoder.VexaDATA(&lf, 1);

    sim::FrameScript script("random", 0.5, 12345);
    std::vector<IntendedReading> expected;
    int noise = 0;
    for (int i = 0; i < 2000; ++i) {
        const sim::SimEvent event = script.next();
        decoder.VexaDATA(event.bytes.data(), event.bytes.size());
        if (event.isReading)
            expected.push_back(event.reading);
        else
            ++noise;
    }
    EXPECT_GT(noise, 800);
    ASSERT_EQ(host.readings.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(shown(host.readings[i]), expected[i]) << "reading " << i;
    EXPECT_GT(host.conversionErrors, 0);  // the damaged frames reached the decoder and were refused
}

TEST(FrameScript, SameSeedSameStreamAndSweepCoversEveryScenario)
{
    sim::FrameScript a("sweep", 0.2, 99), b("sweep", 0.2, 99);
    std::set<std::string> seen;       // mode and unit
    std::set<std::string> seenRanges;  // mode, unit and where the point is
    for (int i = 0; i < 600; ++i) {
        const sim::SimEvent ea = a.next(), eb = b.next();
        ASSERT_EQ(ea.bytes, eb.bytes) << i;
        if (!ea.isReading)
            continue;
        const IntendedReading& r = ea.reading;
        seen.insert(r.acDcText + " " + r.unitText);
        seenRanges.insert(r.acDcText + " " + r.unitText + " " + std::to_string(int(r.valueText.find('.'))));
    }
    for (const char* wanted : {"DC V", "AC V", "DC mV", "Ohm *", "Ohm K*", "Ohm M*", "Cont &  *", "Diode V)",
                               "Frequency Hz", "Frequency kHz", "Frequency MHz", "Duty %", "Cap nF", "Cap uF",
                               "Cap mF", "Temperature ?", "DC uA", "DC mA", "DC A", "AC A"}) {
        EXPECT_TRUE(seen.count(wanted)) << wanted;
    }
    // Every range of every setup, once around the dial.
    for (const sim::MeterSetup& setup : sim::meterSetups()) {
        for (const sim::MeterRange& range : setup.ranges) {
            const int point = range.point < 0 ? -1 : range.point + 1;
            const std::string wanted = std::string(setup.acDcText) + " " + std::string(range.unitText) + " " +
                                       std::to_string(point);
            EXPECT_TRUE(seenRanges.count(wanted)) << wanted;
        }
    }
    EXPECT_FALSE(sim::FrameScript("nonsense", 0, 1).valid());
}

}  // namespace
}  // namespace tavolo
