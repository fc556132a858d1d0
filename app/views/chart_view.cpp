#include "app/views/chart_view.h"

#include <QPainter>

#include <algorithm>

#include "app/window_fonts.h"

namespace tavolo {
namespace {

const QColor kPanelBlue(0xC0, 0xDD, 0xF8);
const QColor kAreaYellow(0xFF, 0xFF, 0x80);
const QColor kPenBlue(0x00, 0x80, 0xFF);
const QColor kLineLime(0x80, 0xFF, 0x00);
const QColor kAxisDarkBlue(0x00, 0x40, 0x80);
constexpr int kLeftWallWidth = 8;

// Four minor ticks between two major ones.
class FourSubTicks : public QCPAxisTicker {
protected:
    int getSubTickCount(double tickStep) override
    {
        (void)tickStep;
        return 4;
    }
};

// The yellow wall along the left of the plot, between the value axis and the
// white back wall. Drawn as part of the plot so bitmaps carry it too.
class LeftWall : public QCPLayerable {
public:
    explicit LeftWall(QCustomPlot* plot) : QCPLayerable(plot, QStringLiteral("background")) {}

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override
    {
        painter->setAntialiasing(false);
    }
    void draw(QCPPainter* painter) override
    {
        const QRect plot = mParentPlot->axisRect()->rect();
        painter->fillRect(QRect(plot.left() - kLeftWallWidth, plot.top(), kLeftWallWidth,
                                plot.height()),
                          Qt::yellow);
    }
};

}  // namespace

ChartView::ChartView(QWidget* parent) : QCustomPlot(parent)
{
    m_area = addGraph();
    m_line = addGraph();
    new LeftWall(this);  // owned by the plot's layer system
    applyLook();
}

void ChartView::applyLook()
{
    setNoAntialiasingOnDrag(true);
    setInteractions(QCP::Interactions());  // no zooming or panning by mouse
    setPlottingHint(QCP::phCacheLabels, true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kPanelBlue);
    setPalette(pal);

    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, QColor(0xC0, 0xC0, 0xC0));
    gradient.setColorAt(1, Qt::white);
    setBackground(QBrush(gradient));
    axisRect()->setBackground(QBrush(Qt::white));
    axisRect()->setMinimumMargins(QMargins(4, 4, 8, 4));

    xAxis->setLabel(QStringLiteral("Record Number"));
    yAxis->setLabel(QStringLiteral("Value"));
    const QFont labelFont = msSansSerifFont(11);
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new FourSubTicks));
        axis->setTickLength(0, 3);
        axis->setSubTickLength(0, 2);
        axis->setLabelFont(labelFont);
        axis->setTickLabelFont(labelFont);
        axis->grid()->setVisible(true);
        axis->grid()->setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 0, Qt::DotLine));
    }
    yAxis->setBasePen(QPen(kAxisDarkBlue, 1, Qt::DashLine));
    yAxis->setOffset(kLeftWallWidth);  // room for the wall between axis and plot
    xAxis->setRange(1, 100);
    yAxis->setRange(0, 1);

    m_area->setPen(QPen(kPenBlue, 1));
    m_area->setBrush(QBrush(kAreaYellow));
    m_area->setLineStyle(QCPGraph::lsLine);
    m_area->setAdaptiveSampling(false);  // the view already thins to pixel columns
    // An antialiased fill costs tens of milliseconds per repaint once the area
    // runs off the plot; the blue pen on top keeps the edge smooth.
    m_area->setAntialiasedFill(false);
    m_line->setPen(QPen(kLineLime, 1));
    m_line->setBrush(Qt::NoBrush);
    m_line->setLineStyle(QCPGraph::lsLine);
    m_line->setAdaptiveSampling(false);
    m_line->setVisible(false);
}

void ChartView::setSource(const ChartPageSource* source)
{
    m_source = source;
    m_dirty = true;
    emit refreshWanted();
}

void ChartView::resizeEvent(QResizeEvent* event)
{
    QCustomPlot::resizeEvent(event);
    m_dirty = true;
    emit refreshWanted();
}

void ChartView::paintEvent(QPaintEvent* event)
{
    QCustomPlot::paintEvent(event);
    QPainter p(this);
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    p.setPen(Qt::black);
    p.drawRect(outer);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    p.setPen(QColor(0x80, 0x80, 0x80));  // lowered: shadow on top and left
    p.drawLine(inner.topLeft(), inner.topRight());
    p.drawLine(inner.topLeft(), inner.bottomLeft());
    p.setPen(Qt::white);  // light on bottom and right
    p.drawLine(inner.bottomLeft(), inner.bottomRight());
    p.drawLine(inner.topRight(), inner.bottomRight());
}

void ChartView::refreshNow()
{
    if (!m_source) {
        if (m_dirty) {
            m_area->data()->clear();
            m_line->data()->clear();
            m_dirty = false;
            replot(rpQueuedReplot);
        }
        return;
    }
    // A chart not yet shown has had no resize event: lay it out for its size
    // so the pixel columns below are the ones it will draw.
    if (viewport() != rect()) {
        setViewport(rect());
        updateLayout();
    }
    const ChartFrame frame = m_source->frame();
    const std::uint64_t revision = m_source->revision();
    const int columns = std::max(1, axisRect()->width());
    if (!m_dirty && revision == m_drawnRevision && frame == m_drawnFrame && columns == m_drawnWidth)
        return;
    m_dirty = false;
    m_drawnRevision = revision;
    m_drawnFrame = frame;

    xAxis->setRange(frame.xLow, frame.xHigh);
    // An empty vertical range (both ends 0 before any reading) still needs a scale.
    const double yLow = std::min(frame.yMin, frame.yMax);
    const double yHigh = std::max(frame.yMin, frame.yMax);
    yAxis->setRange(yLow, yHigh > yLow ? yHigh : yLow + 1);
    // New ranges bring tick labels of other widths, and so another plot width:
    // lay out again so the pixel columns are those this replot will draw.
    updateLayout();
    m_drawnWidth = std::max(1, axisRect()->width());
    rebuildData(frame);
    m_area->setVisible(frame.activeSeries == 0);
    m_line->setVisible(frame.activeSeries != 0);
    replot(rpQueuedRefresh);  // painted with the rest of the window in one go
}

void ChartView::rebuildData(const ChartFrame& frame)
{
    m_keys.clear();
    m_plotValues.clear();
    QCPGraph* shown = frame.activeSeries == 0 ? m_area : m_line;
    QCPGraph* hidden = shown == m_area ? m_line : m_area;
    hidden->data()->clear();

    const std::int64_t count = m_source->pointCount();
    // One point beyond each end so the line runs into the plot's edges.
    const auto low = std::max<std::int64_t>(0, static_cast<std::int64_t>(frame.xLow) - 1);
    const auto high = std::min<std::int64_t>(count - 1, static_cast<std::int64_t>(frame.xHigh) + 1);
    if (high < low) {
        shown->data()->clear();
        return;
    }
    const std::int64_t n = high - low + 1;
    const std::int64_t columns = std::max(1, axisRect()->width());

    if (n <= 2 * columns) {
        m_values.resize(static_cast<std::size_t>(n));
        m_source->copyValues(low, n, m_values.data());
        m_keys.reserve(static_cast<int>(n));
        m_plotValues.reserve(static_cast<int>(n));
        for (std::int64_t i = 0; i < n; ++i) {
            m_keys.push_back(static_cast<double>(low + i));
            m_plotValues.push_back(m_values[static_cast<std::size_t>(i)]);
        }
    } else {
        // More points than pixel columns: each column keeps its extremes.
        m_keys.reserve(static_cast<int>(2 * columns));
        m_plotValues.reserve(static_cast<int>(2 * columns));
        constexpr std::int64_t kChunk = 65536;
        m_values.resize(static_cast<std::size_t>(std::min(n, kChunk)));
        std::int64_t chunkFirst = 0;
        std::int64_t chunkCount = 0;
        auto valueAt = [&](std::int64_t i) {  // i relative to low, increasing
            if (i >= chunkFirst + chunkCount) {
                chunkFirst = i;
                chunkCount = std::min(kChunk, n - i);
                m_source->copyValues(low + chunkFirst, chunkCount, m_values.data());
            }
            return m_values[static_cast<std::size_t>(i - chunkFirst)];
        };
        for (std::int64_t c = 0; c < columns; ++c) {
            const std::int64_t begin = c * n / columns;
            const std::int64_t end = (c + 1) * n / columns;
            if (begin >= end)
                continue;
            std::int64_t minAt = begin;
            std::int64_t maxAt = begin;
            double minValue = valueAt(begin);
            double maxValue = minValue;
            for (std::int64_t i = begin + 1; i < end; ++i) {
                const double v = valueAt(i);
                if (v < minValue) {
                    minValue = v;
                    minAt = i;
                } else if (v > maxValue) {
                    maxValue = v;
                    maxAt = i;
                }
            }
            const bool minFirst = minAt <= maxAt;
            m_keys.push_back(static_cast<double>(low + (minFirst ? minAt : maxAt)));
            m_plotValues.push_back(minFirst ? minValue : maxValue);
            if (minAt != maxAt) {
                m_keys.push_back(static_cast<double>(low + (minFirst ? maxAt : minAt)));
                m_plotValues.push_back(minFirst ? maxValue : minValue);
            }
        }
    }
    // A value far outside the vertical range (a reading from another range) is
    // drawn as if it stood a few plot heights beyond the edge: the line still
    // leaves the plot almost vertically, and the fill polygon stays of sane size
    // (pixel coordinates far beyond the plot slow the rasterizer or overflow it).
    const double yLow = yAxis->range().lower;
    const double yHigh = yAxis->range().upper;
    const double reach = kClampPlotHeights * (yHigh - yLow);
    for (double& v : m_plotValues)
        v = std::clamp(v, yLow - reach, yHigh + reach);
    shown->setData(m_keys, m_plotValues, true);
}

int ChartView::plottedPointCount() const
{
    return m_area->visible() ? m_area->dataCount() : m_line->dataCount();
}

QImage ChartView::renderImage()
{
    refreshNow();
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QCPPainter painter(&image);
    toPainter(&painter, width(), height());
    painter.end();
    return image;
}

}  // namespace tavolo
