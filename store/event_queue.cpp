#include "store/event_queue.h"

#include <algorithm>
#include <limits>

namespace tavolo::store {

namespace {

// Presence bits of an event record.
constexpr std::uint8_t kHasNo = 1, kHasNVal = 2, kHasInstant = 4, kHasChart = 8;

}  // namespace

void EventBuffer::putText(std::string_view text)
{
    // Table texts are at most 20 characters; facts texts are short edits. A
    // length byte is enough; anything longer is cut (never the case in practice).
    const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(text.size(), 255));
    m_bytes.push_back(static_cast<char>(n));
    m_bytes.append(text.data(), n);
}

std::string_view EventBuffer::Reader::text()
{
    const auto n = static_cast<std::uint8_t>(*m_p++);
    const std::string_view t(m_p, n);
    m_p += n;
    return t;
}

void EventBuffer::putEvent(const StoreEvent& e)
{
    const std::uint8_t flags = static_cast<std::uint8_t>((e.no ? kHasNo : 0) | (e.nval ? kHasNVal : 0) |
                                                         (e.instantMs ? kHasInstant : 0) |
                                                         (e.chartValue ? kHasChart : 0));
    const char head[4] = {static_cast<char>(e.kind), static_cast<char>(flags), static_cast<char>(e.range),
                          static_cast<char>(e.rowState)};
    m_bytes.append(head, sizeof head);
    if (e.no)
        put(*e.no);
    if (e.nval)
        put(*e.nval);
    if (e.instantMs)
        put(*e.instantMs);
    if (e.chartValue)
        put(*e.chartValue);
    if (e.kind == EventKind::Recorded || e.kind == EventKind::Appended || e.kind == EventKind::Stored) {
        putText(e.time);
        putText(e.dcAc);
        putText(e.value);
        putText(e.unit);
        putText(e.judge);
    }
}

StoreEvent EventBuffer::Reader::event()
{
    StoreEvent e;
    e.kind = static_cast<EventKind>(*m_p++);
    const auto flags = static_cast<std::uint8_t>(*m_p++);
    e.range = static_cast<std::uint8_t>(*m_p++);
    e.rowState = static_cast<std::uint8_t>(*m_p++);
    if (flags & kHasNo)
        e.no = get<std::int32_t>();
    if (flags & kHasNVal)
        e.nval = get<std::int32_t>();
    if (flags & kHasInstant)
        e.instantMs = get<std::int64_t>();
    if (flags & kHasChart)
        e.chartValue = get<double>();
    if (e.kind == EventKind::Recorded || e.kind == EventKind::Appended || e.kind == EventKind::Stored) {
        e.time = text();
        e.dcAc = text();
        e.value = text();
        e.unit = text();
        e.judge = text();
    }
    return e;
}

void EventBuffer::putChangeLogEntry(std::int32_t row, std::int32_t second, std::int32_t third)
{
    m_bytes.push_back(static_cast<char>(RecordTag::ChangeLogEntry));
    put(row);
    put(second);
    put(third);
}

void EventBuffer::Reader::changeLogEntry(std::int32_t& row, std::int32_t& second, std::int32_t& third)
{
    ++m_p;
    row = get<std::int32_t>();
    second = get<std::int32_t>();
    third = get<std::int32_t>();
}

void EventBuffer::putFacts(const FactsUpdate& f)
{
    m_bytes.push_back(static_cast<char>(RecordTag::Facts));
    putText(f.hiLimit);
    putText(f.loLimit);
    put(f.maxRecords);
    put(static_cast<std::uint8_t>(f.recordSI));
    putText(f.recordSITime);
    put(static_cast<std::uint8_t>(f.repeatSet));
    put(static_cast<std::uint8_t>(f.recallCheck));
    put(f.pageSize);
}

FactsUpdate EventBuffer::Reader::facts()
{
    ++m_p;
    FactsUpdate f;
    f.hiLimit = text();
    f.loLimit = text();
    f.maxRecords = get<std::int32_t>();
    f.recordSI = get<std::uint8_t>() != 0;
    f.recordSITime = text();
    f.repeatSet = get<std::uint8_t>() != 0;
    f.recallCheck = get<std::uint8_t>() != 0;
    f.pageSize = get<std::int32_t>();
    return f;
}

void EventBuffer::putEnd(std::int64_t instantMs)
{
    m_bytes.push_back(static_cast<char>(RecordTag::End));
    put(instantMs);
}

std::int64_t EventBuffer::Reader::end()
{
    ++m_p;
    return get<std::int64_t>();
}

}  // namespace tavolo::store
