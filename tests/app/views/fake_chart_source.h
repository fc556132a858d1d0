#pragma once

#include <cstdint>
#include <vector>

#include "app/views/chart_page_source.h"

// A chart source over a plain vector, counting how many values the view copies.
class FakeChartSource : public tavolo::ChartPageSource {
public:
    std::vector<double> values{0.0};  // position 0 is the start point
    tavolo::ChartFrame current;
    std::uint64_t rev = 1;
    mutable std::int64_t copied = 0;

    std::uint64_t revision() const override { return rev; }
    tavolo::ChartFrame frame() const override { return current; }
    std::int64_t pointCount() const override { return static_cast<std::int64_t>(values.size()); }
    void copyValues(std::int64_t first, std::int64_t count, double* out) const override
    {
        copied += count;
        for (std::int64_t i = 0; i < count; ++i)
            out[i] = values[static_cast<std::size_t>(first + i)];
    }
};
