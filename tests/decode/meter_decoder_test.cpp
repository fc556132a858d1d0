#include <gtest/gtest.h>

#include <vector>

#include "decode/meter_decoder.h"
#include "recording_host.h"

namespace tavolo {
namespace {

using test::wireFrame;

TEST(MeterDecoder, StartUpState)
{
    test::RecordingHost host;
    host.symbol = ",";
    MeterDecoder decoder(host);
    EXPECT_EQ(decoder.limits().countClass(), "22");
    EXPECT_EQ(decoder.limits().fullScale(), 22000);
    EXPECT_EQ(decoder.limits().barFull(), 22);
    EXPECT_EQ(decoder.limits().setMaxLimit(), 22002.0F);
    EXPECT_EQ(decoder.limits().setMinLimit(), -22002.0F);
    EXPECT_EQ(decoder.limits().decimalSymbol(), ",");
    EXPECT_EQ(decoder.limits().t1hi().text, "22000");
    EXPECT_EQ(decoder.limits().t1lo().text, "-22000");
    EXPECT_TRUE(decoder.limits().multirange());
    EXPECT_EQ(decoder.panel().barMaximum, 22);
    EXPECT_EQ(decoder.frameText(), "");
    EXPECT_TRUE(host.calls.empty());
}

TEST(MeterDecoder, DecodesEveryAcceptedFrameBeforeTheNextByte)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    std::vector<std::uint8_t> bytes = wireFrame("403210B000A0");
    const std::vector<std::uint8_t> second = wireFrame("403210B400A0");
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.insert(bytes.end(), {0x31, 0x32});  // the start of a third frame
    decoder.VexaDATA(bytes.data(), bytes.size());
    ASSERT_EQ(host.recorded.size(), 2U);
    EXPECT_EQ(host.recorded[0].valueText, "032.10");
    EXPECT_EQ(host.recorded[1].valueText, "-032.10");
    EXPECT_EQ(decoder.frameText(), "A403210B400A0D");
    EXPECT_EQ(decoder.frameLow(), "12");  // no LF yet after the last CR
    EXPECT_EQ(decoder.framesAccepted(), 2U);
    EXPECT_EQ(host.calls.back(), "end A403210B400A0D");
}

TEST(MeterDecoder, DroppedFrameLeavesTheReadingAndShowsInUsbText)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    const std::vector<std::uint8_t> good = wireFrame("403210B000A0");
    decoder.VexaDATA(good.data(), good.size());
    const std::vector<std::uint8_t> damaged = {0x34, 0x30, 0x0D};  // only two payload bytes
    decoder.VexaDATA(damaged.data(), damaged.size());
    EXPECT_EQ(decoder.panel().usbText, "40D");
    EXPECT_EQ(decoder.frameText(), "40D");
    EXPECT_EQ(decoder.reading().valueText, "032.10");
    EXPECT_EQ(decoder.framesDropped(), 1U);
    EXPECT_EQ(host.calls.back(), "drop 40D");
    decoder.VexaDATA(nullptr, 0);
    EXPECT_EQ(decoder.framesDropped(), 1U);
}

TEST(MeterDecoder, NinePayloadFramesEndInAConversionError)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    const std::vector<std::uint8_t> bytes = {0x0A, 0x34, 0x30, 0x33, 0x32, 0x31, 0x30, 0x3B, 0x30, 0x30, 0x0D};
    decoder.HKorinRData(bytes.data(), bytes.size());
    EXPECT_EQ(decoder.frameText(), "403210B00DA");
    EXPECT_EQ(decoder.framesAccepted(), 1U);
    ASSERT_EQ(host.errors.size(), 1U);
    EXPECT_TRUE(host.recorded.empty());
}

TEST(MeterDecoder, UsbFrameTextAndRedecode)
{
    test::RecordingHost host;
    MeterDecoder decoder(host);
    decoder.decodeFrameText("A403210B400A0D");
    EXPECT_EQ(decoder.frameText(), "A403210B400A0D");
    EXPECT_EQ(decoder.reading().valueText, "-032.10");
    decoder.LcdDisplayVexa();
    EXPECT_EQ(host.recorded.size(), 2U);
}

}  // namespace
}  // namespace tavolo
