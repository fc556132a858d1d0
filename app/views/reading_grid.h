#pragma once

#include <QAbstractScrollArea>

#include <cstddef>
#include <optional>

class QHeaderView;
class QStyledItemDelegate;

namespace tavolo {

class ReadingTableModel;

// The reading grid DBGrid1: the six columns of the reading table under a
// column-title bar, one whole row selected, following the newest reading.
//
// It keeps nothing per row: rows have one fixed height, only the rows in view
// are painted, each cell straight from the model (and so from the table), and
// the selection is one row number. Announcing rows costs the same at ten rows
// as at ten million. The cells look as an item view draws them (the same
// style and delegate), the grid lines as a table view's. The vertical scroll
// bar moves by whole rows, the horizontal one by pixels; the column titles
// can be dragged to widen a column.
//
// GUI thread only. The model must outlive the grid.
class ReadingGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 18;
    static constexpr int kTitleHeight = 19;

    explicit ReadingGrid(QWidget* parent = nullptr);
    ~ReadingGrid() override;

    // The rows shown are those the model has announced; its column titles and
    // cells are drawn as they are.
    void setModel(ReadingTableModel* model);
    ReadingTableModel* model() const { return m_model; }
    QHeaderView* horizontalHeader() const { return m_header; }

    int rowCount() const;
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    // The selected row, which is also the current one; -1 when none.
    int currentRow() const { return m_current; }
    // Selects `row` (ignored when not shown) and brings it into view.
    void selectRow(int row);
    // Scrolls until `row` is wholly in view.
    void scrollToRow(int row);

    // The row at a viewport height, -1 below the last row; a row's rectangle
    // in the viewport (empty when the row is not shown).
    int rowAt(int y) const;
    QRect rowRect(int row) const;
    // Rows drawn by the last paint (for tests and measurements).
    int lastPaintedRows() const { return m_lastPainted; }

signals:
    void currentRowChanged(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rowsChanged();
    void rowsReset();
    void updateScrollBars();
    void placeHeader();
    int fullRowsInView() const;
    // Pixels scrolled from the first row's top: whole rows, except at the end,
    // where the last row sits on the viewport's bottom edge.
    int pixelOffset() const;
    int totalWidth() const;

    ReadingTableModel* m_model = nullptr;
    QHeaderView* m_header = nullptr;
    QStyledItemDelegate* m_delegate = nullptr;
    int m_current = -1;
    int m_lastPainted = 0;
};

// Puts the reading grid's model on `grid` with the six column widths.
void setupReadingGrid(ReadingGrid& grid, ReadingTableModel& model);

// Selects `row` and scrolls it into view when the grid already shows it.
void followRow(ReadingGrid& grid, std::optional<std::size_t> row);

}  // namespace tavolo
