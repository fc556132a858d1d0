#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "feed/feed_payload.h"
#include "feed/feed_status.h"
#include "feed/reading_queue.h"
#include "feed/retry_schedule.h"

namespace tavolo::feed {
namespace {

using nlohmann::json;

FeedReading reading(std::string value, std::string unit, std::string function = "DC")
{
    FeedReading r;
    r.instantMs = 1'772'357'400'125;  // 2026-03-01T09:30:00.125Z
    r.function = std::move(function);
    r.valueText = std::move(value);
    r.unitText = std::move(unit);
    r.rangeText = "AUTO";
    r.judgeText = "Pass";
    return r;
}

TEST(ReadingPayloadTest, AllFieldsWithTheValueInSiUnits)
{
    FeedReading r = reading("-01.234", "mV");
    r.recorded = true;
    r.no = 7;
    EXPECT_EQ(readingPayload(12, r),
              R"({"seq":12,"time":"2026-03-01T09:30:00.125Z","function":"DC","display":"-01.234","unit":"mV",)"
              R"("value":-0.001234,"si_unit":"V","range":"AUTO","judge":"Pass","recorded":true,"no":7})");
}

TEST(ReadingPayloadTest, UnitsInUnicodeAndOverloadAsNull)
{
    struct Case {
        const char* value;
        const char* unit;
        const char* display;
        const char* shownUnit;
        json number;
        const char* siUnit;
    };
    const Case cases[] = {
        {"0.L", "M*", "0.L", "MΩ", nullptr, "Ω"},
        {"12.34", "K*", "12.34", "kΩ", 12340, "Ω"},
        {"032.1", "uA", "032.1", "µA", 0.0000321, "A"},
        {"0023", "?", "0023", "°C", 23, "°C"},
        {"0.123", "&  *", "0.123", "•)))Ω", 0.123, "Ω"},
        {"1.234", "V)", "1.234", "V▶|", 1.234, "V"},
        {"", "", "", "", nullptr, ""},
    };
    for (const Case& c : cases) {
        const json j = json::parse(readingPayload(1, reading(c.value, c.unit)));
        EXPECT_EQ(j["display"], c.display) << c.value << c.unit;
        EXPECT_EQ(j["unit"], c.shownUnit) << c.unit;
        EXPECT_EQ(j["si_unit"], c.siUnit) << c.unit;
        if (c.number.is_null())
            EXPECT_TRUE(j["value"].is_null()) << c.value << c.unit;
        else
            EXPECT_DOUBLE_EQ(j["value"].get<double>(), c.number.get<double>()) << c.value << c.unit;
        EXPECT_FALSE(j["recorded"].get<bool>());
        EXPECT_TRUE(j["no"].is_null());
    }
}

TEST(ReadingPayloadTest, TextsAreEscapedAndAlwaysValidUtf8)
{
    // Quotes, backslashes, control characters, and stray 8-bit bytes (a file
    // may carry anything) come out as valid JSON in valid UTF-8.
    FeedReading r = reading("1.5", "V", std::string("D\"C\\\t\x01\xB5\xFF", 8));
    r.judgeText = "\xC2\xB5ok";  // already UTF-8: kept
    const std::string text = readingPayload(3, r);
    const json j = json::parse(text);  // throws on invalid UTF-8 or escapes
    EXPECT_EQ(j["function"], "D\"C\\\t\x01\xC2\xB5\xC3\xBF");
    EXPECT_EQ(j["judge"], "µok");
    EXPECT_EQ(text.find('\t'), std::string::npos);
}

TEST(ReadingPayloadTest, IsoTimesAcrossTheCalendar)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "1970-01-01T00:00:00.000Z"},
        {-1, "1969-12-31T23:59:59.999Z"},
        {951'782'400'000, "2000-02-29T00:00:00.000Z"},
        {4'107'542'399'999, "2100-02-28T23:59:59.999Z"},
        {1'772'357'400'125, "2026-03-01T09:30:00.125Z"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(isoUtcMillis(ms), text) << ms;
}

TEST(StatusPayloadTest, OnlineCarriesWhatIsKnownAndTheDropCount)
{
    StatusInfo info;
    info.program = "tavolo-cli";
    info.link = "serial";
    info.port = "COM1";
    EXPECT_EQ(onlinePayload(info, "4.02", 5),
              R"({"state":"online","program":"tavolo-cli","version":"4.02","link":"serial","port":"COM1","dropped":5})");
    info.hi = "2.000";
    info.lo = "-1\"";
    const json j = json::parse(onlinePayload(info, "4.02", 0));
    EXPECT_EQ(j["hi"], "2.000");
    EXPECT_EQ(j["lo"], "-1\"");
    EXPECT_EQ(json::parse(offlinePayload()), json({{"state", "offline"}}));
}

TEST(StatusTextTest, SaysStateReasonAndRetry)
{
    FeedStatus s;
    s.broker = "mqtt://h:1883";
    EXPECT_EQ(describe(s), "MQTT: connecting to mqtt://h:1883");
    s.state = FeedState::Retrying;
    s.reason = "broker unreachable: Connection refused";
    s.retryInSeconds = 4;
    s.dropped = 3;
    EXPECT_EQ(describe(s), "MQTT: broker unreachable: Connection refused; retrying in 4 s; 3 readings dropped");
    s.state = FeedState::Refused;
    s.reason = "bad user name or password";
    s.dropped = 0;
    EXPECT_EQ(describe(s), "MQTT: refused by mqtt://h:1883: bad user name or password; retrying in 4 s");
}

TEST(ReadingQueueTest, KeepsTheNewestAndCountsWhatItDrops)
{
    ReadingQueue queue(3);
    for (std::uint64_t seq = 1; seq <= 5; ++seq)
        queue.push(QueuedReading{seq, {}});
    EXPECT_EQ(queue.size(), 3u);
    EXPECT_EQ(queue.dropped(), 2u);
    EXPECT_EQ(queue.pop().seq, 3u);

    // Unacknowledged readings go back in front in their order; what no longer
    // fits goes from the oldest end and is counted.
    std::vector<QueuedReading> back{{1, {}}, {2, {}}};
    queue.pushFront(back);
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(queue.dropped(), 3u);
    std::vector<std::uint64_t> order;
    while (!queue.empty())
        order.push_back(queue.pop().seq);
    EXPECT_EQ(order, (std::vector<std::uint64_t>{2, 4, 5}));
}

TEST(RetryScheduleTest, DoublesUpToThirtySeconds)
{
    const int expected[] = {1, 2, 4, 8, 16, 30, 30, 30};
    for (unsigned i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(retryDelay(i).count(), expected[i]) << i;
    EXPECT_EQ(retryDelay(1000).count(), 30);
}

}  // namespace
}  // namespace tavolo::feed
