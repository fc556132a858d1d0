// Broker URLs and reading texts as anyone may give them: the URL parser never
// fails to say why, and whatever the texts, every message the feed publishes
// is one valid JSON object in valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "feed/compact_json.h"
#include "feed/feed_payload.h"
#include "feed/feed_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const bool withTopic : {false, true}) {
        std::string error;
        const auto address = tavolo::feed::parseBrokerUrl(input, withTopic, error);
        if (!address && error.empty())
            std::abort();  // refused without a reason
        if (address) {
            // What display() gives parses back to the same broker.
            const auto again = tavolo::feed::parseBrokerUrl(address->display(), false, error);
            if (!again || again->host != address->host || again->port != address->port || again->tls != address->tls)
                std::abort();
        }
    }

    // The input cut into the reading's texts at NUL bytes.
    std::string_view fields[5];
    std::string_view rest = input;
    for (std::string_view& field : fields) {
        const std::size_t cut = rest.find('\0');
        field = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    tavolo::feed::FeedReading reading;
    reading.instantMs = static_cast<std::int64_t>(size) * 86'400'123 - 4'000'000'000'000;
    reading.function = fields[0];
    reading.valueText = fields[1];
    reading.unitText = fields[2];
    reading.rangeText = fields[3];
    reading.judgeText = fields[4];
    reading.recorded = size % 2 == 0;
    std::string out;
    if (!tavolo::feed::appendCompactJson(out, tavolo::feed::readingPayload(size, reading)))
        std::abort();
    tavolo::feed::StatusInfo info{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                                  std::string(fields[3]), std::string(fields[4])};
    if (!tavolo::feed::appendCompactJson(out, tavolo::feed::onlinePayload(info, "4.02", size)))
        std::abort();
    return 0;
}
