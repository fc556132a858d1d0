#pragma once

#include <cstdint>
#include <functional>

namespace tavolo {

// The periodic timer that drives the serial port driver's polling. It calls its
// handler on the thread that owns it, between other events of that thread, never
// concurrently with them: the program uses a Qt timer on the GUI event loop
// (serial/qt/qt_poll_timer.h), tests and the command-line loop a manual one.
class PollTimer {
public:
    using Handler = std::function<void()>;

    virtual ~PollTimer() = default;

    // The handler of every tick; set once by the timer's user before start().
    virtual void setHandler(Handler handler) = 0;

    // Starts, or restarts, ticking every `periodMs` milliseconds (> 0).
    virtual void start(std::uint32_t periodMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// A timer that ticks only when told to: the caller decides when time has passed.
class ManualPollTimer final : public PollTimer {
public:
    void setHandler(Handler handler) override { m_handler = std::move(handler); }
    void start(std::uint32_t periodMs) override
    {
        m_periodMs = periodMs;
        m_active = true;
        ++m_startCount;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    // One tick: runs the handler when the timer is active. True when it ran.
    bool tick()
    {
        if (!m_active || !m_handler)
            return false;
        m_handler();
        return true;
    }

    std::uint32_t periodMs() const { return m_periodMs; }  // of the last start()
    int startCount() const { return m_startCount; }       // how often start() was called

private:
    Handler m_handler;
    std::uint32_t m_periodMs = 0;
    bool m_active = false;
    int m_startCount = 0;
};

}  // namespace tavolo
