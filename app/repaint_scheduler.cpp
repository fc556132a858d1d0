#include "app/repaint_scheduler.h"

#include <QTimer>

#include <algorithm>

namespace tavolo {

RepaintScheduler::RepaintScheduler(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &RepaintScheduler::repaintNow);
    m_clock.start();
}

void RepaintScheduler::add(RepaintTarget* target)
{
    const auto known = std::find_if(m_targets.begin(), m_targets.end(),
                                    [target](const Entry& e) { return e.target == target; });
    if (known == m_targets.end())
        m_targets.push_back({target, true});
}

void RepaintScheduler::remove(RepaintTarget* target)
{
    std::erase_if(m_targets, [target](const Entry& e) { return e.target == target; });
}

void RepaintScheduler::schedule(RepaintTarget* target)
{
    for (Entry& e : m_targets)
        if (e.target == target)
            e.due = true;
    start();
}

void RepaintScheduler::scheduleAll()
{
    for (Entry& e : m_targets)
        e.due = true;
    start();
}

bool RepaintScheduler::isPending() const { return m_timer->isActive(); }

void RepaintScheduler::start()
{
    if (m_timer->isActive())
        return;  // a pass is due already and will show this change too
    const qint64 since = m_lastPassMs < 0 ? kIntervalMs : m_clock.elapsed() - m_lastPassMs;
    m_timer->start(static_cast<int>(std::max<qint64>(0, kIntervalMs - since)));
}

void RepaintScheduler::repaintNow()
{
    m_timer->stop();
    m_lastPassMs = m_clock.elapsed();
    ++m_passes;
    // A target may mark another due while it draws (the grid's follow); by
    // index, so one added meanwhile is seen too.
    for (std::size_t i = 0; i < m_targets.size(); ++i) {
        if (!m_targets[i].due)
            continue;
        m_targets[i].due = false;
        m_targets[i].target->repaintFromModel();
    }
}

}  // namespace tavolo
