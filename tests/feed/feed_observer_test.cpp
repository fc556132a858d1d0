#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "feed/feed_observer.h"
#include "record/meter_session.h"

namespace tavolo::feed {
namespace {

class CollectingPublisher final : public ReadingPublisher {
public:
    std::vector<FeedReading> readings;
    void publish(const FeedReading& reading) override { readings.push_back(reading); }
    FeedStatus status() const override { return {}; }
    void setStatusInfo(const StatusInfo&) override {}
};

// Counts what the session decoded, to hold the feed against.
class Counter final : public SessionObserver {
public:
    std::size_t handled = 0;
    void readingHandled(const HandledReading&) override { ++handled; }
};

TEST(FeedObserverTest, EveryDecodedReadingRecordedOrNotWithItsRowNumber)
{
    std::ifstream in(TAVOLO_SAMPLE_CAPTURE, std::ios::binary);
    ASSERT_TRUE(in) << TAVOLO_SAMPLE_CAPTURE;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The capture's last frame twice more: repeats, decoded but not recorded.
    ASSERT_GE(bytes.size(), 14u);
    const std::vector<std::uint8_t> last(bytes.end() - 14, bytes.end());
    ASSERT_EQ(last.back(), '\n');
    for (int i = 0; i < 2; ++i)
        bytes.insert(bytes.end(), last.begin(), last.end());

    Counter counter;
    MeterSession session(&counter);
    session.inputs().RepeatSet = false;  // repeated readings are decoded but not recorded
    std::int64_t clock = 1'000;
    session.setInstantSource([&] { return clock += 250; });
    CollectingPublisher publisher;
    FeedObserver observer(publisher, session.table());
    session.addObserver(&observer);
    session.VexaDATA(bytes.data(), bytes.size());

    ASSERT_EQ(publisher.readings.size(), counter.handled);
    ASSERT_GT(publisher.readings.size(), session.table().rowCount());  // some were not recorded
    std::size_t row = 0;
    std::int64_t lastInstant = 0;
    for (const FeedReading& r : publisher.readings) {
        EXPECT_GT(r.instantMs, lastInstant);
        lastInstant = r.instantMs;
        if (!r.recorded) {
            EXPECT_FALSE(r.no);
            continue;
        }
        ASSERT_LT(row, session.table().rowCount());
        EXPECT_EQ(r.no, session.table().intValue(row, TableField::No));
        EXPECT_EQ(r.valueText, session.table().text(row, TableField::Value));
        EXPECT_EQ(r.function, session.table().text(row, TableField::DcAc));
        ++row;
    }
    EXPECT_EQ(row, session.table().rowCount());
}

}  // namespace
}  // namespace tavolo::feed
