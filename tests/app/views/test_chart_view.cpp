// The chart view draws only the page in view, keeps spikes when a page holds
// more points than pixel columns, shows one series at a time, coalesces
// repaints and renders bitmaps at its current size.
#include <QSignalSpy>
#include <QtTest>

#include "app/repaint_scheduler.h"
#include "app/views/chart_view.h"
#include "fake_chart_source.h"

using tavolo::ChartView;

class ChartViewTest : public QObject {
    Q_OBJECT

private slots:
    void drawsOnlyTheVisiblePage()
    {
        FakeChartSource source;
        for (int i = 1; i <= 100000; ++i)
            source.values.push_back(i % 50);
        source.current = {201, 300, -10, 60, 0};
        ChartView view;
        view.resize(376, 269);
        view.setSource(&source);
        view.refreshNow();
        // Positions 200..301: the page plus one neighbour on each side.
        QCOMPARE(view.plottedPointCount(), 102);
        QVERIFY(source.copied <= 102);
        QCOMPARE(view.xAxis->range().lower, 201.0);
        QCOMPARE(view.xAxis->range().upper, 300.0);
        QCOMPARE(view.yAxis->range().lower, -10.0);
        QCOMPARE(view.yAxis->range().upper, 60.0);
        QCOMPARE(view.areaSeries()->data()->at(0)->key, 200.0);
        QVERIFY(view.areaSeries()->visible());
        QVERIFY(!view.lineSeries()->visible());

        // Nothing changed: no copy at all.
        source.copied = 0;
        view.refreshNow();
        QCOMPARE(source.copied, 0);

        // The line series replaces the area series.
        source.current.activeSeries = 1;
        ++source.rev;
        view.refreshNow();
        QVERIFY(view.lineSeries()->visible());
        QVERIFY(!view.areaSeries()->visible());
        QCOMPARE(view.lineSeries()->dataCount(), 102);
        QCOMPARE(view.areaSeries()->dataCount(), 0);
    }

    void crowdedPageKeepsEveryColumnsExtremes()
    {
        FakeChartSource source;
        const int pageSize = 1000000;
        for (int i = 1; i <= pageSize; ++i)
            source.values.push_back(0);
        source.values[123457] = 9999;   // one-point spikes that plain thinning would drop
        source.values[876543] = -9999;
        source.current = {1, double(pageSize), -10000, 10000, 0};
        ChartView view;
        view.resize(376, 269);
        view.setSource(&source);
        view.refreshNow();
        const int columns = view.axisRect()->width();
        QVERIFY(view.plottedPointCount() <= 2 * columns);
        double high = 0;
        double low = 0;
        double highKey = 0;
        for (auto it = view.areaSeries()->data()->constBegin();
             it != view.areaSeries()->data()->constEnd(); ++it) {
            if (it->value > high) {
                high = it->value;
                highKey = it->key;
            }
            low = std::min(low, it->value);
        }
        QCOMPARE(high, 9999.0);
        QCOMPARE(highKey, 123457.0);
        QCOMPARE(low, -9999.0);
    }

    void emptyChartAndFlatRange()
    {
        FakeChartSource source;  // only the start point
        source.current = {1, 100, 0, 0, 0};
        ChartView view;
        view.resize(376, 269);
        view.setSource(&source);
        view.refreshNow();
        QCOMPARE(view.plottedPointCount(), 1);  // the start point just left of the page
        QVERIFY(view.yAxis->range().size() > 0);
    }

    // The view keeps no clock: the window's one repaint pass draws it, once
    // however many readings asked for it, and not inside the asking call.
    void repaintsAreCoalesced()
    {
        struct ChartTarget final : tavolo::RepaintTarget {
            ChartView* view = nullptr;
            void repaintFromModel() override { view->refreshNow(); }
        } target;
        FakeChartSource source;
        source.current = {1, 100, 0, 100, 0};
        ChartView view;
        view.resize(376, 269);
        view.setSource(&source);
        view.refreshNow();
        QCoreApplication::processEvents();  // the plot's own first replot, queued at creation
        target.view = &view;
        tavolo::RepaintScheduler scheduler;
        scheduler.add(&target);
        scheduler.repaintNow();
        QSignalSpy replots(&view, &QCustomPlot::afterReplot);
        QSignalSpy wanted(&view, &ChartView::refreshWanted);
        for (int i = 0; i < 200; ++i) {
            source.values.push_back(i % 100);
            ++source.rev;
            scheduler.schedule(&target);
        }
        QCOMPARE(replots.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(replots.count(), 1, 1000);
        QTest::qWait(3 * tavolo::RepaintScheduler::kIntervalMs);
        QCOMPARE(replots.count(), 1);
        QCOMPARE(view.plottedPointCount(), 102);  // positions 0..101
        // A new size asks the owner for a refresh instead of drawing by itself.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        wanted.clear();
        view.resize(300, 200);
        QCOMPARE(wanted.count(), 1);
    }

    void bitmapHasTheWidgetsSizeAndLook()
    {
        FakeChartSource source;
        for (int i = 1; i <= 100; ++i)
            source.values.push_back(i);
        source.current = {1, 100, 0, 100, 0};
        ChartView view;
        view.resize(376, 269);
        view.setSource(&source);
        QImage normal = view.renderImage();
        QCOMPARE(normal.size(), QSize(376, 269));
        view.resize(702, 420);
        const QImage large = view.renderImage();
        QCOMPARE(large.size(), QSize(702, 420));
        // The back wall is white above the rising line, the area under it light yellow.
        const QRect plot = view.axisRect()->rect();
        QCOMPARE(large.pixelColor(plot.left() + 3, plot.top() + 3), QColor(Qt::white));
        QCOMPARE(large.pixelColor(plot.right() - 3, plot.bottom() - 3), QColor(0xFF, 0xFF, 0x80));
        QCOMPARE(large.pixelColor(plot.left() - 4, plot.center().y()), QColor(Qt::yellow));
    }
};

QTEST_MAIN(ChartViewTest)
#include "test_chart_view.moc"
