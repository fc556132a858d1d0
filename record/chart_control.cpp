#include "record/chart_control.h"

#include <algorithm>
#include <stdexcept>

namespace tavolo {

TChartControl::TChartControl(ChartModel& chart, int pageSize) : m_chart(&chart)
{
    if (auto problem = pageSizeProblem(pageSize))
        throw std::invalid_argument(*problem);
    SetPageSize(pageSize);
    m_chart->setWindowMinimum(1);
    m_chart->setWindowMaximum(m_pageSize);
    m_pageCount = 1;
    m_currentPage = 1;
    m_chart->restart(0.0);
    m_chart->setActiveSeries(ChartModel::kAreaSeries);
}

std::optional<std::string> TChartControl::pageSizeProblem(int size)
{
    if (size < 1)
        return "The page size must be at least 1. The previous page size is kept.";
    if (size > kMaxPageSize)
        return "The page size must not exceed 10000000. The previous page size is kept.";
    return std::nullopt;
}

int TChartControl::pagesFor(std::int64_t lastIndex, int pageSize) noexcept
{
    // Truncating division: an empty series (lastIndex -1) gives 0 pages.
    const std::int64_t pages = lastIndex / pageSize + (lastIndex % pageSize > 0 ? 1 : 0);
    return static_cast<int>(pages);
}

void TChartControl::scroll(std::int64_t offset, std::int64_t times)
{
    if (times <= 0 || offset == 0)
        return;
    // Each step moves only while the series reaches beyond the window in the
    // step's direction; a step that does not move leaves nothing for the next.
    std::int64_t gap = 0;
    if (offset > 0)
        gap = m_chart->maxPosition() - m_chart->windowMaximum();
    else
        gap = m_chart->windowMinimum() - m_chart->minPosition();
    if (gap <= 0)
        return;
    const std::int64_t step = offset > 0 ? offset : -offset;
    const std::int64_t moves = std::min(times, (gap + step - 1) / step);
    m_chart->moveWindow(offset * moves);
}

int TChartControl::AddValue(double value)
{
    m_chart->addPoint(value);
    const auto last = static_cast<std::int64_t>(m_chart->pointCount()) - 1;
    m_lastIndex = static_cast<int>(last);
    m_pageCount = pagesFor(last, m_pageSize);
    if (!m_browsing) {
        scroll(m_pageSize, 1);
        m_currentPage = m_pageCount;
    }
    return m_currentPage;
}

int TChartControl::FirstPage()
{
    if (m_pageCount > 1 && m_currentPage != 1) {
        scroll(-static_cast<std::int64_t>(m_pageSize), static_cast<std::int64_t>(m_currentPage) - 1);
        m_currentPage = 1;
        m_browsing = true;
    }
    return m_currentPage;
}

int TChartControl::LastPage()
{
    if (m_pageCount > 1 && m_pageCount != m_currentPage) {
        scroll(m_pageSize, static_cast<std::int64_t>(m_pageCount) - m_currentPage);
        m_currentPage = m_pageCount;
        m_browsing = false;
    }
    return m_currentPage;
}

int TChartControl::NextPage()
{
    if (m_pageCount > 1 && m_pageCount != m_currentPage) {
        scroll(m_pageSize, 1);
        ++m_currentPage;
        m_browsing = m_currentPage != m_pageCount;
    }
    return m_currentPage;
}

int TChartControl::PreviousPage()
{
    if (m_currentPage > 1) {
        scroll(-static_cast<std::int64_t>(m_pageSize), 1);
        --m_currentPage;
        m_browsing = true;
    }
    return m_currentPage;
}

std::optional<std::string> TChartControl::SetPageSize(int size)
{
    if (auto problem = pageSizeProblem(size))
        return problem;
    if (size == m_pageSize)
        return std::nullopt;
    m_pageSize = size;
    m_chart->setWindowMinimum(1);
    m_chart->setWindowMaximum(size);
    const auto n = static_cast<std::int64_t>(m_chart->pointCount()) - 1;
    m_pageCount = pagesFor(n, size);
    scroll(size, static_cast<std::int64_t>(m_pageCount) - 1);
    m_currentPage = m_pageCount;
    m_browsing = false;
    return std::nullopt;
}

void TChartControl::SetMaxValue(double value)
{
    if (value != m_maxValue) {
        m_maxValue = value;
        m_chart->setVerticalMaximum(value);
    }
}

void TChartControl::SetMinValue(double value)
{
    if (value != m_minValue) {
        m_minValue = value;
        m_chart->setVerticalMinimum(value);
    }
}

int TChartControl::Clear()
{
    FirstPage();
    m_chart->restart(0.0);
    m_browsing = false;
    return m_currentPage;
}

}  // namespace tavolo
