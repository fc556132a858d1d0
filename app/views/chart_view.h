#pragma once

#include <qcustomplot.h>

#include <cstdint>
#include <vector>

#include "app/views/chart_page_source.h"

namespace tavolo {

// The chart Chtshow: draws the visible page of the paging model with the
// window's look (light blue panel, silver-to-white gradient, white back wall,
// yellow left wall, dashed dark-blue value axis, area or line series).
//
// It copies only the points of the page in view. When the page holds more
// points than the plot has pixel columns, each column gets its minimum and
// maximum, in the order they occur, so no spike disappears.
//
// It keeps no clock of its own: when it needs drawing again (a new source, a new
// size) it sends refreshWanted, and its owner calls refreshNow from the window's
// one repaint pass. GUI thread only; the source must outlive the view or be
// reset with setSource(nullptr).
class ChartView : public QCustomPlot {
    Q_OBJECT

public:
    explicit ChartView(QWidget* parent = nullptr);

    void setSource(const ChartPageSource* source);

    // Brings the plotted points up to date and repaints now when anything changed.
    void refreshNow();

    // The chart as drawn now, at its current size, on white.
    QImage renderImage();

    // Points handed to the plot at the last refresh (for tests and benchmarks).
    int plottedPointCount() const;
    QCPGraph* areaSeries() const { return m_area; }
    QCPGraph* lineSeries() const { return m_line; }

signals:
    // The view needs refreshNow (its source or size changed).
    void refreshWanted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The plot, then the frame around it: a single border with a lowered bevel inside.
    void paintEvent(QPaintEvent* event) override;

private:
    void applyLook();
    void rebuildData(const ChartFrame& frame);

    static constexpr double kClampPlotHeights = 8;  // see rebuildData

    const ChartPageSource* m_source = nullptr;
    QCPGraph* m_area = nullptr;
    QCPGraph* m_line = nullptr;
    std::uint64_t m_drawnRevision = 0;
    ChartFrame m_drawnFrame;
    int m_drawnWidth = -1;
    bool m_dirty = true;
    std::vector<double> m_values;  // scratch for one page
    QVector<double> m_keys;
    QVector<double> m_plotValues;
};

}  // namespace tavolo
