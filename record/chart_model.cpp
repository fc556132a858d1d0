#include "record/chart_model.h"

#include <algorithm>

namespace tavolo {

void ChartModel::addPoint(double value)
{
    m_values.push_back(value);
    m_lowest = std::min(m_lowest, value);
    m_highest = std::max(m_highest, value);
    ++m_revision;
}

void ChartModel::restart(double firstValue)
{
    m_values.clear();
    m_lowest = std::numeric_limits<double>::infinity();
    m_highest = -std::numeric_limits<double>::infinity();
    addPoint(firstValue);
}

std::int64_t ChartModel::maxPosition() const noexcept
{
    return m_values.empty() ? 0 : static_cast<std::int64_t>(m_values.size()) - 1;
}

void ChartModel::setWindowMinimum(std::int64_t x)
{
    m_xMin = x;
    ++m_revision;
}

void ChartModel::setWindowMaximum(std::int64_t x)
{
    m_xMax = x;
    ++m_revision;
}

void ChartModel::moveWindow(std::int64_t offset)
{
    m_xMin += offset;
    m_xMax += offset;
    ++m_revision;
}

void ChartModel::setVerticalMaximum(double y)
{
    m_yMax = y;
    ++m_revision;
}

void ChartModel::setVerticalMinimum(double y)
{
    m_yMin = y;
    ++m_revision;
}

void ChartModel::setActiveSeries(int index)
{
    m_active = (index >= 0 && index < kSeriesCount) ? index : -1;
    ++m_revision;
}

ChartModel::IndexRange ChartModel::visibleRange(std::size_t margin) const noexcept
{
    const auto count = static_cast<std::int64_t>(m_values.size());
    const auto m = static_cast<std::int64_t>(margin);
    const std::int64_t first = std::max<std::int64_t>(m_xMin - m, 0);
    const std::int64_t last = std::min<std::int64_t>(m_xMax + m + 1, count);
    if (first >= last)
        return {};
    return {static_cast<std::size_t>(first), static_cast<std::size_t>(last)};
}

void ChartModel::copyPoints(IndexRange range, std::vector<Point>& out) const
{
    out.clear();
    out.reserve(range.size());
    forEachPoint(range, [&out](Point p) { out.push_back(p); });
}

}  // namespace tavolo
