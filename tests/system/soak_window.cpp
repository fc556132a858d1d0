// tavolo-soak-window: the program's window, built and shown exactly as the
// program's main() does (same TFCOMM, same serial driver, same HID system), with
// a harness around it for a long unattended run:
//   - chooses "Repeat" on and the record limit "limitless" through the window's
//     own controls, then presses "COM Connect" (port COM1);
//   - probes the GUI thread every 100 ms with a timer and records how late each
//     tick fires (a blocked event loop shows as a late tick);
//   - samples resident memory, rows and the table's own memory every few seconds;
//   - when the rows stop growing (or reach --expect), saves the table through
//     the window's "Save data files" action (dialog answered by the harness) and
//     ends through the hidden Exit.
// Messages that would be modal boxes are written to standard error instead.
//
// usage: tavolo-soak-window --out FILE [--samples FILE] [--expect N] [--idle-exit S]
// Prints a summary line "key=value ..." on standard output.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QAction>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/limit_panel_view.h"
#include "app/recording_bar.h"
#include "app/usb_state_panel.h"
#include "app/tfcomm.h"
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

struct Options {
    QString out;
    QString samples;
    long long expect = 0;
    int idleExitSeconds = 20;
};

Options parseOptions(const QStringList& args)
{
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--out"))
            o.out = args[i + 1];
        else if (args[i] == QLatin1String("--samples"))
            o.samples = args[i + 1];
        else if (args[i] == QLatin1String("--expect"))
            o.expect = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--idle-exit"))
            o.idleExitSeconds = args[i + 1].toInt();
    }
    return o;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    const Options options = parseOptions(QCoreApplication::arguments());
    if (options.out.isEmpty()) {
        std::fputs("usage: tavolo-soak-window --out FILE [--samples FILE] [--expect N] [--idle-exit S]\n", stderr);
        return 2;
    }

    TFCOMM window;
    QWidget TForm1;
    window.adjustSize();
    window.show();

    tavolo::MeterSession& session = window.session();
    window.services().setMessageHook([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    window.services().setQuestionHook([](const QString& text) {
        std::fprintf(stderr, "question (answered No): %s\n", qPrintable(text));
        return false;
    });
    window.services().setNoticeHook([](tavolo::NoticeKind, const QString& title, const QString& text) {
        std::fprintf(stderr, "notice: %s: %s\n", qPrintable(title), qPrintable(text));
    });
    window.services().setFileDialogHook([&options](const tavolo::FileDialogRequest&) { return options.out; });

    std::FILE* samples = options.samples.isEmpty() ? nullptr : std::fopen(qPrintable(options.samples), "w");
    if (samples)
        std::fputs("seconds\trss_kib\trows\ttable_bytes\tmax_probe_late_ms\tchart_bytes\n", samples);

    // GUI-thread probe: a 100 ms timer; lateness = how long after its due time it ran.
    constexpr int kProbeMs = 100;
    QElapsedTimer clock;
    clock.start();
    std::vector<int> lateness;
    lateness.reserve(1 << 16);
    qint64 lastProbe = 0;
    int windowMaxLate = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const int late = static_cast<int>(std::max<qint64>(0, now - lastProbe - kProbeMs));
        lastProbe = now;
        lateness.push_back(late);
        windowMaxLate = std::max(windowMaxLate, late);
    });

    long rssStart = -1;
    std::size_t rowsAtStart = 0;
    std::size_t lastRows = 0;
    qint64 lastGrowthMs = 0;
    bool finished = false;
    QTimer sampler;
    auto finish = [&] {
        finished = true;
        probe.stop();
        sampler.stop();
        const long rssEnd = residentKiB();
        const std::size_t rows = session.table().rowCount();
        const std::size_t tableBytes = session.table().memoryUsage();
        const std::size_t chartBytes = session.chart().memoryUsage();
        std::vector<int> sorted = lateness;
        std::sort(sorted.begin(), sorted.end());
        const int p99 = sorted.empty() ? 0 : sorted[sorted.size() * 99 / 100];
        const int maxLate = sorted.empty() ? 0 : sorted.back();
        const qint64 saveStart = clock.elapsed();
        window.recordingBar().saveasClick();
        const qint64 saveMs = clock.elapsed() - saveStart;
        std::printf("rows=%zu conversion_errors=%d rss_start_kib=%ld rss_end_kib=%ld table_bytes=%zu "
                    "chart_bytes=%zu bytes_per_row=%.1f rss_bytes_per_row=%.1f probe_ticks=%zu probe_p99_late_ms=%d "
                    "probe_max_late_ms=%d save_ms=%lld seconds=%.1f\n",
                    rows, window.conversionErrorCount(), rssStart, rssEnd, tableBytes, chartBytes,
                    rows ? static_cast<double>(tableBytes + chartBytes) / static_cast<double>(rows) : 0.0,
                    rows > rowsAtStart ? (rssEnd - rssStart) * 1024.0 / static_cast<double>(rows - rowsAtStart) : 0.0,
                    lateness.size(), p99, maxLate, static_cast<long long>(saveMs), clock.elapsed() / 1000.0);
        std::fflush(stdout);
        if (samples)
            std::fclose(samples);
        window.connectionBar().BtExit1Click();
    };
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const std::size_t rows = session.table().rowCount();
        if (samples) {
            std::fprintf(samples, "%.1f\t%ld\t%zu\t%zu\t%d\t%zu\n", now / 1000.0, residentKiB(), rows,
                         session.table().memoryUsage(), windowMaxLate, session.chart().memoryUsage());
            std::fflush(samples);
        }
        windowMaxLate = 0;
        if (rows != lastRows) {
            lastRows = rows;
            lastGrowthMs = now;
        }
        const bool reached = options.expect > 0 && static_cast<long long>(rows) >= options.expect;
        const bool idle = rows > 0 && now - lastGrowthMs > options.idleExitSeconds * 1000LL;
        if (!finished && (reached || idle))
            finish();
    });

    // The user's steps: Repeat stays on (the start default), limit "limitless", connect.
    QTimer::singleShot(300, &window, [&] {
        if (!window.recordingBar().RepeatSet->isChecked())
            window.recordingBar().RepeatSet->click();
        window.recordingBar().limitess->trigger();
        window.connectionBar().COMCon->click();
        rssStart = residentKiB();
        rowsAtStart = session.table().rowCount();
        lastProbe = clock.elapsed();
        lastGrowthMs = clock.elapsed();
        probe.start(kProbeMs);
        sampler.start(2000);
    });
    return QApplication::exec();
}
