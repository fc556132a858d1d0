// Frame assembly + decoding throughput on a mixed stream of the meter's
// functions (one damaged frame and one conversion error in every 32 frames).
// Reports frames per second; the target is 1,000,000 on one core.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "decode/frame_layout.h"
#include "decode/meter_decoder.h"

namespace {

constexpr std::string_view kPayloads[] = {
    "301234B000A0", "301236B000A0", "212345B000A0", "102200B00060", "403210B000A0", "403210B400A0",
    "400000B000A0", "001000300020", "101500300020", "400999300000", "000012500000", "000512100000",
    "300470600000", "012345200020", "404500200020", "004500280000", "000251400000", "100999D00060",
    "012345F00080", "102500900080", "100000B100A0", "112345B00800", "301234B22062", "122580B000A0",
    "301234B000A0", "30124B000A0" /* a lost byte */, "301235B000A0", "A01234B000A0" /* range "A" */,
    "301233B000A0", "301234900070", "201234200000", "301234B000A0",
};
constexpr std::size_t kFramesPerCycle = std::size(kPayloads);

std::vector<std::uint8_t> mixedStream(std::size_t cycles)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t c = 0; c < cycles; ++c) {
        for (std::string_view payload : kPayloads) {
            for (char ch : payload)
                bytes.push_back(tavolo::frame::payloadByte(tavolo::frame::hexDigitValue(ch)));
            bytes.push_back(tavolo::frame::kEndByte);
            bytes.push_back(tavolo::frame::kLineFeed);
        }
    }
    return bytes;
}

// The program's host does little per frame that the decoder waits for; this
// one does nothing, so the figure is the decoding core's own cost.
class QuietHost final : public tavolo::DecoderHost {};

void BM_AssembleAndDecode(benchmark::State& state)
{
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> stream = mixedStream(256);
    QuietHost host;
    tavolo::MeterDecoder decoder(host);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += chunk)
            decoder.VexaDATA(stream.data() + at, std::min(chunk, stream.size() - at));
        benchmark::DoNotOptimize(decoder.reading().numericValue);
    }
    const auto frames = static_cast<double>(state.iterations() * 256 * kFramesPerCycle);
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_AssembleAndDecode)->Arg(1)->Arg(64)->Arg(4096);

void BM_DecodeFrameText(benchmark::State& state)
{
    QuietHost host;
    tavolo::MeterDecoder decoder(host);
    std::size_t i = 0;
    for (auto _ : state) {
        decoder.decodeFrameText("A403210B000A0D");
        benchmark::DoNotOptimize(decoder.reading().chartValue);
        ++i;
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(i), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeFrameText);

}  // namespace

BENCHMARK_MAIN();
