#include "serial/qt/qt_poll_timer.h"

#include <QTimer>

namespace tavolo {

QtPollTimer::QtPollTimer() : m_timer(std::make_unique<QTimer>())
{
    // The driver reads at most one buffer per tick; a coarse timer is good enough
    // and lets the system batch wake-ups.
    m_timer->setTimerType(Qt::CoarseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] {
        if (m_handler)
            m_handler();
    });
}

QtPollTimer::~QtPollTimer() = default;

void QtPollTimer::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

void QtPollTimer::start(std::uint32_t periodMs)
{
    m_timer->start(static_cast<int>(periodMs));
}

void QtPollTimer::stop()
{
    m_timer->stop();
}

bool QtPollTimer::isActive() const
{
    return m_timer->isActive();
}

}  // namespace tavolo
