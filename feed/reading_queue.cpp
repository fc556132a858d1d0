#include "feed/reading_queue.h"

#include <utility>

namespace tavolo::feed {

ReadingQueue::ReadingQueue(std::size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

void ReadingQueue::push(QueuedReading reading)
{
    if (m_readings.size() >= m_capacity) {
        m_readings.pop_front();
        ++m_dropped;
    }
    m_readings.push_back(std::move(reading));
}

void ReadingQueue::pushFront(std::vector<QueuedReading>& readings)
{
    for (auto it = readings.rbegin(); it != readings.rend(); ++it)
        m_readings.push_front(std::move(*it));
    readings.clear();
    trim();
}

QueuedReading ReadingQueue::pop()
{
    QueuedReading oldest = std::move(m_readings.front());
    m_readings.pop_front();
    return oldest;
}

void ReadingQueue::trim()
{
    while (m_readings.size() > m_capacity) {
        m_readings.pop_front();
        ++m_dropped;
    }
}

}  // namespace tavolo::feed
