#include "feed/feed_payload.h"

#include <array>
#include <cstdio>

#include "decode/si_units.h"
#include "feed/compact_json.h"

namespace tavolo::feed {
namespace {

void appendField(std::string& out, std::string_view name)
{
    out += ",\"";
    out += name;
    out += "\":";
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0x0F];
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        if (const std::size_t n = utf8SequenceLength(text, i)) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        // Latin-1 byte as a two-byte UTF-8 character.
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
        ++i;
    }
    out += '"';
}

std::string isoUtcMillis(std::int64_t instantMs)
{
    // Floor division, so instants before 1970 come out right too.
    std::int64_t days = instantMs / 86'400'000;
    std::int64_t msOfDay = instantMs % 86'400'000;
    if (msOfDay < 0) {
        msOfDay += 86'400'000;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);

    std::array<char, 40> text{};
    const int n = std::snprintf(text.data(), text.size(), "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ",
                                static_cast<long long>(year), static_cast<long long>(month),
                                static_cast<long long>(day), static_cast<long long>(msOfDay / 3'600'000),
                                static_cast<long long>(msOfDay / 60'000 % 60),
                                static_cast<long long>(msOfDay / 1000 % 60), static_cast<long long>(msOfDay % 1000));
    return std::string(text.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string readingPayload(std::uint64_t seq, const FeedReading& reading)
{
    std::string out;
    out.reserve(256);
    out += "{\"seq\":";
    out += std::to_string(seq);
    appendField(out, "time");
    out += '"';
    out += isoUtcMillis(reading.instantMs);
    out += '"';
    appendField(out, "function");
    appendJsonString(out, reading.function);
    appendField(out, "display");
    appendJsonString(out, lcdDisplayUtf8(reading.valueText));
    appendField(out, "unit");
    appendJsonString(out, unicodeUnitText(reading.unitText));
    const SiValue si = siValue(reading.valueText, reading.unitText);
    appendField(out, "value");
    out += si.value ? plainDecimal(*si.value) : std::string("null");
    appendField(out, "si_unit");
    appendJsonString(out, si.unit);
    appendField(out, "range");
    appendJsonString(out, reading.rangeText);
    appendField(out, "judge");
    appendJsonString(out, reading.judgeText);
    appendField(out, "recorded");
    out += reading.recorded ? "true" : "false";
    appendField(out, "no");
    out += reading.no ? std::to_string(*reading.no) : std::string("null");
    out += '}';
    return out;
}

std::string onlinePayload(const StatusInfo& info, std::string_view version, std::uint64_t dropped)
{
    std::string out = "{\"state\":\"online\"";
    const auto text = [&](std::string_view name, std::string_view value) {
        if (value.empty())
            return;
        appendField(out, name);
        appendJsonString(out, value);
    };
    text("program", info.program);
    text("version", version);
    text("link", info.link);
    text("port", info.port);
    text("hi", info.hi);
    text("lo", info.lo);
    appendField(out, "dropped");
    out += std::to_string(dropped);
    out += '}';
    return out;
}

std::string offlinePayload()
{
    return "{\"state\":\"offline\"}";
}

}  // namespace tavolo::feed
