#include "record/chart_panel.h"

#include <cmath>

#include "decode/integer_text.h"

namespace tavolo {

ChartPanel::ChartPanel(TChartControl& chart) : m_chart(&chart) {}

void ChartPanel::updatePageLabel()
{
    // Called for every charted reading; the text changes only with the page.
    if (m_chart->CurrentPage() != m_labelPage) {
        m_labelPage = m_chart->CurrentPage();
        m_bt10 = std::to_string(m_labelPage);
    }
}

void ChartPanel::BtFirstClick()
{
    m_chart->FirstPage();
    updatePageLabel();
}

void ChartPanel::BTPreviousClick()
{
    m_chart->PreviousPage();
    updatePageLabel();
}

void ChartPanel::BtNextClick()
{
    m_chart->NextPage();
    updatePageLabel();
}

void ChartPanel::BTlastClick()
{
    m_chart->LastPage();
    updatePageLabel();
}

void ChartPanel::MaxrecordChange(std::string_view text)
{
    m_maxrecord = text;
    m_timer2Running = true;
}

std::optional<std::string> ChartPanel::Timer2Timer()
{
    m_timer2Running = false;
    const std::optional<std::int32_t> size = parseInteger(m_maxrecord, IntegerForm::Signed);
    if (!size)
        return invalidIntegerMessage(m_maxrecord);
    if (auto refused = m_chart->SetPageSize(*size))
        return refused;
    updatePageLabel();
    return std::nullopt;
}

void ChartPanel::btFillClick(bool checked)
{
    m_btFill = checked;
    m_fillMenuChecked = checked;
    ShowSeries(checked ? ChartModel::kAreaSeries : ChartModel::kLineSeries);
}

void ChartPanel::FillClick()
{
    if (m_btFill) {
        m_fillMenuChecked = false;
        m_btFill = false;
        ShowSeries(ChartModel::kLineSeries);
    } else {
        m_fillMenuChecked = true;
        m_btFill = true;
        ShowSeries(ChartModel::kAreaSeries);
    }
}

double ChartPanel::placeholderValue()
{
    // Drawn within the range of the values the chart held, or 0..1000 when
    // that range is empty or a single value. Both series share the value.
    const ChartModel& model = m_chart->Chart();
    double low = model.lowestValue();
    double high = model.highestValue();
    if (model.pointCount() < 2 || !(low < high) || !std::isfinite(high - low)) {
        low = 0;
        high = 1000;
    }
    return std::uniform_real_distribution<double>(low, high)(m_random);
}

void ChartPanel::BtNewClick()
{
    m_chart->Chart().restart(placeholderValue());
    m_comboBox1 = 0;
    ShowSeries(ChartModel::kAreaSeries);
    ShowSeries(m_btFill ? ChartModel::kAreaSeries : ChartModel::kLineSeries);
}

void ChartPanel::ShowSeries(int index)
{
    m_chart->Chart().setActiveSeries(index);
}

}  // namespace tavolo
