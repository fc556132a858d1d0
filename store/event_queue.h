#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "store/session_schema.h"

// The hand-over between the session's thread and the store's writer: events
// packed one after another into a byte buffer, so handing over a recorded row
// is a few copies of short texts and one uncontended lock, with no allocation
// once the buffer has grown. The writer takes the whole buffer at once.
namespace tavolo::store {

// One event as the writer reads it back; texts point into the taken buffer.
struct StoreEvent {
    EventKind kind = EventKind::Recorded;
    std::optional<std::int32_t> no;
    std::optional<std::int32_t> nval;
    std::optional<std::int64_t> instantMs;
    std::optional<double> chartValue;
    std::uint8_t range = 0;     // RangeMode
    std::uint8_t rowState = 0;
    std::string_view time, dcAc, value, unit, judge;
    std::int64_t tableNo = 0;   // as read back from a file (the queue does not carry it)
};

// The session's facts as last seen (written to the session row when they change).
struct FactsUpdate {
    std::string hiLimit, loLimit;
    std::int32_t maxRecords = 0;
    bool recordSI = false;
    std::string recordSITime;
    bool repeatSet = true;
    bool recallCheck = false;
    std::int32_t pageSize = 0;
    friend bool operator==(const FactsUpdate&, const FactsUpdate&) = default;
};

// Records in the buffer: a tag byte, then the fields. Tags below 16 are EventKind.
enum class RecordTag : std::uint8_t {
    ChangeLogEntry = 16,  // (row, second, third) of the last Replaced table
    Facts = 17,           // a FactsUpdate
    End = 18,             // the session ended normally at this instant
};

class EventBuffer {
public:
    void clear() noexcept { m_bytes.clear(); }
    bool empty() const noexcept { return m_bytes.empty(); }
    std::size_t size() const noexcept { return m_bytes.size(); }
    std::size_t capacity() const noexcept { return m_bytes.capacity(); }
    void swap(EventBuffer& other) noexcept { m_bytes.swap(other.m_bytes); }
    // Appends another buffer's records after this one's.
    void append(const EventBuffer& other) { m_bytes.append(other.m_bytes); }

    void putEvent(const StoreEvent& e);
    void putChangeLogEntry(std::int32_t row, std::int32_t second, std::int32_t third);
    void putFacts(const FactsUpdate& facts);
    void putEnd(std::int64_t instantMs);

    // Reads the records in order.
    class Reader {
    public:
        explicit Reader(const EventBuffer& buffer) : m_p(buffer.m_bytes.data()), m_end(m_p + buffer.m_bytes.size()) {}
        bool atEnd() const noexcept { return m_p >= m_end; }
        std::uint8_t peekTag() const noexcept { return static_cast<std::uint8_t>(*m_p); }
        StoreEvent event();
        void changeLogEntry(std::int32_t& row, std::int32_t& second, std::int32_t& third);
        FactsUpdate facts();
        std::int64_t end();

    private:
        template <typename T>
        T get()
        {
            T v;
            std::memcpy(&v, m_p, sizeof v);
            m_p += sizeof v;
            return v;
        }
        std::string_view text();
        const char* m_p;
        const char* m_end;
    };

private:
    template <typename T>
    void put(const T& v)
    {
        m_bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    void putText(std::string_view text);

    std::string m_bytes;
};

}  // namespace tavolo::store
