#include "record/reading_table.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "record/chunked_array.h"
#include "record/code_column.h"
#include "record/text_dictionary.h"

// Storage: one column per field in fixed chunks of 65536 rows. Integer fields
// are 32-bit columns with a presence bit each; text fields are dictionary codes
// (16 bits a row while a column has at most 65535 distinct texts), so a live
// row costs about 20 bytes. Receive instants cost 4 bytes more: a 32-bit
// offset in milliseconds from its chunk's first instant (a recording a second
// apart stays within +/- 24 days of it; the rare row beyond that is kept
// whole aside). The change record keeps runs of consecutive insertions
// instead of one entry per row.

namespace tavolo {

namespace {

constexpr std::array<std::string_view, kTableFieldCount> kFieldNames = {
    "No", "time", "DC/AC", "Value", "Unit", "Auto", "NVal"};

// Presence bits and, above them, the range mode.
constexpr std::uint8_t kHasNo = 1;
constexpr std::uint8_t kHasNVal = 2;
constexpr unsigned kRangeShift = 2;
constexpr int kTextColumns = 5;

// Time, DcAc, Value, Unit, Auto -> 0..4; No and NVal -> -1.
constexpr int textColumn(TableField field) noexcept
{
    switch (field) {
    case TableField::Time: return 0;
    case TableField::DcAc: return 1;
    case TableField::Value: return 2;
    case TableField::Unit: return 3;
    case TableField::Auto: return 4;
    default: return -1;
    }
}

char lowerAscii(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view cut(std::string_view text) noexcept
{
    return text.substr(0, std::min(text.size(), kTableTextWidth));
}

// A stretch of change-record entries (row, second, third), (row+1, ...), ...
struct ChangeRun {
    std::int32_t firstRow;
    std::int32_t second;
    std::int32_t third;
    std::uint32_t count;
    std::size_t firstIndex;  // index of the run's first entry in the record
};

}  // namespace

std::string_view tableFieldName(TableField field)
{
    const auto i = static_cast<std::size_t>(field);
    return i < kFieldNames.size() ? kFieldNames[i] : std::string_view{};
}

RangeMode rangeModeFromText(std::string_view text) noexcept
{
    if (text == "AUTO")
        return RangeMode::Auto;
    if (text == "MANU")
        return RangeMode::Manual;
    return RangeMode::Unknown;
}

std::string_view rangeModeText(RangeMode mode) noexcept
{
    switch (mode) {
    case RangeMode::Auto: return "AUTO";
    case RangeMode::Manual: return "MANU";
    default: return {};
    }
}

bool isIntegerField(TableField field)
{
    return field == TableField::No || field == TableField::NVal;
}

std::optional<TableField> findTableField(std::string_view name)
{
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        const std::string_view candidate = kFieldNames[i];
        if (candidate.size() != name.size())
            continue;
        if (std::equal(name.begin(), name.end(), candidate.begin(),
                       [](char a, char b) { return lowerAscii(a) == lowerAscii(b); }))
            return static_cast<TableField>(i);
    }
    return std::nullopt;
}

// Receive instants as offsets from a base per chunk of rows.
class InstantColumn {
public:
    static constexpr std::int32_t kUnknown = std::numeric_limits<std::int32_t>::min();
    static constexpr std::int32_t kFar = kUnknown + 1;  // kept whole in m_far

    void push_back(std::optional<std::int64_t> instant)
    {
        const std::size_t row = m_offsets.size();
        const std::size_t chunk = row >> kChunkBits;
        if (chunk == m_bases.size())
            m_bases.push_back(std::nullopt);
        std::int32_t offset = kUnknown;
        if (instant) {
            std::optional<std::int64_t>& base = m_bases[chunk];
            if (!base)
                base = *instant;
            const std::int64_t delta = *instant - *base;
            if (delta > kFar && delta <= std::numeric_limits<std::int32_t>::max()) {
                offset = static_cast<std::int32_t>(delta);
            } else {
                offset = kFar;
                m_far.emplace(row, *instant);
            }
        }
        m_offsets.push_back(offset);
    }

    std::optional<std::int64_t> operator[](std::size_t row) const
    {
        const std::int32_t offset = m_offsets[row];
        if (offset == kUnknown)
            return std::nullopt;
        if (offset == kFar)
            return m_far.at(row);
        return *m_bases[row >> kChunkBits] + offset;
    }

    std::size_t memoryUsage() const noexcept
    {
        return m_offsets.memoryUsage() + m_bases.capacity() * sizeof(m_bases[0]) +
               m_far.size() * (sizeof(std::size_t) + sizeof(std::int64_t) + 2 * sizeof(void*));
    }

private:
    static constexpr unsigned kChunkBits = 16;
    ChunkedArray<std::int32_t, kChunkBits> m_offsets;
    std::vector<std::optional<std::int64_t>> m_bases;
    std::unordered_map<std::size_t, std::int64_t> m_far;
};

struct ReadingTable::Storage {
    Storage() { dictionaries[0].reserveClockTexts(); }

    ChunkedArray<std::int32_t> no;
    ChunkedArray<std::int32_t> nval;
    ChunkedArray<std::uint8_t> presence;  // kHasNo | kHasNVal | range << kRangeShift
    ChunkedArray<std::uint8_t> state;
    std::array<CodeColumn, kTextColumns> codes;
    std::array<TextDictionary, kTextColumns> dictionaries;
    InstantColumn instants;
    std::vector<ChangeRun> changes;
    std::size_t changeCount = 0;
    std::optional<std::size_t> current;

    std::size_t append(const RowValues& v, std::uint8_t rowState)
    {
        const std::size_t index = no.size();
        // Internal row numbers (index + 1) are 32-bit in the change record.
        if (index >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            throw std::length_error("reading table is full");
        no.push_back(v.no.value_or(0));
        nval.push_back(v.nval.value_or(0));
        presence.push_back(static_cast<std::uint8_t>((v.no ? kHasNo : 0) | (v.nval ? kHasNVal : 0) |
                                                     (static_cast<unsigned>(v.range) << kRangeShift)));
        state.push_back(rowState);
        instants.push_back(v.instantMs);
        const std::array<std::string_view, kTextColumns> texts = {v.time, v.dcAc, v.value, v.unit, v.judge};
        for (int c = 0; c < kTextColumns; ++c) {
            const auto i = static_cast<std::size_t>(c);
            codes[i].push_back(dictionaries[i].intern(cut(texts[i])));
        }
        return index;
    }

    void addChange(const ChangeLogEntry& e)
    {
        if (!changes.empty()) {
            ChangeRun& last = changes.back();
            if (last.second == e.second && last.third == e.third &&
                static_cast<std::int64_t>(last.firstRow) + last.count == e.row &&
                last.count < std::numeric_limits<std::uint32_t>::max()) {
                ++last.count;
                ++changeCount;
                return;
            }
        }
        changes.push_back(ChangeRun{e.row, e.second, e.third, 1, changeCount});
        ++changeCount;
    }

    std::string_view text(std::size_t row, int column) const noexcept
    {
        const auto i = static_cast<std::size_t>(column);
        return dictionaries[i].text(codes[i][row]);
    }
};

ReadingTable::ReadingTable() : m_storage(std::make_unique<Storage>()) {}
ReadingTable::~ReadingTable() = default;

// Listeners stay with the object they were added to.
ReadingTable::ReadingTable(ReadingTable&& other) noexcept : m_storage(std::move(other.m_storage)) {}

ReadingTable& ReadingTable::operator=(ReadingTable&& other) noexcept
{
    if (this != &other) {
        m_storage = std::move(other.m_storage);
        tell([](TableListener& l) { l.tableReplaced(); });
        other.tell([](TableListener& l) { l.tableCleared(); });
    }
    return *this;
}

// A moved-from table has no storage and reads as empty; the next write gives it one.
std::size_t ReadingTable::rowCount() const noexcept
{
    return m_storage ? m_storage->no.size() : 0;
}

std::size_t ReadingTable::appendRow(const RowValues& values)
{
    if (!m_storage)
        m_storage = std::make_unique<Storage>();
    const std::size_t index = m_storage->append(values, kRowStateInserted);
    m_storage->addChange(ChangeLogEntry{static_cast<std::int32_t>(index + 1), 0, kRowStateInserted});
    m_storage->current = index;
    tell([index](TableListener& l) { l.rowsAppended(index, 1); });
    return index;
}

std::size_t ReadingTable::appendStoredRow(const RowValues& values, std::uint8_t rowState)
{
    if (!m_storage)
        m_storage = std::make_unique<Storage>();
    const std::size_t index = m_storage->append(values, rowState);
    if (!m_storage->current)
        m_storage->current = index;
    tell([index](TableListener& l) { l.rowsAppended(index, 1); });
    return index;
}

void ReadingTable::setChangeLog(const ChangeLogEntry* entries, std::size_t count)
{
    if (!m_storage)
        m_storage = std::make_unique<Storage>();
    m_storage->changes.clear();
    m_storage->changeCount = 0;
    for (std::size_t i = 0; i < count; ++i)
        m_storage->addChange(entries[i]);
}

void ReadingTable::appendChangeLogEntry(const ChangeLogEntry& entry)
{
    if (!m_storage)
        m_storage = std::make_unique<Storage>();
    m_storage->addChange(entry);
}

std::optional<std::int32_t> ReadingTable::intValue(std::size_t row, TableField field) const
{
    if (row >= rowCount())
        return std::nullopt;
    const std::uint8_t has = m_storage->presence[row];
    if (field == TableField::No)
        return (has & kHasNo) ? std::optional(m_storage->no[row]) : std::nullopt;
    if (field == TableField::NVal)
        return (has & kHasNVal) ? std::optional(m_storage->nval[row]) : std::nullopt;
    return std::nullopt;
}

std::string_view ReadingTable::text(std::size_t row, TableField field) const
{
    const int column = textColumn(field);
    if (column < 0 || row >= rowCount())
        return {};
    return m_storage->text(row, column);
}

bool ReadingTable::isNull(std::size_t row, TableField field) const
{
    if (isIntegerField(field))
        return !intValue(row, field).has_value();
    return text(row, field).empty();
}

std::uint8_t ReadingTable::rowState(std::size_t row) const
{
    return row < rowCount() ? m_storage->state[row] : kRowStateNone;
}

std::optional<std::int64_t> ReadingTable::instantMs(std::size_t row) const
{
    return row < rowCount() ? m_storage->instants[row] : std::nullopt;
}

RangeMode ReadingTable::range(std::size_t row) const
{
    return row < rowCount() ? static_cast<RangeMode>(m_storage->presence[row] >> kRangeShift) : RangeMode::Unknown;
}

std::size_t ReadingTable::changeLogSize() const noexcept
{
    return m_storage ? m_storage->changeCount : 0;
}

ChangeLogEntry ReadingTable::changeLogEntry(std::size_t index) const
{
    if (index >= changeLogSize())
        return {};
    const auto& runs = m_storage->changes;
    // The run whose first entry is the last one at or before `index`; a live
    // recording has a single run, so this is constant time in practice.
    auto it = std::upper_bound(runs.begin(), runs.end(), index,
                               [](std::size_t i, const ChangeRun& r) { return i < r.firstIndex; });
    const ChangeRun& run = *(it - 1);
    const auto offset = static_cast<std::int32_t>(index - run.firstIndex);
    return ChangeLogEntry{run.firstRow + offset, run.second, run.third};
}

std::optional<std::size_t> ReadingTable::currentRow() const noexcept
{
    return m_storage ? m_storage->current : std::nullopt;
}

void ReadingTable::setCurrentRow(std::size_t row)
{
    if (row < rowCount())
        m_storage->current = row;
}

void ReadingTable::clear()
{
    // Fresh storage gives the memory back; a cleared ten-million-row table
    // should not keep hundreds of megabytes resident.
    m_storage = std::make_unique<Storage>();
    tell([](TableListener& l) { l.tableCleared(); });
}

void ReadingTable::swap(ReadingTable& other) noexcept
{
    m_storage.swap(other.m_storage);
    tell([](TableListener& l) { l.tableReplaced(); });
    other.tell([](TableListener& l) { l.tableReplaced(); });
}

std::size_t ReadingTable::memoryUsage() const noexcept
{
    if (!m_storage)
        return 0;
    const Storage& s = *m_storage;
    std::size_t bytes = sizeof(Storage) + s.no.memoryUsage() + s.nval.memoryUsage() +
                        s.presence.memoryUsage() + s.state.memoryUsage() + s.instants.memoryUsage() +
                        s.changes.capacity() * sizeof(ChangeRun);
    for (int c = 0; c < kTextColumns; ++c) {
        const auto i = static_cast<std::size_t>(c);
        bytes += s.codes[i].memoryUsage() + s.dictionaries[i].memoryUsage();
    }
    return bytes;
}

void ReadingTable::addListener(TableListener* listener)
{
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void ReadingTable::removeListener(TableListener* listener)
{
    std::erase(m_listeners, listener);
}

}  // namespace tavolo
