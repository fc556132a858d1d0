#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "record/reading_table.h"

// Small helpers for the data-file tests: tables as plain text cells, files in a
// scratch folder of their own.
namespace tavolo::test {

// One row as seven cells; "-" marks an empty field.
using Cells = std::array<std::string, kTableFieldCount>;

inline Cells cellsOf(const ReadingTable& table, std::size_t row)
{
    Cells cells;
    for (int f = 0; f < kTableFieldCount; ++f) {
        const auto field = static_cast<TableField>(f);
        std::string& cell = cells[static_cast<std::size_t>(f)];
        if (isIntegerField(field)) {
            const auto value = table.intValue(row, field);
            cell = value ? std::to_string(*value) : "-";
        } else {
            const std::string_view text = table.text(row, field);
            cell = text.empty() ? "-" : std::string(text);
        }
    }
    return cells;
}

inline std::vector<Cells> rowsOf(const ReadingTable& table)
{
    std::vector<Cells> rows;
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        rows.push_back(cellsOf(table, r));
    return rows;
}

// Appends a row from cells ("-" for an empty field; integers in decimal), with
// the receive instant and range mode the seven cells do not hold.
inline void appendCells(ReadingTable& table, const Cells& cells, std::optional<std::int64_t> instantMs = std::nullopt,
                        RangeMode range = RangeMode::Unknown)
{
    const auto text = [&](int i) -> std::string_view {
        const std::string& c = cells[static_cast<std::size_t>(i)];
        return c == "-" ? std::string_view() : std::string_view(c);
    };
    const auto number = [&](int i) -> std::optional<std::int32_t> {
        const std::string& c = cells[static_cast<std::size_t>(i)];
        if (c == "-")
            return std::nullopt;
        return static_cast<std::int32_t>(std::stol(c));
    };
    RowValues row;
    row.no = number(0);
    row.time = text(1);
    row.dcAc = text(2);
    row.value = text(3);
    row.unit = text(4);
    row.judge = text(5);
    row.nval = number(6);
    row.instantMs = instantMs;
    row.range = range;
    table.appendRow(row);
}

inline ReadingTable tableOf(const std::vector<Cells>& rows)
{
    ReadingTable table;
    for (const Cells& cells : rows)
        appendCells(table, cells);
    return table;
}

class ScratchFolder {
public:
    ScratchFolder()
    {
        char pattern[] = "/tmp/tavolo-files-XXXXXX";
        // No folder (full /tmp, no rights) stops the test plainly, not with a null path.
        if (!::mkdtemp(pattern))
            throw std::runtime_error("no scratch folder under /tmp");
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return m_path + "/" + name; }
    // Names of everything in the folder, for spotting left-over temporaries.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::string m_path;
};

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tavolo::test
