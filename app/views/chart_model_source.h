#pragma once

#include "app/views/chart_page_source.h"
#include "record/chart_model.h"

namespace tavolo {

// The chart view's source over the core's chart model: the window, ranges and
// series come from the paging, the points are copied page by page. The model
// must outlive the source. GUI thread only.
class ChartModelSource final : public ChartPageSource {
public:
    explicit ChartModelSource(const ChartModel& model) : m_model(model) {}

    std::uint64_t revision() const override { return m_model.revision(); }
    ChartFrame frame() const override
    {
        ChartFrame f;
        f.xLow = static_cast<double>(m_model.windowMinimum());
        f.xHigh = static_cast<double>(m_model.windowMaximum());
        f.yMin = m_model.verticalMinimum();
        f.yMax = m_model.verticalMaximum();
        f.activeSeries = m_model.activeSeries();
        return f;
    }
    std::int64_t pointCount() const override { return static_cast<std::int64_t>(m_model.pointCount()); }
    void copyValues(std::int64_t first, std::int64_t count, double* out) const override
    {
        const ChartModel::IndexRange range{static_cast<std::size_t>(first),
                                           static_cast<std::size_t>(first + count)};
        m_model.forEachPoint(range, [&out](const ChartModel::Point& p) { *out++ = p.y; });
    }

private:
    const ChartModel& m_model;
};

}  // namespace tavolo
