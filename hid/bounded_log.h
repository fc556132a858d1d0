#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace tavolo {

// A text log that keeps only its newest lines, so hours of reports cannot eat the
// memory. Views follow it incrementally: appendedCount() grows by one per line
// ever appended and clearCount() by one per clear(), whatever was dropped since.
// Not thread-safe; the USB link uses it on the GUI thread.
class BoundedLog {
public:
    explicit BoundedLog(std::size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

    void append(std::string line)
    {
        if (m_lines.size() == m_capacity)
            m_lines.pop_front();
        m_lines.push_back(std::move(line));
        ++m_appended;
    }

    void clear()
    {
        m_lines.clear();
        ++m_clears;
    }

    const std::deque<std::string>& lines() const { return m_lines; }
    std::size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    const std::string& back() const { return m_lines.back(); }
    std::size_t capacity() const { return m_capacity; }
    std::uint64_t appendedCount() const { return m_appended; }
    std::uint64_t clearCount() const { return m_clears; }

private:
    std::size_t m_capacity;
    std::deque<std::string> m_lines;
    std::uint64_t m_appended = 0;
    std::uint64_t m_clears = 0;
};

}  // namespace tavolo
