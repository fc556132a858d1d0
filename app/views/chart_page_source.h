#pragma once

#include <cstdint>

namespace tavolo {

// What the chart view draws at one moment: the horizontal window (positions,
// both ends inclusive), the vertical range and which series is shown.
struct ChartFrame {
    double xLow = 1;
    double xHigh = 100;
    double yMin = 0;
    double yMax = 0;
    int activeSeries = 0;  // 0: the filled area series, 1: the line series
    friend bool operator==(const ChartFrame&, const ChartFrame&) = default;
};

// The chart view's window onto the paging model: the view asks for the frame
// and copies just the points it draws, so no second copy of all points exists.
// Positions run from 0 (the start point) to pointCount() - 1.
// Called on the GUI thread from the view's repaint.
class ChartPageSource {
public:
    virtual ~ChartPageSource() = default;

    // Changes whenever a point, the window, the range or the series changes.
    virtual std::uint64_t revision() const = 0;
    virtual ChartFrame frame() const = 0;
    virtual std::int64_t pointCount() const = 0;
    // Copies the values at positions first .. first + count - 1 (all valid) to out.
    virtual void copyValues(std::int64_t first, std::int64_t count, double* out) const = 0;
};

}  // namespace tavolo
