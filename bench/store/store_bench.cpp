// The session store's cost on the recording thread: a reading decoded and
// recorded with and without a store attached. The difference is what the
// store adds per recorded row (the hand-over; the writer runs on its own
// thread). Target: at most 2 µs.

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "decode/frame_layout.h"
#include "record/meter_session.h"
#include "store/session_store.h"

namespace tavolo::store {
namespace {

std::vector<std::uint8_t> frames(int count)
{
    // Distinct readings, so every frame becomes a row.
    std::vector<std::uint8_t> bytes;
    for (int n = 0; n < count; ++n) {
        std::string digits = std::to_string(n % 100000);
        digits.insert(0, 5 - digits.size(), '0');
        const std::string payload = "4" + digits + "B000A0";
        bytes.push_back(frame::kLineFeed);
        for (char c : payload)
            bytes.push_back(frame::payloadByte(frame::hexDigitValue(c)));
        bytes.push_back(frame::kEndByte);
    }
    return bytes;
}

void record(benchmark::State& state, bool withStore)
{
    constexpr int kFrames = 4096;
    static const std::vector<std::uint8_t> bytes = frames(kFrames);
    char pattern[] = "/tmp/tavolo-store-bench-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    MeterSession session;
    session.controls().limitessClick();
    std::unique_ptr<SessionStore> store;
    if (withStore)
        store = SessionStore::open(dir / "bench.tavolo-session", session, StoreOptions{});
    const std::size_t frameSize = bytes.size() / kFrames;
    std::size_t at = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        session.VexaDATA(bytes.data() + at * frameSize, frameSize);
        at = (at + 1) % kFrames;
        ++rows;
        if (session.table().rowCount() >= 2'000'000) {
            // Keep memory bounded on long runs; a clear is mirrored too, rarely.
            state.PauseTiming();
            session.controls().RecordNewClick(true);
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(rows));
    state.SetLabel(withStore ? "store on" : "store off");
    if (store)
        store->endNormally(std::chrono::seconds(60));
    store.reset();
    std::filesystem::remove_all(dir);
}

void BM_RecordReadingStoreOff(benchmark::State& state)
{
    record(state, false);
}
void BM_RecordReadingStoreOn(benchmark::State& state)
{
    record(state, true);
}
BENCHMARK(BM_RecordReadingStoreOff)->MinTime(1.0);
BENCHMARK(BM_RecordReadingStoreOn)->MinTime(1.0);

}  // namespace
}  // namespace tavolo::store
