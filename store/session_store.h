#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "record/meter_session.h"
#include "store/event_queue.h"
#include "store/session_writer.h"

// Mirrors a meter session into its session file as it goes: every change of
// the reading table (recorded rows with their receive instants, rows a file
// load brings, clears, replaced tables), every charted value and chart
// restart, and the session's facts. Hooked on the table as a TableListener and
// on the session as an observer; the session's thread only copies each change
// into the writer's queue (see SessionWriter for when it reaches the disk).
//
// Thread rule: create, use and destroy on the session's thread. The session
// must outlive the store. A file a store writes is locked against other
// programs until the store ends.
namespace tavolo::store {

struct StoreOptions {
    std::string link;  // "serial", "usb", "file", ...
    std::string port;  // "COM1", "/dev/ttyUSB0", the device path, ...
    std::chrono::milliseconds commitInterval{400};
    std::chrono::milliseconds retryInterval{2000};
    // Told on the writer thread when the store's health or note changes (a
    // window hands it to its own thread before showing it).
    std::function<void(const StoreStatus&)> onStatus;
    // Wall clock for the start and end facts, UTC ms (the system clock when empty).
    std::function<std::int64_t()> clock;
};

enum class OpenProblem { None, InUse };

class SessionStore final : private TableListener, private SessionObserver {
public:
    // Starts mirroring `session` into `file`. A missing or empty file begins a
    // new session (the table's present rows, if any, are its first table); an
    // existing one is continued, so restore it into `session` first. When
    // another program writes `file`, nothing is attached: returns null with
    // `problem` InUse. Any other trouble (folder missing or read-only, disk
    // full) is no reason to refuse: the store keeps the events in memory and
    // status() tells.
    static std::unique_ptr<SessionStore> open(const std::filesystem::path& file, MeterSession& session,
                                              StoreOptions options, OpenProblem* problem = nullptr);
    ~SessionStore() override;
    SessionStore(const SessionStore&) = delete;
    SessionStore& operator=(const SessionStore&) = delete;

    // Ends the session normally: writes what is pending, marks the end and
    // closes the file. Mirroring stops either way. False when it could not be
    // written within `wait` (the session then stays "not ended normally").
    bool endNormally(std::chrono::milliseconds wait = std::chrono::seconds(5));
    // Waits until everything so far is on disk; false on timeout.
    bool flush(std::chrono::milliseconds wait = std::chrono::seconds(5));

    StoreStatus status() const { return m_writer->status(); }
    const std::filesystem::path& file() const noexcept { return m_file; }

private:
    SessionStore(std::filesystem::path file, MeterSession& session, StoreOptions options, SessionLock lock,
                 bool fresh);

    // TableListener
    void rowsAppended(std::size_t first, std::size_t count) override;
    void tableCleared() override;
    void tableReplaced() override;
    // SessionObserver
    void modeChanged(bool restartChart) override;
    void readingHandled(const HandledReading& handled) override;

    void detach();
    // Hands the staged row, a pending chart start and changed facts to the writer.
    void handPending();
    StoreEvent rowEvent(std::size_t row, EventKind kind) const;
    // A recorded row waits for its reading (the chart value) in m_staged.
    void putStaged(EventBuffer& queue);
    void putChartStart(EventBuffer& queue);
    void putTable(EventBuffer& queue);
    bool factsChanged() const;
    FactsUpdate currentFacts() const;
    std::int64_t now() const;

    std::filesystem::path m_file;
    MeterSession* m_session;
    StoreOptions m_options;
    std::optional<std::size_t> m_staged;
    bool m_chartStartPending = false;
    std::size_t m_changeLogSize = 0;
    FactsUpdate m_facts;
    bool m_attached = false;
    std::unique_ptr<SessionWriter> m_writer;
};

}  // namespace tavolo::store
