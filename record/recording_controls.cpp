#include "record/recording_controls.h"

#include "decode/integer_text.h"

namespace tavolo {

RecordingControls::RecordingControls(RecordRule& rule, ChartPanel& chart) : m_rule(&rule), m_chart(&chart) {}

void RecordingControls::TrecordTimer(bool RecordSI)
{
    std::int32_t& countdown = m_rule->state().SampleCountdown;
    if (RecordSI && countdown > 0)
        --countdown;
}

bool RecordingControls::RecordSITimeKeyPress(char32_t key) noexcept
{
    return key == 8 || (key >= U'0' && key <= U'9');
}

std::optional<EditReplacement> RecordingControls::RecordSITimeChange(std::string_view text)
{
    if (parseInteger(text, IntegerForm::Signed))
        return std::nullopt;
    return EditReplacement{"1", 0, 1};
}

std::string_view RecordingControls::caption(RecordLimit limit) noexcept
{
    switch (limit) {
    case RecordLimit::N1000: return "1000";
    case RecordLimit::N5000: return "5000";
    case RecordLimit::N10000: return "10000";
    case RecordLimit::N50000: return "50000";
    case RecordLimit::N100000: return "100000";
    case RecordLimit::Limitless: return "limitless";
    }
    return {};
}

std::int32_t RecordingControls::recordsFor(RecordLimit limit) noexcept
{
    switch (limit) {
    case RecordLimit::N1000: return 1000;
    case RecordLimit::N5000: return 5000;
    case RecordLimit::N10000: return 10000;
    case RecordLimit::N50000: return 50000;
    case RecordLimit::N100000: return 100000;
    case RecordLimit::Limitless: return 10'000'000;
    }
    return 10000;
}

void RecordingControls::chooseRecordLimit(RecordLimit limit)
{
    m_rule->state().MaxRecords = recordsFor(limit);
    m_checked = limit;
}

bool RecordingControls::isChecked(RecordLimit limit) const noexcept
{
    return limit == m_checked;
}

bool RecordingControls::RecordNewClick(bool answeredYes)
{
    if (!answeredYes)
        return false;
    m_chart->ChartCtl().Clear();
    m_chart->updatePageLabel();
    ReadingTable& table = m_rule->table();
    if (!table.empty())
        table.clear();
    m_rule->state().NextRecordNo = 1;
    m_rule->state().RecordCount = 0;
    m_chart->BtNewClick();
    return true;
}

}  // namespace tavolo
