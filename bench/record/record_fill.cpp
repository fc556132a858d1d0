// Fills the reading table with ten million rows, directly and through the
// record rule with the chart, and prints throughput, resident bytes per row
// and random cell-read time. Build with CMAKE_BUILD_TYPE=Release.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

#include "reading_pool.h"
#include "record/chart_control.h"
#include "record/chart_panel.h"
#include "record/recall_clock.h"
#include "record/record_rule.h"
#include "record/recording_controls.h"

namespace {

using Clock = std::chrono::steady_clock;

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds of this thread: on a shared machine wall time also counts the
// time other processes had the core.
double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolo;
    const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000;
    const std::vector<Reading> pool = bench::makeReadingPool(1 << 16);
    std::printf("rows: %zu\n", rows);

    // 1. The table alone, rows as the record rule builds them.
    {
        const long before = residentBytes();
        ReadingTable table;
        std::vector<std::string> times;
        for (int s = 0; s < 86400; ++s) {
            char t[16];
            std::snprintf(t, sizeof t, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
            times.emplace_back(t);
        }
        const auto start = Clock::now();
        const double cpuStart = threadCpuSeconds();
        for (std::size_t i = 0; i < rows; ++i) {
            const Reading& r = pool[i & (pool.size() - 1)];
            RowValues row;
            row.no = static_cast<std::int32_t>(i + 1);
            row.time = times[i % times.size()];
            row.dcAc = r.acDcText;
            row.value = r.valueText;
            row.unit = r.unitText;
            row.judge = r.judgeText;
            row.nval = static_cast<std::int32_t>(r.numericValue);
            table.appendRow(row);
        }
        const double seconds = secondsSince(start);
        const double cpu = threadCpuSeconds() - cpuStart;
        const long after = residentBytes();
        std::printf("table append:        %.2f M rows/s CPU (%.3f s), %.2f M rows/s wall (%.3f s)\n",
                    rows / cpu / 1e6, cpu, rows / seconds / 1e6, seconds);
        std::printf("table resident:      %.1f bytes/row (RSS), %.1f bytes/row (own accounting)\n",
                    static_cast<double>(after - before) / rows, static_cast<double>(table.memoryUsage()) / rows);

        // Random cell reads over the whole table.
        std::mt19937_64 random(1);
        constexpr int kReads = 10'000'000;
        std::vector<std::uint32_t> picks(kReads);
        for (auto& p : picks)
            p = static_cast<std::uint32_t>(random() % rows);
        std::size_t checksum = 0;
        const double readStart = threadCpuSeconds();
        for (int i = 0; i < kReads; ++i) {
            const std::size_t row = picks[static_cast<std::size_t>(i)];
            const auto field = static_cast<TableField>(i % kTableFieldCount);
            if (isIntegerField(field))
                checksum += static_cast<std::size_t>(table.intValue(row, field).value_or(0));
            else
                checksum += table.text(row, field).size();
        }
        const double readSeconds = threadCpuSeconds() - readStart;
        std::printf("random cell read:    %.1f ns/cell CPU (checksum %zu)\n", readSeconds / kReads * 1e9, checksum);
    }

    // 2. Through the record rule with the chart, as live recording does.
    {
        const long before = residentBytes();
        ReadingTable table;
        ChartModel model;
        TChartControl chart(model, 100);
        ChartPanel panel(chart);
        RecordRule rule(table, panel);
        RecordingControls controls(rule, panel);
        RecallClock clock(nullptr);
        RecallEdits edits;
        clock.RecallCheckClick(true, edits);
        controls.limitessClick();
        rule.state().MaxRecords = static_cast<std::int32_t>(rows);
        RecordSettings settings;  // Repeat on, sampling off
        const auto start = Clock::now();
        const double cpuStart = threadCpuSeconds();
        for (std::size_t i = 0; i < rows; ++i) {
            const ClockTime t = clock.AdvanceRecallClock(true, edits.TimeInt);
            rule.INDataToTable(pool[i & (pool.size() - 1)], t, settings);
        }
        const double seconds = secondsSince(start);
        const double cpu = threadCpuSeconds() - cpuStart;
        const long after = residentBytes();
        std::printf("record rule + chart: %.2f M rows/s CPU (%.3f s), %.2f M rows/s wall (%.3f s); %zu rows, %zu points\n",
                    rows / cpu / 1e6, cpu, rows / seconds / 1e6, seconds, table.rowCount(), model.pointCount());
        std::printf("resident with chart: %.1f bytes/row (RSS), %.1f bytes/row (table %.1f + chart %.1f)\n",
                    static_cast<double>(after - before) / rows,
                    static_cast<double>(table.memoryUsage() + model.memoryUsage()) / rows,
                    static_cast<double>(table.memoryUsage()) / rows,
                    static_cast<double>(model.memoryUsage()) / rows);
    }

    // 3. The chart model alone.
    {
        ChartModel model;
        TChartControl chart(model, 100);
        const double start = threadCpuSeconds();
        for (std::size_t i = 0; i < rows; ++i)
            chart.AddValue(static_cast<double>(i % 4096) * 0.01);
        const double seconds = threadCpuSeconds() - start;
        std::printf("chart AddValue:      %.3f s CPU for %zu values (%.1f ns each)\n", seconds, rows,
                    seconds / rows * 1e9);
    }
    return 0;
}
