#pragma once

#include <cstddef>
#include <optional>

class QTableView;

namespace tavolo {

class ReadingTableModel;

// Puts the reading grid's model on `grid` and gives it its look: read-only,
// whole-row selection, the six column widths, fixed row heights (so scrolling
// anywhere in ten million rows costs no per-row measuring), no row header.
// GUI thread only.
void setupReadingGrid(QTableView& grid, ReadingTableModel& model);

// Selects `row` and scrolls it into view when the model already shows it.
void followRow(QTableView& grid, std::optional<std::size_t> row);

}  // namespace tavolo
