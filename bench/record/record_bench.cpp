#include <benchmark/benchmark.h>

#include <random>

#include "reading_pool.h"
#include "record/chart_control.h"
#include "record/chart_panel.h"
#include "record/meter_session.h"
#include "record/record_rule.h"

namespace tavolo {
namespace {

const std::vector<Reading>& pool()
{
    static const std::vector<Reading> readings = bench::makeReadingPool(1 << 16);
    return readings;
}

void BM_TableAppend(benchmark::State& state)
{
    ReadingTable table;
    std::size_t i = 0;
    for (auto _ : state) {
        const Reading& r = pool()[i++ & 0xFFFF];
        RowValues row;
        row.no = static_cast<std::int32_t>(i);
        row.time = "10:15:07";
        row.dcAc = r.acDcText;
        row.value = r.valueText;
        row.unit = r.unitText;
        row.judge = r.judgeText;
        row.nval = static_cast<std::int32_t>(r.numericValue);
        table.appendRow(row);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TableAppend);

void BM_TableRandomCell(benchmark::State& state)
{
    ReadingTable table;
    const auto rows = static_cast<std::size_t>(state.range(0));
    for (std::size_t i = 0; i < rows; ++i) {
        const Reading& r = pool()[i & 0xFFFF];
        table.appendRow(RowValues{static_cast<std::int32_t>(i), "10:15:07", r.acDcText, r.valueText,
                                  r.unitText, r.judgeText, static_cast<std::int32_t>(r.numericValue), std::nullopt, RangeMode::Unknown});
    }
    std::mt19937_64 random(3);
    for (auto _ : state) {
        const std::size_t row = random() % rows;
        benchmark::DoNotOptimize(table.text(row, TableField::Value));
        benchmark::DoNotOptimize(table.intValue(row, TableField::NVal));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TableRandomCell)->Arg(1'000)->Arg(1'000'000)->Arg(10'000'000);

void BM_ChartAddValue(benchmark::State& state)
{
    ChartModel model;
    TChartControl chart(model, 100);
    double v = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(chart.AddValue(v += 0.5));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChartAddValue);

void BM_RecordRule(benchmark::State& state)
{
    ReadingTable table;
    ChartModel model;
    TChartControl chart(model, 100);
    ChartPanel panel(chart);
    RecordRule rule(table, panel);
    rule.state().MaxRecords = 2'000'000'000;
    const RecordSettings settings;
    std::size_t i = 0;
    for (auto _ : state) {
        rule.INDataToTable(pool()[i & 0xFFFF], ClockTime{10, static_cast<int>(i / 60 % 60), static_cast<int>(i % 60)},
                           settings);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordRule);

// What a view pays per repaint: the points of one page out of many.
void BM_ChartVisibleCopy(benchmark::State& state)
{
    ChartModel model;
    TChartControl chart(model, 100);
    for (int i = 0; i < 10'000'000; ++i)
        chart.AddValue(i);
    chart.FirstPage();
    chart.NextPage();
    std::vector<ChartModel::Point> points;
    for (auto _ : state) {
        model.copyPoints(model.visibleRange(1), points);
        benchmark::DoNotOptimize(points.data());
    }
}
BENCHMARK(BM_ChartVisibleCopy);

// A whole frame from the wire: decoding, recall clock, record rule and chart.
void BM_SessionFrame(benchmark::State& state)
{
    MeterSession session(nullptr, [] { return ClockTime{12, 0, 0}; });
    session.recordRule().state().MaxRecords = 2'000'000'000;
    const std::uint8_t frame[] = {0x0A, 0x34, 0x30, 0x33, 0x32, 0x31, 0x30, 0x3B,
                                  0x30, 0x30, 0x30, 0x3A, 0x30, 0x0D};
    for (auto _ : state)
        session.VexaDATA(frame, sizeof frame);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SessionFrame);

}  // namespace
}  // namespace tavolo
