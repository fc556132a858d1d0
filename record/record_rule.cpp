#include "record/record_rule.h"

#include <cmath>

#include "decode/integer_text.h"

namespace tavolo {

RecordRule::RecordRule(ReadingTable& table, ChartPanel& chart) : m_table(&table), m_chart(&chart) {}

std::int32_t RecordRule::samplingSeconds(std::string_view RecordSITime) noexcept
{
    if (RecordSITime.empty() || RecordSITime == "-" || RecordSITime == "+")
        return 0;
    const std::optional<std::int32_t> seconds = parseInteger(RecordSITime, IntegerForm::Signed);
    return (seconds && *seconds > 0) ? *seconds : 0;
}

std::optional<std::int32_t> RecordRule::wholeCount(double NumericValue) noexcept
{
    if (!std::isfinite(NumericValue))
        return std::nullopt;
    // Meter counts are whole numbers: take them without the division below.
    if (NumericValue >= -2147483648.0 && NumericValue <= 2147483647.0) {
        const auto whole = static_cast<std::int32_t>(NumericValue);
        if (static_cast<double>(whole) == NumericValue)
            return whole;
    }
    // remainder() rounds the quotient to even, so this is round-half-even
    // whatever the floating-point rounding mode is.
    const double rounded = NumericValue - std::remainder(NumericValue, 1.0);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::string_view RecordRule::formatTime(ClockTime t)
{
    auto two = [this](int v) {
        // Parts are 0..23 and 0..59; anything else is clamped to two digits.
        v = v < 0 ? 0 : (v > 99 ? 99 : v);
        m_timeText += static_cast<char>('0' + v / 10);
        m_timeText += static_cast<char>('0' + v % 10);
    };
    m_timeText.clear();
    two(t.hour);
    m_timeText += m_timeSeparator;
    two(t.minute);
    m_timeText += m_timeSeparator;
    two(t.second);
    return m_timeText;
}

bool RecordRule::repeatsLastKey(const Reading& r) const noexcept
{
    // The key is ValueText + AcDcText + UnitText + RangeText; compared piece by
    // piece so that no key is built for a reading that is not recorded.
    std::string_view last = m_state.LastRecordKey;
    for (const std::string* part : {&r.valueText, &r.acDcText, &r.unitText, &r.rangeText}) {
        if (last.substr(0, part->size()) != *part)
            return false;
        last.remove_prefix(part->size());
    }
    return last.empty();
}

RecordOutcome RecordRule::INDataToTable(const Reading& reading, ClockTime RecordTime,
                                        const RecordSettings& settings, std::optional<std::int64_t> instantMs)
{
    if (m_state.RecordCount >= m_state.MaxRecords)
        return RecordOutcome::AtLimit;
    if (settings.RecordSI && m_state.SampleCountdown != 0)
        return RecordOutcome::Sampling;

    RecordOutcome outcome = RecordOutcome::ChartedOnly;
    if (settings.RepeatSet || !repeatsLastKey(reading)) {
        std::string& key = m_state.LastRecordKey;
        key.assign(reading.valueText);
        key += reading.acDcText;
        key += reading.unitText;
        key += reading.rangeText;
        m_state.SampleCountdown = samplingSeconds(settings.RecordSITime);
        ++m_state.RecordCount;

        RowValues row;
        row.value = reading.valueText;
        row.nval = wholeCount(reading.numericValue);
        row.time = formatTime(RecordTime);
        row.no = m_state.NextRecordNo;
        row.dcAc = reading.acDcText;
        row.unit = reading.unitText;
        row.judge = reading.judgeText;
        row.instantMs = instantMs;
        row.range = rangeModeFromText(reading.rangeText);
        m_table->appendRow(row);  // becomes the current row
        ++m_state.NextRecordNo;
        outcome = RecordOutcome::Recorded;
    }

    m_chart->ChartCtl().AddValue(reading.chartValue);
    m_chart->updatePageLabel();
    return outcome;
}

}  // namespace tavolo
