#pragma once

// The one path between a HID reader thread and the GUI thread.
//
// A reader that has read a report (or failed to start a read) parks it here and
// waits; the GUI thread serves it, that is runs the device's handler, and only then
// lets the reader go on. So reports reach the program one at a time, in order, and
// the reader's buffer is never rewritten while a handler looks at it.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tavolo {

class TJvHidDeviceReadThread;

// Runs work on the GUI thread. The Qt adapter posts queued calls (hid/qt/); tests
// and headless tools pump by hand (ManualHidDispatcher).
class HidGuiDispatcher {
public:
    virtual ~HidGuiDispatcher() = default;

    // Any thread. Runs `task` on the GUI thread soon, in posting order.
    virtual void post(std::function<void()> task) = 0;
};

// A dispatcher whose tasks run when the owner pumps it (on the thread it calls
// "GUI"). Thread-safe.
class ManualHidDispatcher final : public HidGuiDispatcher {
public:
    void post(std::function<void()> task) override;

    // Runs every task posted so far (and those they post); returns how many ran.
    std::size_t pump();

    // Waits up to `timeout` for a task, then pumps; returns how many ran.
    std::size_t waitAndPump(std::chrono::milliseconds timeout);

    // Waits up to `timeout` until a task is pending, without running it; false
    // when none came.
    bool waitForTask(std::chrono::milliseconds timeout);

    // Tasks posted and not yet run.
    std::size_t pendingTasks() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_tasks;
};

// The parking place of all readers of one controller. Shared by the controller and
// its devices (a claimed device may outlive the controller).
class HidHandOverHub : public std::enable_shared_from_this<HidHandOverHub> {
public:
    // `dispatcher` (may be null: hand-overs are then served only by
    // serviceAll() and stopReader()) must outlive every reader of this hub.
    explicit HidHandOverHub(HidGuiDispatcher* dispatcher);
    ~HidHandOverHub();

    HidHandOverHub(const HidHandOverHub&) = delete;
    HidHandOverHub& operator=(const HidHandOverHub&) = delete;

    // Reader thread: parks the reader's hand-over and waits until the GUI thread
    // has served it. Returns even when a stop was requested meanwhile only after
    // serving, so nothing that was read gets lost.
    void handOver(TJvHidDeviceReadThread& reader);

    // Reader thread, last act of its body.
    void readerEnded(TJvHidDeviceReadThread& reader);

    // GUI thread: serves every parked hand-over, in the order they were parked.
    void serviceAll();

    // GUI thread: asks the reader to end, serves its hand-over while waiting for it,
    // then joins and destroys it. Called from inside that very reader's handler (a
    // nested event loop of a report handler may stop its reader), it cannot wait:
    // the reader is destroyed as soon as that handler returns.
    void stopReader(std::unique_ptr<TJvHidDeviceReadThread> reader);

private:
    void serve(TJvHidDeviceReadThread& reader);  // state already Serving
    void finishServing(TJvHidDeviceReadThread& reader);

    HidGuiDispatcher* m_dispatcher;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TJvHidDeviceReadThread*> m_parked;
    std::vector<std::unique_ptr<TJvHidDeviceReadThread>> m_orphans;  // stopped inside their own handler
};

}  // namespace tavolo
