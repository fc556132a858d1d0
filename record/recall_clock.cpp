#include "record/recall_clock.h"

#include <chrono>
#include <ctime>
#include <optional>

#include "decode/integer_text.h"

namespace tavolo {

namespace {

std::optional<int> within(std::string_view text, int bound)
{
    const std::optional<std::int32_t> v = parseInteger(text, IntegerForm::Signed);
    if (v && *v >= 0 && *v < bound)
        return *v;
    return std::nullopt;
}

}  // namespace

RecallClock::RecallClock(std::function<ClockTime()> now) : m_now(std::move(now))
{
    if (!m_now)
        m_now = &RecallClock::systemTimeOfDay;
}

ClockTime RecallClock::systemTimeOfDay()
{
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&t, &local);
    // A leap second (tm_sec 60) is shown as :59.
    return ClockTime{local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec};
}

void RecallClock::readEdits(const RecallEdits& edits)
{
    if (auto h = within(edits.TimeH, 24))
        m_hour = *h;
    if (auto m = within(edits.TimeM, 60))
        m_minute = *m;
    if (auto s = within(edits.TimeS, 60))
        m_second = *s;
}

void RecallClock::RecallCheckClick(bool checked, RecallEdits& edits)
{
    if (checked) {
        edits.TimeH = "00";
        edits.TimeM = "00";
        edits.TimeS = "00";
    } else {
        edits.TimeH = "23";
        edits.TimeM = "59";
        edits.TimeS = "59";
    }
    readEdits(edits);
}

void RecallClock::RecallCheckExit(const RecallEdits& edits)
{
    readEdits(edits);
}

RecallInputErrors RecallClock::TimeHKeyUp(RecallEdits& edits)
{
    RecallInputErrors errors;
    auto check = [](std::string& text, int bound, int& part, bool& error) {
        if (auto v = within(text, bound)) {
            part = *v;
        } else {
            error = true;
            text = "00";
        }
    };
    check(edits.TimeH, 24, m_hour, errors.hour);
    check(edits.TimeM, 60, m_minute, errors.minute);
    check(edits.TimeS, 60, m_second, errors.second);
    return errors;
}

ClockTime RecallClock::AdvanceRecallClock(bool RecallCheck, std::string_view TimeInt)
{
    if (!RecallCheck)
        return m_now();
    if (const std::optional<std::int32_t> step = parseInteger(TimeInt, IntegerForm::Signed)) {
        m_interval = *step;
        // Carrying second by second into minutes and hours with the hour
        // wrapping to 0 is addition modulo a day; done in closed form so a
        // huge step costs no time.
        std::int64_t seconds = std::int64_t{m_hour} * 3600 + m_minute * 60 + m_second;
        seconds = ((seconds + m_interval) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
        m_hour = static_cast<int>(seconds / 3600);
        m_minute = static_cast<int>(seconds / 60 % 60);
        m_second = static_cast<int>(seconds % 60);
    }
    return ClockTime{m_hour, m_minute, m_second};
}

}  // namespace tavolo
