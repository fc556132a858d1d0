// The publisher in-process against a real broker: what it keeps while the
// broker is away, and QoS 0.
#include <gtest/gtest.h>

#include <mutex>

#include "feed/mqtt_publisher.h"
#include "feed_test_support.h"

namespace tavolo::test {
namespace {

using namespace std::chrono_literals;
using feed::FeedState;
using feed::FeedStatus;
using feed::MqttPublisher;
using nlohmann::json;

feed::FeedSettings settingsFor(int port, const std::string& prefix)
{
    feed::FeedSettings settings;
    settings.broker.host = "127.0.0.1";
    settings.broker.port = port;
    settings.prefix = prefix;
    return settings;
}

feed::FeedReading readingNo(int i)
{
    feed::FeedReading r;
    r.instantMs = 1'700'000'000'000 + i;
    r.function = "DC";
    r.valueText = std::to_string(1000 + i % 9000);
    r.unitText = "mV";
    r.rangeText = "AUTO";
    return r;
}

// The states the callback reported, in order.
class StatusLog {
public:
    MqttPublisher::StatusCallback callback()
    {
        return [this](const FeedStatus& s) {
            std::lock_guard lock(m_mutex);
            m_states.push_back(s);
        };
    }
    bool saw(FeedState state)
    {
        std::lock_guard lock(m_mutex);
        for (const FeedStatus& s : m_states)
            if (s.state == state)
                return true;
        return false;
    }

private:
    std::mutex m_mutex;
    std::vector<FeedStatus> m_states;
};

TEST(FeedPublisherTest, KeepsTheNewestWhileTheBrokerIsAwayAndReportsTheDropped)
{
    const int port = freeLoopbackPort();  // nobody listens yet
    feed::FeedSettings settings = settingsFor(port, "away");
    settings.queueCapacity = 100;
    StatusLog log;
    MqttPublisher publisher(settings, {"test", "file", "x", "", ""}, log.callback());
    ASSERT_TRUE(waitFor([&] { return log.saw(FeedState::Retrying); }, 10s));
    for (int i = 0; i < 250; ++i)
        publisher.publish(readingNo(i));

    FeedStatus status = publisher.status();
    EXPECT_EQ(status.state, FeedState::Retrying);
    EXPECT_NE(status.reason.find("broker unreachable: Connection refused"), std::string::npos) << status.reason;
    EXPECT_GT(status.retryInSeconds, 0);
    EXPECT_EQ(status.dropped, 150u);
    EXPECT_EQ(status.waiting, 100u);
    EXPECT_EQ(publisher.waitDelivered(100ms), MqttPublisher::Delivery::TimedOut);

    // The broker comes; the next attempt (at most 16 s away by now) delivers
    // the hundred kept and says in the retained status how many were dropped.
    TestBroker broker(BrokerConfig{}, port);
    ASSERT_EQ(publisher.waitDelivered(40s), MqttPublisher::Delivery::Delivered);
    status = publisher.status();
    EXPECT_EQ(status.state, FeedState::Connected);
    EXPECT_EQ(status.delivered, 100u);
    const std::string retained = broker.dir().file("status.json");
    ASSERT_EQ(runCommand("mosquitto_sub -h 127.0.0.1 -p " + std::to_string(port) + " -t away/status -C 1 -W 5 > " +
                         shellQuote(retained)),
              0);
    const json online = json::parse(readText(retained));
    EXPECT_EQ(online["state"], "online");
    EXPECT_EQ(online["dropped"], 150);
    EXPECT_EQ(online["program"], "test");
}

TEST(FeedPublisherTest, StoppingWithReadingsQueuedAndNoBrokerEndsTheThread)
{
    MqttPublisher publisher(settingsFor(freeLoopbackPort(), "gone"), {});
    for (int i = 0; i < 10; ++i)
        publisher.publish(readingNo(i));
    publisher.stop();
    EXPECT_EQ(publisher.status().state, FeedState::Stopped);
    EXPECT_EQ(publisher.status().waiting, 10u);
    publisher.stop();  // again: nothing happens
}

TEST(FeedPublisherTest, AtQosZeroEveryReadingInOrderOnAQuietLink)
{
    TestBroker broker;
    Watcher watch(broker, broker.url() + "/q0/#");
    ASSERT_TRUE(watch.waitSubscribed("q0/probe")) << watch.errors();
    feed::FeedSettings settings = settingsFor(broker.port(), "q0");
    settings.qos = 0;
    {
        MqttPublisher publisher(settings, {});
        for (int i = 0; i < 2000; ++i)
            publisher.publish(readingNo(i));
        ASSERT_EQ(publisher.waitDelivered(30s), MqttPublisher::Delivery::Delivered);
        EXPECT_EQ(publisher.status().delivered, 2000u);
    }
    ASSERT_TRUE(waitFor([&] { return watch.count("q0/reading") >= 2000; }, 20s)) << watch.count("q0/reading");
    const auto received = watch.messages("q0/reading");
    for (std::size_t i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i]["payload"]["seq"], i + 1);
}

TEST(FeedPublisherTest, ReadingsPastTheMessageNumberWrapAreAllAcknowledged)
{
    // Message numbers are 16 bits: after 65,535 publishes a reading gets the
    // number the retained status had at the start, and its acknowledgement
    // must still count as the reading's.
    TestBroker broker;
    MqttPublisher publisher(settingsFor(broker.port(), "wrap"), {});
    constexpr int kReadings = 70'000;
    for (int i = 0; i < kReadings; ++i) {
        publisher.publish(readingNo(i));
        if (i % 5'000 == 4'999) {
            ASSERT_EQ(publisher.waitDelivered(60s), MqttPublisher::Delivery::Delivered) << "after " << i + 1;
        }
    }
    ASSERT_EQ(publisher.waitDelivered(60s), MqttPublisher::Delivery::Delivered)
        << publisher.status().waiting << " still waiting";
    EXPECT_EQ(publisher.status().delivered, static_cast<std::size_t>(kReadings));
}

}  // namespace
}  // namespace tavolo::test
