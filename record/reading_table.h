#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// The reading table: seven fields, rows in insertion order, any field may be
// empty, texts cut at 20 characters, and the record of inserted rows that the
// XML data packet writes and restores. Built for ten million rows: cells are
// read in constant time and storage is compact (see reading_table.cpp).
//
// Interface fixed for the record rule, the data files and the grid; the storage
// behind it is private.
namespace tavolo {

enum class TableField : int { No = 0, Time, DcAc, Value, Unit, Auto, NVal };
inline constexpr int kTableFieldCount = 7;
inline constexpr std::size_t kTableTextWidth = 20;

// Field names as the table declares them: "No", "time", "DC/AC", "Value", "Unit", "Auto", "NVal".
std::string_view tableFieldName(TableField field);
// True for No and NVal (32-bit integers); the other five are texts.
bool isIntegerField(TableField field);
// Case-insensitive lookup by name ("no", "Nval", "AUTO", "Time" ...).
std::optional<TableField> findTableField(std::string_view name);

// The meter's range mode when a reading was recorded (the LCD's "AUTO" or
// "MANU"); kept beside the seven fields like the instant.
enum class RangeMode : std::uint8_t { Unknown = 0, Auto, Manual };
// "AUTO" -> Auto, "MANU" -> Manual, anything else Unknown; and back ("" for Unknown).
RangeMode rangeModeFromText(std::string_view text) noexcept;
std::string_view rangeModeText(RangeMode mode) noexcept;

// One row as handed to the table. An empty text is an empty (null) field;
// texts longer than 20 characters are cut when stored.
struct RowValues {
    std::optional<std::int32_t> no;
    std::string_view time;
    std::string_view dcAc;
    std::string_view value;
    std::string_view unit;
    std::string_view judge;  // field "Auto"
    std::optional<std::int32_t> nval;
    // Receive instant of a recorded reading, milliseconds since 1970-01-01 UTC;
    // kept beside the seven fields (the text and XML formats do not carry it).
    std::optional<std::int64_t> instantMs;
    RangeMode range = RangeMode::Unknown;
};

// Told of every change of a table's rows, after it happened, on the table's
// thread. A listener belongs to the table object: swaps and moves keep it there.
class TableListener {
public:
    virtual ~TableListener() = default;
    // Rows [first, first + count) were appended.
    virtual void rowsAppended(std::size_t first, std::size_t count)
    {
        (void)first;
        (void)count;
    }
    // Every row is gone (a clear).
    virtual void tableCleared() {}
    // The rows were exchanged for others (a swap or a move into this table).
    virtual void tableReplaced() {}
};

// Change states as the XML packet writes them in RowState.
inline constexpr std::uint8_t kRowStateNone = 0;
inline constexpr std::uint8_t kRowStateInserted = 4;

// One entry of the change record: (internal row number, 0, 4) for an insertion.
struct ChangeLogEntry {
    std::int32_t row = 0;
    std::int32_t second = 0;
    std::int32_t third = 0;
    friend bool operator==(const ChangeLogEntry&, const ChangeLogEntry&) = default;
};

class ReadingTable {
public:
    ReadingTable();
    ~ReadingTable();
    ReadingTable(ReadingTable&&) noexcept;
    ReadingTable& operator=(ReadingTable&&) noexcept;
    ReadingTable(const ReadingTable&) = delete;
    ReadingTable& operator=(const ReadingTable&) = delete;

    std::size_t rowCount() const noexcept;
    bool empty() const noexcept { return rowCount() == 0; }

    // Appends a row as an insertion: RowState 4 and a change-record entry
    // (its internal number, 0, 4). The record rule and the tab-separated load use it.
    // The new row becomes the current row. Returns its index.
    std::size_t appendRow(const RowValues& values);

    // Appends a row with the given change state and no change-record entry;
    // the XML load uses it and restores the record with appendChangeLogEntry.
    // The first row stored into an empty table becomes the current row.
    std::size_t appendStoredRow(const RowValues& values, std::uint8_t rowState);

    // Replaces the change record. Entries must be given in file order.
    void setChangeLog(const ChangeLogEntry* entries, std::size_t count);
    // Adds one entry at the end of the change record (the XML load, in file
    // order, straight into the run-length record: no second copy of it).
    void appendChangeLogEntry(const ChangeLogEntry& entry);

    // Cells, constant time. Integer fields: empty optional for an empty field.
    // A row past the end, or a field of the other kind, reads as empty.
    // Text fields: empty view for an empty field; the view stays valid until the
    // table is cleared, moved from, swapped or destroyed (appends keep it valid).
    std::optional<std::int32_t> intValue(std::size_t row, TableField field) const;
    std::string_view text(std::size_t row, TableField field) const;
    bool isNull(std::size_t row, TableField field) const;
    std::uint8_t rowState(std::size_t row) const;
    // The row's receive instant (ms since 1970-01-01 UTC); empty when unknown.
    std::optional<std::int64_t> instantMs(std::size_t row) const;
    // The row's range mode; Unknown for rows loaded from a text or XML file.
    RangeMode range(std::size_t row) const;

    // The change record, in order.
    std::size_t changeLogSize() const noexcept;
    ChangeLogEntry changeLogEntry(std::size_t index) const;

    // The current row (the grid follows it); none while the table is empty.
    std::optional<std::size_t> currentRow() const noexcept;
    void setCurrentRow(std::size_t row);  // a row past the end is ignored

    // Empties rows and change record; internal row numbers start again at 1.
    void clear();
    void swap(ReadingTable& other) noexcept;

    // A moved-from table reads as empty and can be written again.

    // Resident bytes held by the table's storage (for the benchmarks).
    std::size_t memoryUsage() const noexcept;

    // Listeners must stay alive until removed or the table ends; adding one
    // twice has no effect. Not to be changed from inside a notification.
    void addListener(TableListener* listener);
    void removeListener(TableListener* listener);

private:
    template <typename F>
    void tell(F&& step) const
    {
        for (TableListener* l : m_listeners)
            step(*l);
    }

    struct Storage;
    std::unique_ptr<Storage> m_storage;
    std::vector<TableListener*> m_listeners;
};

}  // namespace tavolo
