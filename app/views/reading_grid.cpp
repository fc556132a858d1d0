#include "app/views/reading_grid.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTableView>

#include "app/views/reading_table_model.h"

namespace tavolo {

void setupReadingGrid(QTableView& grid, ReadingTableModel& model)
{
    grid.setModel(&model);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setShowGrid(true);
    grid.setWordWrap(false);
    grid.setTextElideMode(Qt::ElideNone);  // a narrow column clips its text instead of eliding
    grid.setCornerButtonEnabled(false);
    grid.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    QHeaderView* rows = grid.verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(18);

    QHeaderView* columns = grid.horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setDefaultSectionSize(64);
    columns->setFixedHeight(19);
    for (int c = 0; c < ReadingTableModel::ColumnCount; ++c) {
        const int width = ReadingTableModel::columnWidth(c);
        if (width > 0)
            grid.setColumnWidth(c, width);
    }
}

void followRow(QTableView& grid, std::optional<std::size_t> row)
{
    QAbstractItemModel* model = grid.model();
    if (!model || !row || *row >= static_cast<std::size_t>(model->rowCount()))
        return;
    const QModelIndex index = model->index(static_cast<int>(*row), 0);
    if (grid.currentIndex().row() != index.row())
        grid.selectRow(index.row());
    grid.scrollTo(index, QAbstractItemView::EnsureVisible);
}

}  // namespace tavolo
