#include <benchmark/benchmark.h>

#include "bench/record/reading_pool.h"
#include "feed/feed_observer.h"
#include "feed/feed_payload.h"
#include "feed/mqtt_publisher.h"

namespace tavolo {
namespace {

const std::vector<Reading>& pool()
{
    static const std::vector<Reading> readings = bench::makeReadingPool(1 << 12);
    return readings;
}

// What the session's thread pays per reading: FeedObserver copies the texts
// and MqttPublisher::publish queues them. No broker listens, so the queue is
// at its bound and every push also drops the oldest (the dearer case).
void BM_ObserverPublish(benchmark::State& state)
{
    feed::FeedSettings settings;
    settings.broker.host = "127.0.0.1";
    settings.broker.port = 9;  // discard: nothing listens here
    settings.prefix = "bench";
    feed::MqttPublisher publisher(settings, {});
    ReadingTable table;
    feed::FeedObserver observer(publisher, table);
    std::size_t i = 0;
    for (auto _ : state) {
        const Reading& r = pool()[i++ & 0xFFF];
        observer.readingHandled(HandledReading{r, RecordOutcome::ChartedOnly, 1'700'000'000'000, std::nullopt});
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ObserverPublish);

// What the feed's thread pays to turn one reading into its JSON message.
void BM_ReadingPayload(benchmark::State& state)
{
    ReadingTable table;
    std::size_t i = 0;
    for (auto _ : state) {
        const Reading& r = pool()[i++ & 0xFFF];
        const feed::FeedReading reading = feed::FeedObserver::toFeedReading(
            HandledReading{r, RecordOutcome::ChartedOnly, 1'700'000'000'000, std::nullopt}, table);
        benchmark::DoNotOptimize(feed::readingPayload(i, reading));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadingPayload);

}  // namespace
}  // namespace tavolo
