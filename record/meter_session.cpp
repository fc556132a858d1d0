#include "record/meter_session.h"

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
    m_observer->resetUsbWatchdogTicks();
}

void MeterSession::traceFrame(std::string_view frameText, std::string_view frameBits)
{
    m_observer->traceFrame(frameText, frameBits);
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
    m_observer->beep();
}

void MeterSession::modeChanged(bool restartChart)
{
    m_chartPanel.ShowSeries(m_chartPanel.BtFill() ? ChartModel::kAreaSeries : ChartModel::kLineSeries);
    if (restartChart)
        m_chartPanel.BtNewClick();
    m_observer->modeChanged(restartChart);
}

ClockTime MeterSession::advanceRecallClock()
{
    m_recordTime = m_recall.AdvanceRecallClock(m_inputs.RecallCheck, m_inputs.recall.TimeInt);
    return m_recordTime;
}

void MeterSession::recordReading(const Reading& reading)
{
    const RecordSettings settings{m_inputs.RecordSI, m_inputs.RecordSITime, m_inputs.RepeatSet};
    m_observer->readingHandled(m_rule.INDataToTable(reading, m_recordTime, settings));
}

void MeterSession::conversionError(std::string_view message)
{
    m_observer->conversionError(message);
}

void MeterSession::frameEnded(std::string_view frameText, bool accepted)
{
    m_observer->frameEnded(frameText, accepted);
}

}  // namespace tavolo
