#include "store/session_restore.h"

#include <optional>

#include "store/session_reader.h"

namespace tavolo::store {

namespace {

RowValues rowValues(const StoreEvent& e)
{
    RowValues v;
    v.no = e.no;
    v.time = e.time;
    v.dcAc = e.dcAc;
    v.value = e.value;
    v.unit = e.unit;
    v.judge = e.judge;
    v.nval = e.nval;
    v.instantMs = e.instantMs;
    v.range = static_cast<RangeMode>(e.range);
    return v;
}

// The parts of a session a replay rebuilds; chart and state may be absent.
struct Targets {
    ReadingTable* table = nullptr;
    MeterSession* session = nullptr;
};

struct Counters {
    std::int32_t nextRecordNo = 1;
    std::int32_t recordCount = 0;
    std::string lastRecordKey;
};

std::string damagedMessage(std::size_t rows)
{
    if (rows == 0)
        return "No rows could be restored; the session file is damaged.";
    return "Rows 1\xE2\x80\x93" + std::to_string(rows) + " restored; the rest of the file is damaged.";
}

RestoreResult replay(const std::filesystem::path& file, const Targets& to, Counters* counters,
                     std::optional<SessionFacts>* factsOut)
{
    RestoreResult result;
    SessionReader reader;
    if (!reader.open(file.string())) {
        result.message = "The session could not be restored: " + reader.problem() + ".";
        return result;
    }
    std::optional<SessionFacts> facts = reader.facts();
    if (!facts) {
        result.message = "The session could not be restored: " + reader.problem() + ".";
        return result;
    }
    result.ok = true;
    if (counters)
        *counters = Counters{facts->startNextRecordNo, facts->startRecordCount, facts->startLastRecordKey};

    ReadingTable& table = *to.table;
    TChartControl* ctl = to.session ? &to.session->ChartCtl() : nullptr;
    ChartPanel* panel = to.session ? &to.session->chartPanel() : nullptr;
    if (ctl)
        ctl->Clear();

    const bool complete = reader.forEachEvent([&](const StoreEvent& e) {
        switch (e.kind) {
        case EventKind::Recorded:
            table.appendRow(rowValues(e));
            if (counters) {
                counters->nextRecordNo = e.no.value_or(counters->nextRecordNo - 1) + 1;
                ++counters->recordCount;
                // Reuses the string's room: no allocation per row.
                std::string& key = counters->lastRecordKey;
                key.assign(e.value);
                key.append(e.dcAc);
                key.append(e.unit);
                key.append(rangeModeText(static_cast<RangeMode>(e.range)));
            }
            if (ctl && e.chartValue)
                ctl->AddValue(*e.chartValue);
            break;
        case EventKind::Appended:
            table.appendRow(rowValues(e));
            break;
        case EventKind::Stored:
            table.appendStoredRow(rowValues(e), e.rowState);
            break;
        case EventKind::ChartPoint:
            if (ctl && e.chartValue)
                ctl->AddValue(*e.chartValue);
            break;
        case EventKind::Cleared:
            table.clear();
            if (counters) {
                counters->nextRecordNo = 1;
                counters->recordCount = 0;
            }
            if (ctl)
                ctl->Clear();
            break;
        case EventKind::ChartRestart:
            if (ctl) {
                ctl->Chart().restart(e.chartValue.value_or(0));
                panel->ShowSeries(ChartModel::kAreaSeries);
                panel->ShowSeries(panel->BtFill() ? ChartModel::kAreaSeries : ChartModel::kLineSeries);
            }
            break;
        case EventKind::ChartStart:
            // Written before any point of the new chart: the start point alone.
            if (ctl && ctl->Chart().pointCount() == 1)
                ctl->Chart().restart(e.chartValue.value_or(0));
            break;
        case EventKind::Replaced:
            table.clear();
            for (const ChangeLogEntry& entry : reader.changeLog(e.tableNo))
                table.appendChangeLogEntry(entry);
            break;
        }
    });
    result.rows = table.rowCount();
    result.complete = complete;
    if (!complete)
        result.message = damagedMessage(result.rows);
    if (panel)
        panel->updatePageLabel();
    if (factsOut)
        *factsOut = std::move(facts);
    return result;
}

}  // namespace

RestoreResult readSessionTable(const std::filesystem::path& file, ReadingTable& table)
{
    ReadingTable fresh;
    const RestoreResult result = replay(file, Targets{&fresh, nullptr}, nullptr, nullptr);
    if (result.ok)
        table.swap(fresh);
    return result;
}

RestoreResult restoreSession(const std::filesystem::path& file, MeterSession& session)
{
    ReadingTable fresh;
    Counters counters;
    std::optional<SessionFacts> facts;
    const RestoreResult result = replay(file, Targets{&fresh, &session}, &counters, &facts);
    if (!result.ok)
        return result;
    session.table().swap(fresh);
    RecordState& state = session.recordRule().state();
    state.NextRecordNo = counters.nextRecordNo;
    state.RecordCount = counters.recordCount;
    state.LastRecordKey = counters.lastRecordKey;
    state.SampleCountdown = 0;
    if (facts && facts->maxRecords) {
        // Through the menu when it is one of its limits, so the check mark follows.
        bool onMenu = false;
        for (int i = 0; i < kRecordLimitCount; ++i) {
            const auto limit = static_cast<RecordLimit>(i);
            if (RecordingControls::recordsFor(limit) == *facts->maxRecords) {
                session.controls().chooseRecordLimit(limit);
                onMenu = true;
            }
        }
        if (!onMenu)
            state.MaxRecords = *facts->maxRecords;
    }
    return result;
}

}  // namespace tavolo::store
