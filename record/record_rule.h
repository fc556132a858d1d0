#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "decode/reading.h"
#include "record/chart_panel.h"
#include "record/reading_table.h"

namespace tavolo {

// Record-rule state. Start values are those of a fresh program.
struct RecordState {
    std::int32_t RecordCount = 0;     // rows added by the rule since start or the last clear
    std::int32_t NextRecordNo = 1;    // No of the next recorded row
    std::int32_t MaxRecords = 10000;  // record limit
    std::int32_t SampleCountdown = 0; // seconds until the sampling interval admits a row
    std::string LastRecordKey;        // repeat key of the last recorded row
};

// The check boxes and the edit the rule reads, as the window shows them.
struct RecordSettings {
    bool RecordSI = false;             // "Sampling Interval 'S"
    std::string_view RecordSITime = "10";
    bool RepeatSet = true;             // "Repeat"
};

// What one call did.
enum class RecordOutcome {
    AtLimit,        // RecordCount reached MaxRecords: nothing recorded or charted
    Sampling,       // the sampling interval holds it back: nothing recorded or charted
    ChartedOnly,    // same as the last recorded reading: charted, not recorded
    Recorded,       // new row appended and charted
};

// The rule that admits a decoded reading as a table row and charts it. The
// only way live readings enter the table. References must outlive the rule.
// GUI thread only (inside the decoding of one frame).
class RecordRule {
public:
    RecordRule(ReadingTable& table, ChartPanel& chart);

    // Limit, sampling interval, repeat filter, remember, count, append, chart
    // and page label, in this order. `RecordTime` is the reading's time stamp;
    // `instantMs`, when known, the receive instant the row keeps.
    RecordOutcome INDataToTable(const Reading& reading, ClockTime RecordTime, const RecordSettings& settings,
                                std::optional<std::int64_t> instantMs = std::nullopt);

    RecordState& state() noexcept { return m_state; }
    const RecordState& state() const noexcept { return m_state; }

    // The locale's time separator between hh, mm and ss (":" by default).
    void setTimeSeparator(std::string_view separator) { m_timeSeparator = separator; }

    // SampleCountdown for the interval text: 0 for "", "-", "+"; a negative or
    // unreadable text also gives 0, so a pasted "-5" cannot stop recording for good.
    static std::int32_t samplingSeconds(std::string_view RecordSITime) noexcept;
    // NVal for NumericValue: nearest integer, ties to even; empty when it does
    // not fit 32 bits (or is not a number).
    static std::optional<std::int32_t> wholeCount(double NumericValue) noexcept;

    ReadingTable& table() const noexcept { return *m_table; }

private:
    std::string_view formatTime(ClockTime t);
    bool repeatsLastKey(const Reading& reading) const noexcept;

    ReadingTable* m_table;
    ChartPanel* m_chart;
    RecordState m_state;
    std::string m_timeSeparator = ":";
    std::string m_timeText;  // reused for every row: no allocation per frame
};

}  // namespace tavolo
