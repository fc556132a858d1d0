#include "hid/hid_hand_over.h"

#include <algorithm>

#include "hid/hid_read_thread.h"

namespace tavolo {

void ManualHidDispatcher::post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_posted.notify_all();
}

std::size_t ManualHidDispatcher::pump()
{
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty())
                return ran;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
        ++ran;
    }
}

std::size_t ManualHidDispatcher::waitAndPump(std::chrono::milliseconds timeout)
{
    waitForTask(timeout);
    return pump();
}

bool ManualHidDispatcher::waitForTask(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_posted.wait_for(lock, timeout, [this] { return !m_tasks.empty(); });
}

std::size_t ManualHidDispatcher::pendingTasks() const
{
    std::lock_guard lock(m_mutex);
    return m_tasks.size();
}

HidHandOverHub::HidHandOverHub(HidGuiDispatcher* dispatcher) : m_dispatcher(dispatcher) {}

HidHandOverHub::~HidHandOverHub() = default;

void HidHandOverHub::handOver(TJvHidDeviceReadThread& reader)
{
    {
        std::lock_guard lock(m_mutex);
        reader.m_handOverState = TJvHidDeviceReadThread::HandOverState::Parked;
        m_parked.push_back(&reader);
    }
    m_changed.notify_all();
    if (m_dispatcher) {
        // The task may outlive the hub (a queued call after the controller is gone).
        std::weak_ptr<HidHandOverHub> weak = weak_from_this();
        m_dispatcher->post([weak] {
            if (auto hub = weak.lock())
                hub->serviceAll();
        });
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return reader.m_handOverState == TJvHidDeviceReadThread::HandOverState::Idle; });
}

void HidHandOverHub::readerEnded(TJvHidDeviceReadThread& reader)
{
    {
        std::lock_guard lock(m_mutex);
        reader.m_ended = true;
    }
    m_changed.notify_all();
}

void HidHandOverHub::serviceAll()
{
    for (;;) {
        TJvHidDeviceReadThread* reader = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_parked.empty())
                return;
            reader = m_parked.front();
            m_parked.pop_front();
            reader->m_handOverState = TJvHidDeviceReadThread::HandOverState::Serving;
        }
        serve(*reader);
    }
}

void HidHandOverHub::serve(TJvHidDeviceReadThread& reader)
{
    // A handler that throws must not leave its reader parked for ever.
    struct Finish {
        HidHandOverHub& hub;
        TJvHidDeviceReadThread& reader;
        ~Finish() { hub.finishServing(reader); }
    } finish{*this, reader};
    reader.serveOnGuiThread();
}

void HidHandOverHub::finishServing(TJvHidDeviceReadThread& reader)
{
    std::unique_ptr<TJvHidDeviceReadThread> orphan;
    {
        std::lock_guard lock(m_mutex);
        reader.m_handOverState = TJvHidDeviceReadThread::HandOverState::Idle;
        auto it = std::find_if(m_orphans.begin(), m_orphans.end(),
                               [&](const auto& o) { return o.get() == &reader; });
        if (it != m_orphans.end()) {
            orphan = std::move(*it);
            m_orphans.erase(it);
        }
    }
    m_changed.notify_all();
    // Stopped from inside its own handler: it has seen the stop request and ends now.
    orphan.reset();
}

void HidHandOverHub::stopReader(std::unique_ptr<TJvHidDeviceReadThread> reader)
{
    if (!reader)
        return;
    reader->requestStop();
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (reader->m_handOverState == TJvHidDeviceReadThread::HandOverState::Serving) {
            // We are inside this reader's handler, further up the stack.
            m_orphans.push_back(std::move(reader));
            return;
        }
        if (reader->m_handOverState == TJvHidDeviceReadThread::HandOverState::Parked) {
            m_parked.erase(std::find(m_parked.begin(), m_parked.end(), reader.get()));
            reader->m_handOverState = TJvHidDeviceReadThread::HandOverState::Serving;
            lock.unlock();
            serve(*reader);
            lock.lock();
            continue;
        }
        if (reader->m_ended)
            break;
        m_changed.wait(lock, [&] {
            return reader->m_ended ||
                   reader->m_handOverState != TJvHidDeviceReadThread::HandOverState::Idle;
        });
    }
    lock.unlock();
    reader.reset();  // joins a thread that has left its body
}

}  // namespace tavolo
