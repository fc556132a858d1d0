#include <gtest/gtest.h>

#include "decode/diagnostic_trace.h"
#include "decode/meter_decoder.h"

namespace tavolo {
namespace {

class TracingHost final : public DecoderHost {
public:
    explicit TracingHost(std::size_t maxLines) : trace(maxLines) {}
    void traceFrame(std::string_view text, std::string_view bits) override { trace.addFrame(text, bits); }
    DiagnosticTrace trace;
};

TEST(DiagnosticTrace, TwelveLinesPerFrameAndOnlyTheNewestKept)
{
    TracingHost host(24);
    MeterDecoder decoder(host);
    decoder.decodeFrameText("A403210B000A0D");
    ASSERT_EQ(host.trace.memo1().size(), 12U);
    EXPECT_EQ(host.trace.memo1().front(), "0100");
    EXPECT_EQ(host.trace.memo1().back(), "010000000011001000010000101100000000000010100000");
    EXPECT_EQ(host.trace.memo2().front(), "A403210B000A0D");
    for (int i = 0; i < 1000; ++i)
        decoder.decodeFrameText(i % 2 ? "A403210B000A0D" : "A403210B400A0D");
    decoder.decodeFrameText("A301234B000A0D");
    EXPECT_EQ(host.trace.memo1().size(), 24U);
    EXPECT_EQ(host.trace.memo2().size(), 24U);
    EXPECT_EQ(host.trace.memo2().back(), "A301234B000A0D");
    EXPECT_EQ(host.trace.memo2()[11], "A403210B000A0D");
}

TEST(DiagnosticTrace, StoppedFrameAddsOnlyTheBitsBuilt)
{
    TracingHost host(100);
    MeterDecoder decoder(host);
    decoder.decodeFrameText("A40G210B000A0D");  // position 4 does not convert
    EXPECT_EQ(host.trace.memo1().size(), 2U);
    EXPECT_EQ(host.trace.memo1().back(), "01000000");
}

}  // namespace
}  // namespace tavolo
