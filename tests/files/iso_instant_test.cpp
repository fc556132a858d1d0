#include <gtest/gtest.h>

#include "files/iso_instant.h"
#include "tz_scope.h"

namespace tavolo {
namespace {

std::string formatted(std::int64_t ms)
{
    char out[kIsoInstantMaxSize];
    return std::string(out, formatLocalInstant(ms, out));
}

// Instants for the cases, from a UTC text (the parser is tested below on its own).
std::int64_t utc(const char* text)
{
    const auto ms = parseIsoInstant(text);
    EXPECT_TRUE(ms.has_value()) << text;
    return ms.value_or(0);
}

struct LocalCase {
    const char* utc;
    const char* local;
};

void expectLocal(const LocalCase (&cases)[4])
{
    for (const LocalCase& c : cases) {
        const std::int64_t ms = utc(c.utc);
        EXPECT_EQ(formatted(ms), c.local) << c.utc;
        EXPECT_EQ(parseIsoInstant(c.local), ms) << c.local;
    }
}

TEST(IsoInstant, EachInstantCarriesItsOwnOffsetAcrossSummerTime)
{
    const test::TzScope berlin("Europe/Berlin");
    // Spring: 02:00 local does not exist, the clock jumps to 03:00.
    const LocalCase spring[] = {
        {"2026-03-29T00:59:59.999Z", "2026-03-29T01:59:59.999+01:00"},
        {"2026-03-29T01:00:00.000Z", "2026-03-29T03:00:00.000+02:00"},
        {"2026-03-28T23:00:00.000Z", "2026-03-29T00:00:00.000+01:00"},
        {"2026-03-29T22:00:00.000Z", "2026-03-30T00:00:00.000+02:00"},
    };
    expectLocal(spring);
    // Autumn: the hour from 02:00 to 03:00 local happens twice; only the offset tells them apart.
    const LocalCase autumn[] = {
        {"2026-10-25T00:30:00.250Z", "2026-10-25T02:30:00.250+02:00"},
        {"2026-10-25T00:59:59.999Z", "2026-10-25T02:59:59.999+02:00"},
        {"2026-10-25T01:00:00.000Z", "2026-10-25T02:00:00.000+01:00"},
        {"2026-10-25T01:30:00.250Z", "2026-10-25T02:30:00.250+01:00"},
    };
    expectLocal(autumn);
}

TEST(IsoInstant, MidnightAndYearEndRollOverInLocalTime)
{
    const test::TzScope berlin("Europe/Berlin");
    const LocalCase midnight[] = {
        {"2026-12-10T22:59:59.999Z", "2026-12-10T23:59:59.999+01:00"},
        {"2026-12-10T23:00:00.000Z", "2026-12-11T00:00:00.000+01:00"},
        {"2026-12-31T23:00:00.001Z", "2027-01-01T00:00:00.001+01:00"},
        {"2028-02-28T23:00:00.000Z", "2028-02-29T00:00:00.000+01:00"},
    };
    expectLocal(midnight);
}

TEST(IsoInstant, OffsetsWithMinutesBothSidesOfUtcAndBefore1970)
{
    {
        const test::TzScope kolkata("Asia/Kolkata");
        EXPECT_EQ(formatted(utc("2026-12-10T18:30:00.000Z")), "2026-12-11T00:00:00.000+05:30");
    }
    {
        const test::TzScope stJohns("America/St_Johns");
        EXPECT_EQ(formatted(utc("2026-12-10T03:29:59.123Z")), "2026-12-09T23:59:59.123-03:30");
    }
    {
        const test::TzScope utcZone("UTC");
        EXPECT_EQ(formatted(-1), "1969-12-31T23:59:59.999+00:00");
        EXPECT_EQ(formatted(0), "1970-01-01T00:00:00.000+00:00");
        // Years outside four digits take the expanded form and read back.
        const std::int64_t farFuture = utc("+010000-01-01T00:00:00Z");
        EXPECT_EQ(formatted(farFuture), "+010000-01-01T00:00:00.000+00:00");
        EXPECT_EQ(parseIsoInstant(formatted(farFuture)), farFuture);
    }
    {
        // Local mean time (+00:53:28 in Berlin before 1893) is no whole minute:
        // written in UTC, naming the same instant.
        const test::TzScope berlin("Europe/Berlin");
        const std::int64_t old = utc("1880-06-01T12:00:00.500Z");
        EXPECT_EQ(formatted(old), "1880-06-01T12:00:00.500+00:00");
    }
}

TEST(IsoInstant, ParsingAcceptsTheCommonFormsOfOneInstant)
{
    const std::int64_t expected = 1796907124123;  // 2026-12-10T12:52:04.123Z
    const char* forms[] = {
        "2026-12-10T13:52:04.123+01:00", "2026-12-10T12:52:04.123Z",      "2026-12-10T12:52:04.123z",
        "2026-12-10t13:52:04.123+0100",  "2026-12-10 13:52:04.123+01",    "2026-12-10T07:52:04.123-05:00",
        "2026-12-10T12:52:04.1234567Z",  "2026-12-10T12:52:04,123+00:00",
    };
    for (const char* form : forms)
        EXPECT_EQ(parseIsoInstant(form), expected) << form;
    EXPECT_EQ(parseIsoInstant("2026-12-10T12:52:04Z"), expected - 123);
    EXPECT_EQ(parseIsoInstant("2026-12-10T12:52:04.1Z"), expected - 23);
}

TEST(IsoInstant, ParsingRefusesWhatNamesNoInstant)
{
    const char* bad[] = {
        "",
        "2026-12-10T13:52:04.123",         // local time without offset
        "2026-12-10",                      // a date
        "2026-12-10T13:52",                // no seconds
        "2026-13-10T13:52:04Z",            // month 13
        "2026-02-29T00:00:00Z",            // not a leap year
        "2026-04-31T00:00:00Z",
        "2026-12-10T24:00:00Z",
        "2026-12-10T23:60:00Z",
        "2026-12-10T23:59:60Z",            // leap seconds are not kept by the clock either
        "2026-12-10T13:52:04.Z",           // a point without digits
        "2026-12-10T13:52:04+24:00",
        "2026-12-10T13:52:04+01:60",
        "2026-12-10T13:52:04+1",
        "2026-12-10T13:52:04+01:",
        "2026-12-10T13:52:04Z ",           // trailing text
        " 2026-12-10T13:52:04Z",
        "26-12-10T13:52:04Z",
        "2026/12/10T13:52:04Z",
        "2026-12-10T13:52:04.123+01:00:00",
        "+2026-12-10T13:52:04Z",           // an expanded year needs six digits
        "+999999-12-31T23:59:59-23:59",    // the next zone east would need a seventh digit
    };
    for (const char* text : bad)
        EXPECT_FALSE(parseIsoInstant(text).has_value()) << text;
}

}  // namespace
}  // namespace tavolo
