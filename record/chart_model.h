#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "record/chunked_array.h"

namespace tavolo {

// The chart's data, apart from any widget: two series (0 the filled area, 1 the
// line) that always hold the same points, so each value is stored once; the
// point at index i sits at horizontal position i. Also the axis window (fixed
// ends set by the paging), the vertical range and which series is shown.
//
// A view asks for visibleRange() and copies or walks only those points, so
// drawing costs the page size, not the number of points. revision() grows with
// every change; a view repaints only when it differs from the one it drew.
//
// GUI thread only. Values: the plotted numbers (units of the reading's range).
class ChartModel {
public:
    static constexpr int kSeriesCount = 2;
    static constexpr int kAreaSeries = 0;
    static constexpr int kLineSeries = 1;
    // Every point is drawn blue.
    static constexpr std::uint8_t kPointRed = 0, kPointGreen = 0, kPointBlue = 255;

    struct Point {
        std::int64_t x;
        double y;
    };

    // Index range [first, last) of the points inside the horizontal window,
    // widened by `margin` points on each side (a line view wants one more on
    // each side so its segments reach the window's edges).
    struct IndexRange {
        std::size_t first = 0;
        std::size_t last = 0;
        std::size_t size() const noexcept { return last - first; }
    };

    // Points: every series gets the same ones.
    std::size_t pointCount() const noexcept { return m_values.size(); }
    double value(std::size_t index) const noexcept { return m_values[index]; }
    void addPoint(double value);
    // Removes every point of every series and adds one at position 0.
    void restart(double firstValue);
    // Smallest and largest value held since the last restart; both 0 when empty.
    double lowestValue() const noexcept { return m_values.empty() ? 0 : m_lowest; }
    double highestValue() const noexcept { return m_values.empty() ? 0 : m_highest; }
    // Largest / smallest position held (0 for an empty series).
    std::int64_t maxPosition() const noexcept;
    std::int64_t minPosition() const noexcept { return 0; }

    // Horizontal window, inclusive positions; only the paging moves it.
    std::int64_t windowMinimum() const noexcept { return m_xMin; }
    std::int64_t windowMaximum() const noexcept { return m_xMax; }
    void setWindowMinimum(std::int64_t x);
    void setWindowMaximum(std::int64_t x);
    void moveWindow(std::int64_t offset);

    double verticalMaximum() const noexcept { return m_yMax; }
    double verticalMinimum() const noexcept { return m_yMin; }
    void setVerticalMaximum(double y);
    void setVerticalMinimum(double y);

    // Which series is shown; -1 when none (between hiding all and showing one).
    int activeSeries() const noexcept { return m_active; }
    void setActiveSeries(int index);
    bool isSeriesActive(int index) const noexcept { return index == m_active; }

    IndexRange visibleRange(std::size_t margin = 0) const noexcept;
    // Calls f(Point) for each point of `range`.
    template <typename F>
    void forEachPoint(IndexRange range, F&& f) const
    {
        std::size_t i = range.first;
        m_values.forEachSpan(range.first, range.last, [&](const double* p, std::size_t n) {
            for (std::size_t k = 0; k < n; ++k, ++i)
                f(Point{static_cast<std::int64_t>(i), p[k]});
        });
    }
    // Replaces `out` with the points of `range`.
    void copyPoints(IndexRange range, std::vector<Point>& out) const;

    std::uint64_t revision() const noexcept { return m_revision; }
    std::size_t memoryUsage() const noexcept { return m_values.memoryUsage(); }

private:
    ChunkedArray<double, 16> m_values;
    double m_lowest = std::numeric_limits<double>::infinity();
    double m_highest = -std::numeric_limits<double>::infinity();
    std::int64_t m_xMin = 0;
    std::int64_t m_xMax = 0;
    double m_yMin = 0;
    double m_yMax = 0;
    int m_active = kAreaSeries;
    std::uint64_t m_revision = 0;
};

}  // namespace tavolo
