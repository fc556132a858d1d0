#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "feed/feed_reading.h"

namespace tavolo::feed {

// A reading waiting to be sent, with its number in the run.
struct QueuedReading {
    std::uint64_t seq = 0;
    FeedReading reading;
};

// The readings not yet handed to the broker, oldest first, at most `capacity`.
// A push into a full queue drops the oldest and counts it. Not thread-safe:
// the publisher guards it with its lock.
class ReadingQueue {
public:
    explicit ReadingQueue(std::size_t capacity);

    // Appends; when full, the oldest reading goes first and is counted.
    void push(QueuedReading reading);
    // Puts readings that were sent but not acknowledged back in front, in
    // their order (`readings` oldest first), then drops the oldest beyond the
    // bound.
    void pushFront(std::vector<QueuedReading>& readings);
    // Takes the oldest; the queue must not be empty.
    QueuedReading pop();

    bool empty() const noexcept { return m_readings.empty(); }
    std::size_t size() const noexcept { return m_readings.size(); }
    std::size_t capacity() const noexcept { return m_capacity; }
    // Readings dropped because the queue was full, since construction.
    std::uint64_t dropped() const noexcept { return m_dropped; }

private:
    void trim();

    std::size_t m_capacity;
    std::deque<QueuedReading> m_readings;
    std::uint64_t m_dropped = 0;
};

}  // namespace tavolo::feed
