#include "record/meter_session.h"

#include <algorithm>
#include <chrono>

namespace tavolo {

MeterSession::MeterSession(SessionObserver* observer, std::function<ClockTime()> now)
    : m_observer(observer ? observer : &m_quiet),
      m_chartCtl(m_chart, kStartPageSize),
      m_chartPanel(m_chartCtl),
      m_rule(m_table, m_chartPanel),
      m_controls(m_rule, m_chartPanel),
      m_recall(std::move(now)),
      m_recordTime(m_recall.AdvanceRecallClock(false, {})),
      m_decoder(*this)
{
    // Series choice: the first series, then by "Fill".
    m_chartPanel.ShowSeries(ChartModel::kAreaSeries);
    m_chartPanel.ShowSeries(m_chartPanel.BtFill() ? ChartModel::kAreaSeries : ChartModel::kLineSeries);
    const double fullScale = m_decoder.limits().fullScale();
    m_chartCtl.SetMaxValue(fullScale);
    m_chartCtl.SetMinValue(-fullScale);
}

namespace {

std::int64_t systemInstantMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

void MeterSession::addObserver(SessionObserver* observer)
{
    if (observer && observer != m_observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void MeterSession::removeObserver(SessionObserver* observer)
{
    std::erase(m_observers, observer);
}

void MeterSession::setInstantSource(std::function<std::int64_t()> instantNow)
{
    m_instantNow = std::move(instantNow);
}

void MeterSession::RecallCheckClick(bool checked)
{
    m_inputs.RecallCheck = checked;
    m_recall.RecallCheckClick(checked, m_inputs.recall);
}

std::string MeterSession::decimalSymbol()
{
    return m_observer->decimalSymbol();
}

void MeterSession::resetUsbWatchdogTicks()
{
    tell([](SessionObserver& o) { o.resetUsbWatchdogTicks(); });
}

void MeterSession::traceFrame(std::string_view frameText, std::string_view frameBits)
{
    tell([&](SessionObserver& o) { o.traceFrame(frameText, frameBits); });
}

void MeterSession::setChartMaximum(double value)
{
    m_chartCtl.SetMaxValue(value);
}

void MeterSession::setChartMinimum(double value)
{
    m_chartCtl.SetMinValue(value);
}

void MeterSession::beep()
{
    tell([](SessionObserver& o) { o.beep(); });
}

void MeterSession::modeChanged(bool restartChart)
{
    m_chartPanel.ShowSeries(m_chartPanel.BtFill() ? ChartModel::kAreaSeries : ChartModel::kLineSeries);
    if (restartChart)
        m_chartPanel.BtNewClick();
    tell([&](SessionObserver& o) { o.modeChanged(restartChart); });
}

ClockTime MeterSession::advanceRecallClock()
{
    m_recordTime = m_recall.AdvanceRecallClock(m_inputs.RecallCheck, m_inputs.recall.TimeInt);
    return m_recordTime;
}

void MeterSession::recordReading(const Reading& reading)
{
    const RecordSettings settings{m_inputs.RecordSI, m_inputs.RecordSITime, m_inputs.RepeatSet};
    const std::int64_t instant = m_instantNow ? m_instantNow() : systemInstantMs();
    const RecordOutcome outcome = m_rule.INDataToTable(reading, m_recordTime, settings, instant);
    std::optional<std::size_t> row;
    if (outcome == RecordOutcome::Recorded)
        row = m_table.rowCount() - 1;
    const HandledReading handled{reading, outcome, instant, row};
    tell([&](SessionObserver& o) { o.readingHandled(handled); });
}

void MeterSession::conversionError(std::string_view message)
{
    tell([&](SessionObserver& o) { o.conversionError(message); });
}

void MeterSession::frameEnded(std::string_view frameText, bool accepted)
{
    tell([&](SessionObserver& o) { o.frameEnded(frameText, accepted); });
}

}  // namespace tavolo
