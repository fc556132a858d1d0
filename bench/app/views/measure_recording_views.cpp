// With ten million rows already recorded: the time to take one more reading
// through the decoder and repaint the grid and the chart, and the time to
// open the report's print preview (first page drawn). Prints the figures and
// exits non-zero when a target is missed (4 ms median and 16 ms worst per reading, 1 s to preview).
//
// Usage: QT_QPA_PLATFORM=offscreen measure_recording_views [rows]
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/chart_panel_view.h"
#include "app/recording_bar.h"
#include "app/tfcomm.h"
#include "app/views/chart_view.h"
#include "app/views/reading_grid.h"
#include "app/views/reading_report.h"
#include "app/views/reading_table_model.h"
#include "app/views/report_preview.h"
#include "decode/frame_layout.h"
#include "decode/meter_decoder.h"
#include "hid/sim/sim_hid_platform.h"
#include "record/meter_session.h"

namespace {

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// One DC volts frame as the meter sends it: range, five digits, function,
// status, four option bytes, CR LF (each value in the low four bits of "0".."?").
std::vector<std::uint8_t> frameBytes(int n)
{
    namespace frame = tavolo::frame;
    std::vector<std::uint8_t> b{frame::payloadByte(frame::range::volts::k22V)};
    char digits[6];
    std::snprintf(digits, sizeof digits, "%05d", n % 100000);
    for (int i = 0; i < 5; ++i)
        b.push_back(static_cast<std::uint8_t>(digits[i]));
    b.push_back(frame::payloadByte(frame::function::kVolts));
    b.push_back(frame::payloadByte(0));  // status
    b.push_back(frame::payloadByte(0));  // option 1
    b.push_back(frame::payloadByte(0));  // option 2
    b.push_back(frame::payloadByte(frame::option3::kDc | frame::option3::kAuto));
    b.push_back(frame::payloadByte(0));  // option 4
    b.push_back(frame::kEndByte);
    b.push_back(frame::kLineFeed);
    return b;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10'000'000;

    TFCOMM window(std::make_shared<tavolo::SimHidPlatform>());
    window.show();
    QApplication::processEvents();
    tavolo::MeterSession& session = window.session();
    QWidget* grid = window.recordingBar().DBGrid1->viewport();
    tavolo::ChartView* chart = window.chartPanel().Chtshow;
    session.controls().limitessClick();
    session.recordRule().state().MaxRecords = static_cast<std::int32_t>(rows + 1000);

    // Fill through the record rule (rows and chart points), as readings would.
    const long rssBefore = residentKiB();
    QElapsedTimer fill;
    fill.start();
    tavolo::Reading reading;
    reading.acDcText = "DC";
    reading.unitText = "V";
    reading.rangeText = "AUTO";
    reading.judgeText = "Pass";
    const tavolo::RecordSettings settings{false, "10", true};
    char value[16];
    for (long i = 0; i < rows; ++i) {
        std::snprintf(value, sizeof value, "%d.%03d", int(i % 10), int(i % 1000));
        reading.valueText = value;
        reading.numericValue = double(i % 10000);
        reading.chartValue = double(i % 2000) - 1000;
        const tavolo::ClockTime time{int(i / 3600 % 24), int(i / 60 % 60), int(i % 60)};
        session.recordRule().INDataToTable(reading, time, settings);
    }
    const double fillSeconds = fill.elapsed() / 1000.0;
    QElapsedTimer announce;
    announce.start();
    window.repaintNow();
    grid->repaint();
    chart->repaint();
    const double announceMs = announce.nsecsElapsed() / 1e6;
    const long rssGrowthKiB = residentKiB() - rssBefore;
    std::printf("filled %ld rows in %.2f s; first repaint pass and paint %.1f ms\n", rows, fillSeconds,
                announceMs);
    std::printf("whole process RSS +%ld MiB = %.1f B/row (target <= 33); of it table %.1f B/row, chart "
                "%.1f B/row\n",
                rssGrowthKiB / 1024, double(rssGrowthKiB) * 1024.0 / double(rows),
                double(session.table().memoryUsage()) / double(rows),
                double(session.chart().memoryUsage()) / double(rows));

    // One reading: decode, record, the repaint pass (grid announce+follow, chart
    // data, LCD and limit panel), then the painting it asked for (grid, chart,
    // LCD panel, limit panel: every widget whose picture changed).
    const std::uint8_t lf = 0x0A;
    window.decoder().VexaDATA(&lf, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    std::vector<double> samples;
    std::vector<double> parts[3];  // decode+record, repaint pass, painting
    for (int i = 0; i < 200; ++i) {
        const std::vector<std::uint8_t> bytes = frameBytes(i + 1);
        QElapsedTimer t;
        t.start();
        window.decoder().VexaDATA(bytes.data(), bytes.size());
        const qint64 a = t.nsecsElapsed();
        window.repaintNow();  // what the repaint clock runs
        const qint64 b = t.nsecsElapsed();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        const qint64 c = t.nsecsElapsed();
        samples.push_back(c / 1e6);
        parts[0].push_back(a / 1e6);
        parts[1].push_back((b - a) / 1e6);
        parts[2].push_back((c - b) / 1e6);
    }
    const double worst = *std::max_element(samples.begin(), samples.end());
    std::printf("append one reading + repaint grid and chart: median %.2f ms, worst %.2f ms "
                "(target median < 4 ms, worst < 16 ms); table rows %zu, grid row shown %d, chart points "
                "plotted %d\n",
                median(samples), worst, session.table().rowCount(), window.recordingBar().DBGrid1->currentRow(),
                chart->plottedPointCount());
    std::printf("  medians: decode+record %.3f ms, repaint pass (grid announce+follow, chart data, LCD) %.3f ms, "
                "painting (grid, chart, LCD, limits) %.3f ms\n",
                median(parts[0]), median(parts[1]), median(parts[2]));

    // The print preview of all rows: page count by arithmetic, first page drawn.
    QElapsedTimer open;
    open.start();
    tavolo::ReadingReport report(session.table(), session.table().rowCount());
    tavolo::ReportPreview preview(report, &window);
    preview.show();
    for (int i = 0; i < 20 && !preview.pageView()->lastPaintedPages(); ++i) {
        QApplication::processEvents();
        preview.pageView()->viewport()->repaint();
    }
    const double previewMs = open.nsecsElapsed() / 1e6;
    QElapsedTimer last;
    last.start();
    preview.pageView()->showPage(report.pageCount() - 1);
    preview.pageView()->viewport()->repaint();
    const double lastPageMs = last.nsecsElapsed() / 1e6;
    std::printf("print preview of %d pages opened in %.1f ms (target < 1000 ms), %d page(s) drawn; "
                "jump to the last page %.1f ms\n",
                report.pageCount(), previewMs, preview.pageView()->lastPaintedPages(), lastPageMs);

    const bool ok = median(samples) < 4.0 && worst < 16.0 && previewMs < 1000.0;
    return ok ? 0 : 1;
}
