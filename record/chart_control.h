#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "record/chart_model.h"

namespace tavolo {

// Pages the chart: appends points, counts pages of PageSize positions, moves the
// horizontal window a page at a time, follows the newest page unless the user is
// browsing, and sets the vertical range. Page k shows positions
// (k-1)*PageSize+1 .. k*PageSize; position 0 holds the start point.
//
// The window moves only by the scroll step: +PageSize only while the largest
// position lies beyond the window's upper end, -PageSize only while the
// smallest lies before its lower end.
//
// Holds a reference to the chart model, which must outlive it. GUI thread only.
class TChartControl {
public:
    static constexpr int kMaxPageSize = 10'000'000;

    // Create(chart, size): page size `size` (1..kMaxPageSize, else
    // std::invalid_argument), window 1..size, one page, start point 0 in the
    // series, series 0 shown.
    TChartControl(ChartModel& chart, int pageSize);
    static TChartControl Create(ChartModel& chart, int pageSize) { return TChartControl(chart, pageSize); }

    // Adds a point to every series; follows the newest page unless Browsing.
    // Constant time. Returns CurrentPage.
    int AddValue(double value);

    int FirstPage();
    int PreviousPage();
    int NextPage();
    int LastPage();

    // Applies a new page size and shows the last page. A size below 1 or above
    // kMaxPageSize never reaches the page arithmetic: the old size stays and the
    // reason is returned for the window to show. nullopt when accepted
    // (including an unchanged size, which does nothing).
    std::optional<std::string> SetPageSize(int size);

    // Vertical range; an equal value changes nothing on the axis.
    void SetMaxValue(double value);
    void SetMinValue(double value);

    // Back to page 1, every series emptied down to its start point, following
    // again. PageCount keeps its value until the next AddValue.
    int Clear();

    ChartModel& Chart() const noexcept { return *m_chart; }
    int CurrentPage() const noexcept { return m_currentPage; }
    int PageSize() const noexcept { return m_pageSize; }
    int PageCount() const noexcept { return m_pageCount; }
    bool Browsing() const noexcept { return m_browsing; }
    int LastIndex() const noexcept { return m_lastIndex; }
    double MaxValue() const noexcept { return m_maxValue; }
    double MinValue() const noexcept { return m_minValue; }

    // Why a page size is refused, or nullopt when SetPageSize would take it.
    static std::optional<std::string> pageSizeProblem(int size);

private:
    // Applies the scroll step `times` times (at most), in closed form.
    void scroll(std::int64_t offset, std::int64_t times);
    static int pagesFor(std::int64_t lastIndex, int pageSize) noexcept;

    ChartModel* m_chart;
    int m_currentPage = 1;
    int m_pageSize = 0;
    int m_pageCount = 1;
    bool m_browsing = false;
    int m_lastIndex = 0;
    double m_maxValue = 0;
    double m_minValue = 0;
};

}  // namespace tavolo
