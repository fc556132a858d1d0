#include "store/session_store.h"

#include <chrono>
#include <system_error>

#include "store/session_schema.h"
#include "tavolo_version.h"

namespace tavolo::store {

namespace {

std::int64_t systemNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

SessionStart sessionStart(MeterSession& session, const StoreOptions& options)
{
    const RecordState& state = session.recordRule().state();
    return SessionStart{options.clock ? options.clock() : systemNowMs(), kVersion, options.link, options.port,
                        state.NextRecordNo, state.RecordCount, state.LastRecordKey};
}

}  // namespace

std::unique_ptr<SessionStore> SessionStore::open(const std::filesystem::path& file, MeterSession& session,
                                                 StoreOptions options, OpenProblem* problem)
{
    if (problem)
        *problem = OpenProblem::None;
    std::error_code ec;
    const bool fresh = !std::filesystem::exists(file, ec) || std::filesystem::file_size(file, ec) == 0;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ec);
    std::string error;
    // A new file gets its layout before its name; should that fail (a full
    // disk, a read-only folder) the writer makes it once it can.
    if (!std::filesystem::exists(file, ec))
        createSessionFile(file.string(), sessionStart(session, options), error);
    SessionLock lock;
    if (lock.acquire(file.string(), error) == SessionLock::Result::InUse) {
        if (problem)
            *problem = OpenProblem::InUse;
        return nullptr;
    }
    // A lock that failed for any other reason is taken by the writer once it can.
    return std::unique_ptr<SessionStore>(new SessionStore(file, session, std::move(options), std::move(lock), fresh));
}

SessionStore::SessionStore(std::filesystem::path file, MeterSession& session, StoreOptions options, SessionLock lock,
                           bool fresh)
    : m_file(std::move(file)), m_session(&session), m_options(std::move(options))
{
    WriterConfig config;
    config.path = m_file.string();
    config.start = sessionStart(session, m_options);
    config.commitInterval = m_options.commitInterval;
    config.retryInterval = m_options.retryInterval;
    config.onStatus = m_options.onStatus;
    m_writer = std::make_unique<SessionWriter>(std::move(config), std::move(lock));

    ReadingTable& table = session.table();
    m_facts = currentFacts();
    m_writer->hand([&](EventBuffer& queue) {
        if (fresh && !table.empty())
            putTable(queue);
        queue.putFacts(m_facts);
    });
    m_changeLogSize = table.changeLogSize();
    table.addListener(this);
    session.addObserver(this);
    m_attached = true;
}

SessionStore::~SessionStore()
{
    detach();
    m_writer.reset();
}

std::int64_t SessionStore::now() const
{
    return m_options.clock ? m_options.clock() : systemNowMs();
}

void SessionStore::detach()
{
    if (!m_attached)
        return;
    m_attached = false;
    m_session->table().removeListener(this);
    m_session->removeObserver(this);
    handPending();
}

void SessionStore::handPending()
{
    const bool factsMoved = factsChanged();
    if (factsMoved)
        m_facts = currentFacts();
    m_writer->hand([&](EventBuffer& queue) {
        putStaged(queue);
        putChartStart(queue);
        if (factsMoved)
            queue.putFacts(m_facts);
    });
}

bool SessionStore::endNormally(std::chrono::milliseconds wait)
{
    const bool wasAttached = m_attached;
    detach();
    if (!wasAttached && m_writer->status().health == StoreHealth::Ended)
        return true;
    return m_writer->finish(now(), wait);
}

bool SessionStore::flush(std::chrono::milliseconds wait)
{
    if (m_attached)
        handPending();
    return m_writer->flush(wait);
}

StoreEvent SessionStore::rowEvent(std::size_t row, EventKind kind) const
{
    const ReadingTable& table = m_session->table();
    StoreEvent e;
    e.kind = kind;
    e.no = table.intValue(row, TableField::No);
    e.nval = table.intValue(row, TableField::NVal);
    e.instantMs = table.instantMs(row);
    e.range = static_cast<std::uint8_t>(table.range(row));
    e.rowState = table.rowState(row);
    e.time = table.text(row, TableField::Time);
    e.dcAc = table.text(row, TableField::DcAc);
    e.value = table.text(row, TableField::Value);
    e.unit = table.text(row, TableField::Unit);
    e.judge = table.text(row, TableField::Auto);
    return e;
}

void SessionStore::putStaged(EventBuffer& queue)
{
    // A row with an instant that no reading claimed: appended by someone else.
    if (m_staged) {
        queue.putEvent(rowEvent(*m_staged, EventKind::Appended));
        m_staged.reset();
    }
}

void SessionStore::putChartStart(EventBuffer& queue)
{
    if (!m_chartStartPending)
        return;
    m_chartStartPending = false;
    const ChartModel& chart = m_session->chart();
    if (chart.pointCount() == 0)
        return;
    StoreEvent e;
    e.kind = EventKind::ChartStart;
    e.chartValue = chart.value(0);
    queue.putEvent(e);
}

void SessionStore::putTable(EventBuffer& queue)
{
    const ReadingTable& table = m_session->table();
    StoreEvent replaced;
    replaced.kind = EventKind::Replaced;
    queue.putEvent(replaced);
    const std::size_t entries = table.changeLogSize();
    for (std::size_t i = 0; i < entries; ++i) {
        const ChangeLogEntry entry = table.changeLogEntry(i);
        queue.putChangeLogEntry(entry.row, entry.second, entry.third);
    }
    const std::size_t rows = table.rowCount();
    for (std::size_t row = 0; row < rows; ++row)
        queue.putEvent(rowEvent(row, EventKind::Stored));
}

void SessionStore::rowsAppended(std::size_t first, std::size_t count)
{
    const ReadingTable& table = m_session->table();
    const std::size_t logSize = table.changeLogSize();
    const bool logged = logSize >= m_changeLogSize + count;
    m_changeLogSize = logSize;
    // The record rule's row: kept back until its reading tells the chart value,
    // so the hand-over happens once per reading.
    if (count == 1 && logged && !m_staged && table.instantMs(first)) {
        m_staged = first;
        return;
    }
    m_writer->hand([&](EventBuffer& queue) {
        putStaged(queue);
        for (std::size_t row = first; row < first + count; ++row)
            queue.putEvent(rowEvent(row, logged ? EventKind::Appended : EventKind::Stored));
    });
}

void SessionStore::tableCleared()
{
    m_changeLogSize = 0;
    m_writer->hand([&](EventBuffer& queue) {
        putStaged(queue);
        StoreEvent e;
        e.kind = EventKind::Cleared;
        queue.putEvent(e);
    });
    // The chart's new start point is drawn after the table is emptied.
    m_chartStartPending = true;
}

void SessionStore::tableReplaced()
{
    m_writer->hand([&](EventBuffer& queue) {
        putStaged(queue);
        putChartStart(queue);
        putTable(queue);
    });
    m_changeLogSize = m_session->table().changeLogSize();
}

void SessionStore::modeChanged(bool restartChart)
{
    if (!restartChart)
        return;
    m_chartStartPending = false;
    m_writer->hand([&](EventBuffer& queue) {
        putStaged(queue);
        StoreEvent e;
        e.kind = EventKind::ChartRestart;
        e.chartValue = m_session->chart().value(0);
        queue.putEvent(e);
    });
}

void SessionStore::readingHandled(const HandledReading& handled)
{
    const bool charted = handled.outcome == RecordOutcome::Recorded || handled.outcome == RecordOutcome::ChartedOnly;
    const bool factsMoved = factsChanged();
    if (!charted && !m_staged && !m_chartStartPending && !factsMoved)
        return;
    if (factsMoved)
        m_facts = currentFacts();
    m_writer->hand([&](EventBuffer& queue) {
        putChartStart(queue);
        if (handled.outcome == RecordOutcome::Recorded && m_staged && handled.row == m_staged) {
            StoreEvent e = rowEvent(*m_staged, EventKind::Recorded);
            e.chartValue = handled.reading.chartValue;
            queue.putEvent(e);
            m_staged.reset();
        } else {
            putStaged(queue);
            if (charted) {
                StoreEvent e;
                e.kind = EventKind::ChartPoint;
                e.chartValue = handled.reading.chartValue;
                queue.putEvent(e);
            }
        }
        if (factsMoved)
            queue.putFacts(m_facts);
    });
}

bool SessionStore::factsChanged() const
{
    MeterSession& s = *m_session;
    const RecordingInputs& in = s.inputs();
    const LimitPanel& limits = s.decoder().limits();
    return m_facts.maxRecords != s.recordRule().state().MaxRecords || m_facts.recordSI != in.RecordSI ||
           m_facts.repeatSet != in.RepeatSet || m_facts.recallCheck != in.RecallCheck ||
           m_facts.pageSize != s.ChartCtl().PageSize() || m_facts.recordSITime != in.RecordSITime ||
           m_facts.hiLimit != limits.t1hi().text || m_facts.loLimit != limits.t1lo().text;
}

FactsUpdate SessionStore::currentFacts() const
{
    MeterSession& s = *m_session;
    const RecordingInputs& in = s.inputs();
    const LimitPanel& limits = s.decoder().limits();
    FactsUpdate f;
    f.hiLimit = limits.t1hi().text;
    f.loLimit = limits.t1lo().text;
    f.maxRecords = s.recordRule().state().MaxRecords;
    f.recordSI = in.RecordSI;
    f.recordSITime = in.RecordSITime;
    f.repeatSet = in.RepeatSet;
    f.recallCheck = in.RecallCheck;
    f.pageSize = s.ChartCtl().PageSize();
    return f;
}

}  // namespace tavolo::store
