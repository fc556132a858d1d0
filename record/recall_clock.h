#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "decode/reading.h"

namespace tavolo {

// Texts of the recall clock's edits as the window shows them.
struct RecallEdits {
    std::string TimeH = "23";
    std::string TimeM = "59";
    std::string TimeS = "59";
    std::string TimeInt = "1";  // step in seconds
};

// Which edits TimeHKeyUp found out of bounds (each was set to "00").
struct RecallInputErrors {
    bool hour = false;
    bool minute = false;
    bool second = false;
    bool any() const noexcept { return hour || minute || second; }
};

// The recall clock ("RecallData"): stamps readings with a synthetic time of day
// that starts at the edits' time and advances by TimeInt seconds per decoded
// frame, wrapping at midnight. While RecallCheck is off, readings carry the
// computer's time from the injected clock. GUI thread only.
//
// Steps are taken modulo a day: the carries of a step of 86400 s or more end
// where the remainder's would, and a negative step (only a paste can bring one)
// counts back. A step text that is no integer does not move the clock.
class RecallClock {
public:
    static constexpr std::string_view kInputError = "Input error!";
    static constexpr std::int32_t kSecondsPerDay = 86400;

    // `now` gives the local time of day; it is called once per frame while the
    // recall clock is off.
    explicit RecallClock(std::function<ClockTime()> now);

    // Local time of day from the system clock.
    static ClockTime systemTimeOfDay();

    // RecallCheck clicked, now `checked`: edits become "00" "00" "00" when
    // checked, "23" "59" "59" when unchecked; then the clock reads them.
    void RecallCheckClick(bool checked, RecallEdits& edits);
    // Focus left RecallCheck: the clock reads the three edits.
    void RecallCheckExit(const RecallEdits& edits);
    // Key released in TimeH, TimeM or TimeS: each edit within 0..23 / 0..59 is
    // taken; any other is reported ("Input error!"), its text set to "00", and
    // that part of the clock keeps its value.
    RecallInputErrors TimeHKeyUp(RecallEdits& edits);

    // Once per decoded frame: advances the clock by TimeInt when RecallCheck is
    // on and returns the reading's time stamp.
    ClockTime AdvanceRecallClock(bool RecallCheck, std::string_view TimeInt);

    int RecallHour() const noexcept { return m_hour; }
    int RecallMinute() const noexcept { return m_minute; }
    int RecallSecond() const noexcept { return m_second; }
    std::int32_t RecallInterval() const noexcept { return m_interval; }

private:
    // Reading the edits outside TimeHKeyUp takes only values within bounds;
    // an out-of-range paste keeps the clock's value instead of breaking it.
    void readEdits(const RecallEdits& edits);

    std::function<ClockTime()> m_now;
    int m_hour = 0;
    int m_minute = 0;
    int m_second = 0;
    std::int32_t m_interval = 0;
};

}  // namespace tavolo
