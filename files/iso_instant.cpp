#include "files/iso_instant.h"

#include <ctime>

namespace tavolo {
namespace {

constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back
// (the era-based algorithms: exact for every representable day).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = floorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

bool isLeapYear(std::int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(std::int64_t y, unsigned m)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// The local offset from UTC in seconds at `seconds` since 1970; 0 when the C
// library cannot tell.
long localOffsetSeconds(std::int64_t seconds)
{
    const auto t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (static_cast<std::int64_t>(t) != seconds || ::localtime_r(&t, &local) == nullptr)
        return 0;
    return local.tm_gmtoff;
}

char* putDigits(char* p, std::int64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + width;
}

// Reads exactly `count` digits at `pos`.
bool readDigits(std::string_view text, std::size_t& pos, int count, int& value)
{
    if (pos + static_cast<std::size_t>(count) > text.size())
        return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[pos++];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool expect(std::string_view text, std::size_t& pos, char c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

}  // namespace

std::size_t formatLocalInstant(std::int64_t instantMs, char (&out)[kIsoInstantMaxSize])
{
    const std::int64_t seconds = floorDiv(instantMs, kMsPerSecond);
    const std::int64_t millis = instantMs - seconds * kMsPerSecond;
    long offset = localOffsetSeconds(seconds);
    if (offset % 60 != 0)
        offset = 0;
    const std::int64_t local = seconds + offset;
    const std::int64_t days = floorDiv(local, kSecondsPerDay);
    const std::int64_t secondOfDay = local - days * kSecondsPerDay;
    const CivilDate date = civilFromDays(days);

    char* p = out;
    std::int64_t year = date.year;
    if (year < 0 || year > 9999) {
        // ISO 8601's expanded years: a sign and at least six digits.
        *p++ = year < 0 ? '-' : '+';
        year = year < 0 ? -year : year;
        int width = 6;
        for (std::int64_t rest = year / 1000000; rest != 0; rest /= 10)
            ++width;
        p = putDigits(p, year, width);
    } else {
        p = putDigits(p, year, 4);
    }
    *p++ = '-';
    p = putDigits(p, date.month, 2);
    *p++ = '-';
    p = putDigits(p, date.day, 2);
    *p++ = 'T';
    p = putDigits(p, secondOfDay / 3600, 2);
    *p++ = ':';
    p = putDigits(p, secondOfDay / 60 % 60, 2);
    *p++ = ':';
    p = putDigits(p, secondOfDay % 60, 2);
    *p++ = '.';
    p = putDigits(p, millis, 3);
    *p++ = offset < 0 ? '-' : '+';
    const long offsetMinutes = (offset < 0 ? -offset : offset) / 60;
    p = putDigits(p, offsetMinutes / 60, 2);
    *p++ = ':';
    p = putDigits(p, offsetMinutes % 60, 2);
    return static_cast<std::size_t>(p - out);
}

std::optional<std::int64_t> parseIsoInstant(std::string_view text)
{
    std::size_t pos = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool expandedNegative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        expandedNegative = text[0] == '-';
        ++pos;
        if (!readDigits(text, pos, 6, year))
            return std::nullopt;
        if (expandedNegative)
            year = -year;
    } else if (!readDigits(text, pos, 4, year)) {
        return std::nullopt;
    }
    if (!expect(text, pos, '-') || !readDigits(text, pos, 2, month) ||
        !expect(text, pos, '-') || !readDigits(text, pos, 2, day))
        return std::nullopt;
    if (pos >= text.size() || (text[pos] != 'T' && text[pos] != 't' && text[pos] != ' '))
        return std::nullopt;
    ++pos;
    if (!readDigits(text, pos, 2, hour) || !expect(text, pos, ':') || !readDigits(text, pos, 2, minute) ||
        !expect(text, pos, ':') || !readDigits(text, pos, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || static_cast<unsigned>(day) > daysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return std::nullopt;

    int millis = 0;
    if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (digits < 3)
                millis = millis * 10 + (text[pos] - '0');
            ++digits;
            ++pos;
        }
        if (digits == 0)
            return std::nullopt;
        for (int i = digits; i < 3; ++i)
            millis *= 10;
    }

    if (pos >= text.size())
        return std::nullopt;  // a time without an offset names no instant
    int offsetSeconds = 0;
    if (text[pos] == 'Z' || text[pos] == 'z') {
        ++pos;
    } else if (text[pos] == '+' || text[pos] == '-') {
        const bool negative = text[pos] == '-';
        ++pos;
        int offsetHours = 0;
        int offsetMinutes = 0;
        if (!readDigits(text, pos, 2, offsetHours))
            return std::nullopt;
        if (pos < text.size()) {
            expect(text, pos, ':');
            if (!readDigits(text, pos, 2, offsetMinutes))
                return std::nullopt;
        }
        if (offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = (offsetHours * 60 + offsetMinutes) * 60;
        if (negative)
            offsetSeconds = -offsetSeconds;
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const std::int64_t seconds = days * kSecondsPerDay + hour * 3600 + minute * 60 + second - offsetSeconds;
    // Within a day of the six-digit years, so that the instant is written in any
    // zone with at most six year digits and reads back.
    static const std::int64_t kLimit = daysFromCivil(999999, 1, 1) * kSecondsPerDay;
    if (seconds >= kLimit || seconds <= -kLimit)
        return std::nullopt;
    return seconds * kMsPerSecond + millis;
}

}  // namespace tavolo
