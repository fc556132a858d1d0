// tavolo_feed_measure: the live feed against a real broker that it starts on
// 127.0.0.1 (Debian's mosquitto): the caller's cost per reading while the
// feed thread sends, decode-to-subscriber latency at the wire's 137 readings/s,
// and the queue's memory at its bound.
//
// usage: tavolo_feed_measure [SECONDS]   (latency run length, default 20)
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/record/reading_pool.h"
#include "feed/feed_observer.h"
#include "feed/mqtt_publisher.h"
#include "feed/mqtt_subscriber.h"
#include "meter_modes.h"
#include "record/meter_session.h"
#include "test_broker.h"

namespace {

using namespace tavolo;
using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

feed::FeedSettings settingsFor(int port, const char* prefix)
{
    feed::FeedSettings settings;
    settings.broker.host = "127.0.0.1";
    settings.broker.port = port;
    settings.prefix = prefix;
    return settings;
}

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

// The caller's cost of handing a reading over while the feed thread works:
// batches of 1000 readings through FeedObserver, each batch timed.
void callerCost(int port)
{
    const std::vector<Reading> readings = bench::makeReadingPool(4096);
    feed::MqttPublisher publisher(settingsFor(port, "measure/cost"), {});
    publisher.waitDelivered(std::chrono::seconds(5));  // connected and idle
    ReadingTable table;
    feed::FeedObserver observer(publisher, table);
    std::vector<double> perReadingNs;
    std::size_t i = 0;
    for (int batch = 0; batch < 300; ++batch) {
        const auto start = Clock::now();
        for (int k = 0; k < 1000; ++k, ++i)
            observer.readingHandled(
                HandledReading{readings[i & 4095], RecordOutcome::Recorded, 1'700'000'000'000, std::nullopt});
        perReadingNs.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() / 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // let the feed thread send meanwhile
    }
    const feed::FeedStatus status = publisher.status();
    std::printf("caller cost per reading (300 batches of 1000, broker connected, QoS 1): median %.0f ns, "
                "p99 %.0f ns, max %.0f ns; %llu delivered, %llu dropped meanwhile\n",
                percentile(perReadingNs, 0.5), percentile(perReadingNs, 0.99), percentile(perReadingNs, 1.0),
                static_cast<unsigned long long>(status.delivered), static_cast<unsigned long long>(status.dropped));
}

// Decode-to-subscriber latency: real frames through a meter session with the
// feed observer, one every 1/137 s; the subscriber notes when each seq arrives.
void latency(int port, int seconds)
{
    std::mutex mutex;
    std::map<std::uint64_t, Clock::time_point> sent;
    std::vector<double> latencyMs;
    std::atomic<bool> stop{false};
    std::atomic<bool> connected{false};
    feed::FeedSettings subscription = settingsFor(port, "");
    subscription.broker.topic = "measure/latency/reading";
    feed::MqttSubscriber subscriber(
        subscription,
        [&](std::string_view, std::string_view payload, bool) {
            const auto now = Clock::now();
            const std::uint64_t seq = std::strtoull(std::string(payload.substr(7, 20)).c_str(), nullptr, 10);
            std::lock_guard lock(mutex);
            const auto it = sent.find(seq);
            if (it != sent.end())
                latencyMs.push_back(std::chrono::duration<double, std::milli>(now - it->second).count());
        },
        [&](const feed::FeedStatus& s) { connected = s.state == feed::FeedState::Connected; });
    std::thread receiver([&] { subscriber.run(stop); });
    while (!connected)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // subscribed

    feed::MqttPublisher publisher(settingsFor(port, "measure/latency"), {});
    publisher.waitDelivered(std::chrono::seconds(5));
    MeterSession session;
    feed::FeedObserver observer(publisher, session.table());
    session.addObserver(&observer);
    session.recordRule().state().MaxRecords = 1'000'000;
    std::vector<std::uint8_t> frames;
    sim::FrameScript script("random", 0.0, 11);
    while (frames.size() < 4096 * 14) {
        const sim::SimEvent event = script.next();
        if (event.isReading)
            frames.insert(frames.end(), event.bytes.begin(), event.bytes.end());
    }
    const std::size_t frameCount = frames.size() / 14;
    const std::uint8_t lineEnd = '\n';
    session.VexaDATA(&lineEnd, 1);  // a frame counts from the line end before it
    const auto period = std::chrono::nanoseconds(1'000'000'000 / 137);
    auto next = Clock::now();
    const int total = seconds * 137;
    for (int n = 0; n < total; ++n) {
        next += period;
        std::this_thread::sleep_until(next);
        {
            std::lock_guard lock(mutex);
            sent[static_cast<std::uint64_t>(n) + 1] = Clock::now();
        }
        const std::size_t at = (static_cast<std::size_t>(n) % frameCount) * 14;
        session.VexaDATA(frames.data() + at, 14);
    }
    publisher.waitDelivered(std::chrono::seconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    stop = true;
    receiver.join();
    std::lock_guard lock(mutex);
    std::printf("decode-to-subscriber latency at 137 readings/s, %d s (%zu readings received of %d): "
                "median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                seconds, latencyMs.size(), total, percentile(latencyMs, 0.5), percentile(latencyMs, 0.99),
                percentile(latencyMs, 1.0));
}

// The queue at its bound: 10,000 readings kept while no broker listens.
void queueMemory()
{
    const std::vector<Reading> readings = bench::makeReadingPool(4096);
    const int port = test::freeLoopbackPort();
    const std::size_t before = heapInUse();
    feed::MqttPublisher publisher(settingsFor(port, "measure/memory"), {});
    ReadingTable table;
    feed::FeedObserver observer(publisher, table);
    for (int i = 0; i < 10'000; ++i)
        observer.readingHandled(
            HandledReading{readings[static_cast<std::size_t>(i) & 4095], RecordOutcome::Recorded, 0, std::nullopt});
    const std::size_t full = heapInUse();
    for (int i = 0; i < 50'000; ++i)
        observer.readingHandled(
            HandledReading{readings[static_cast<std::size_t>(i) & 4095], RecordOutcome::Recorded, 0, std::nullopt});
    const std::size_t after = heapInUse();
    const feed::FeedStatus status = publisher.status();
    std::printf("queue at its bound (%llu readings kept, %llu dropped): %.2f MiB heap, %.0f bytes a reading; "
                "50,000 more readings: %+.2f MiB\n",
                static_cast<unsigned long long>(status.waiting), static_cast<unsigned long long>(status.dropped),
                static_cast<double>(full - before) / (1 << 20), static_cast<double>(full - before) / 10'000.0,
                (static_cast<double>(after) - static_cast<double>(full)) / (1 << 20));
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    queueMemory();
    test::TestBroker broker;
    callerCost(broker.port());
    latency(broker.port(), seconds);
    return 0;
}
