#include "record/record_rule.h"

#include <cmath>

#include "record/integer_text.h"

namespace tavolo {

RecordRule::RecordRule(ReadingTable& table, ChartPanel& chart) : m_table(&table), m_chart(&chart) {}

std::int32_t RecordRule::samplingSeconds(std::string_view RecordSITime) noexcept
{
    if (RecordSITime.empty() || RecordSITime == "-" || RecordSITime == "+")
        return 0;
    const std::optional<std::int32_t> seconds = parseIntegerText(RecordSITime);
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
        v = v < 0 ? 0 : v;
        if (v >= 100) {
            m_timeText += std::to_string(v);
            return;
        }
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

RecordOutcome RecordRule::INDataToTable(const Reading& reading, ClockTime RecordTime,
                                        const RecordSettings& settings)
{
    if (m_state.RecordCount >= m_state.MaxRecords)
        return RecordOutcome::AtLimit;
    if (settings.RecordSI && m_state.SampleCountdown != 0)
        return RecordOutcome::Sampling;

    m_key.clear();
    m_key += reading.valueText;
    m_key += reading.acDcText;
    m_key += reading.unitText;
    m_key += reading.rangeText;
    RecordOutcome outcome = RecordOutcome::ChartedOnly;
    if (settings.RepeatSet || m_key != m_state.LastRecordKey) {
        m_state.LastRecordKey = m_key;
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
        m_table->appendRow(row);  // becomes the current row
        ++m_state.NextRecordNo;
        outcome = RecordOutcome::Recorded;
    }

    m_chart->ChartCtl().AddValue(reading.chartValue);
    m_chart->updatePageLabel();
    return outcome;
}

}  // namespace tavolo
