#pragma once

#include <memory>

#include "serial/poll_timer.h"

class QTimer;

namespace tavolo {

// The serial driver's polling timer on the Qt event loop: a QTimer whose ticks
// run the handler on the thread that created it (the GUI thread). No reader thread.
class QtPollTimer final : public PollTimer {
public:
    QtPollTimer();
    ~QtPollTimer() override;
    QtPollTimer(const QtPollTimer&) = delete;
    QtPollTimer& operator=(const QtPollTimer&) = delete;

    void setHandler(Handler handler) override;
    void start(std::uint32_t periodMs) override;
    void stop() override;
    bool isActive() const override;

private:
    std::unique_ptr<QTimer> m_timer;
    Handler m_handler;
};

}  // namespace tavolo
