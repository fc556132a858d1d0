// The reading grid: drawn as the item view it replaced (cells, grid lines,
// column titles, selection, the last row on the bottom edge), following the
// newest row at any table size, and moved by mouse and keys.
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include "app/lcd_glyphs.h"
#include "app/views/reading_grid.h"
#include "app/views/reading_table_model.h"
#include "app/window_fonts.h"
#include "record/reading_table.h"

using tavolo::ReadingGrid;
using tavolo::ReadingTable;
using tavolo::ReadingTableModel;

namespace {

void appendRows(ReadingTable& table, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string value = QStringLiteral("%1").arg(i % 10000, 5, 10, QLatin1Char('0')).toStdString();
        tavolo::RowValues row;
        row.no = static_cast<std::int32_t>(table.rowCount() + 1);
        row.time = "10:15:07";
        row.dcAc = i % 3 ? "DC" : "AC";
        row.value = value;
        row.unit = i % 2 ? "K*" : "mV";
        row.judge = i % 2 ? "Fail" : "Pass";
        table.appendRow(row);
    }
}

// The grid as the window builds it.
struct Grid {
    explicit Grid(const ReadingTable& table) : model(table)
    {
        model.setLcdTextMapper(tavolo::lcdDisplayText);
        model.setUnitFont(tavolo::lcdSymbolFont(12));
        grid.setFont(tavolo::arialFont(12));
        grid.horizontalHeader()->setFont(tavolo::msSansSerifFont(11));
        tavolo::setupReadingGrid(grid, model);
        grid.resize(334, 241);
    }
    ReadingTableModel model;
    ReadingGrid grid;
};

// The item view the grid replaced, set up as it was, to compare pictures with.
void setupTableView(QTableView& view, ReadingTableModel& model)
{
    view.setModel(&model);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setShowGrid(true);
    view.setWordWrap(false);
    view.setTextElideMode(Qt::ElideNone);
    view.setCornerButtonEnabled(false);
    view.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view.setFont(tavolo::arialFont(12));
    QHeaderView* rows = view.verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(18);
    QHeaderView* columns = view.horizontalHeader();
    columns->setFont(tavolo::msSansSerifFont(11));
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setDefaultSectionSize(64);
    columns->setFixedHeight(19);
    for (int c = 0; c < ReadingTableModel::ColumnCount; ++c)
        if (ReadingTableModel::columnWidth(c) > 0)
            view.setColumnWidth(c, ReadingTableModel::columnWidth(c));
    view.resize(334, 241);
}

}  // namespace

class ReadingGridTest : public QObject {
    Q_OBJECT

private slots:
    void looksLikeTheItemView_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");  // -1: none
        QTest::addColumn<int>("scrolledRight");
        QTest::newRow("empty") << 0 << -1 << 0;
        QTest::newRow("a few rows") << 5 << -1 << 0;
        QTest::newRow("following the newest row") << 300 << 299 << 0;
        QTest::newRow("a row in the middle") << 300 << 120 << 0;
        QTest::newRow("scrolled right") << 300 << 299 << 40;
    }

    void looksLikeTheItemView()
    {
        QFETCH(int, rows);
        QFETCH(int, selected);
        QFETCH(int, scrolledRight);
        ReadingTable table;
        appendRows(table, rows);
        Grid g(table);
        ReadingTableModel viewModel(table);
        viewModel.setLcdTextMapper(tavolo::lcdDisplayText);
        viewModel.setUnitFont(tavolo::lcdSymbolFont(12));
        QTableView view;
        setupTableView(view, viewModel);
        g.grid.show();
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid) && QTest::qWaitForWindowExposed(&view));
        if (selected >= 0) {
            view.selectRow(selected);
            view.scrollTo(viewModel.index(selected, 0), QAbstractItemView::EnsureVisible);
            tavolo::followRow(g.grid, std::size_t(selected));
        }
        view.horizontalScrollBar()->setValue(scrolledRight);
        g.grid.horizontalScrollBar()->setValue(scrolledRight);
        view.clearFocus();
        g.grid.clearFocus();
        QCOMPARE(g.grid.verticalScrollBar()->value(), view.verticalScrollBar()->value());
        QCOMPARE(g.grid.verticalScrollBar()->maximum(), view.verticalScrollBar()->maximum());
        QCOMPARE(g.grid.horizontalScrollBar()->maximum(), view.horizontalScrollBar()->maximum());

        const QImage drawn = g.grid.grab().toImage();
        const QImage expected = view.grab().toImage();
        QCOMPARE(drawn.size(), expected.size());
        int differing = 0;
        QPoint first(-1, -1);
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (drawn.pixel(x, y) != expected.pixel(x, y) && differing++ == 0)
                    first = QPoint(x, y);
        if (differing) {
            drawn.save(QStringLiteral("/tmp/grid-drawn.png"));
            expected.save(QStringLiteral("/tmp/grid-expected.png"));
        }
        QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1 pixels differ, first at %2,%3")
                                                .arg(differing)
                                                .arg(first.x())
                                                .arg(first.y())));
    }

    // Ten million rows: following the newest costs one row number, the view
    // draws only the rows in sight and the last row sits on the bottom edge.
    void followsTheNewestRowOfAHugeTable()
    {
        ReadingTable table;
        appendRows(table, 3);
        Grid g(table);
        g.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QCOMPARE(g.grid.columnWidth(0), 53);
        QCOMPARE(g.grid.columnWidth(4), 35);
        QCOMPARE(g.grid.columnWidth(5), 64);

        appendRows(table, 2000);
        g.model.syncWithTable();
        tavolo::followRow(g.grid, table.currentRow());
        QCOMPARE(g.grid.currentRow(), 2002);
        const QRect last = g.grid.rowRect(2002);
        QCOMPARE(last.bottom(), g.grid.viewport()->height() - 1);
        QCOMPARE(g.grid.rowAt(g.grid.viewport()->height() - 1), 2002);
        g.grid.viewport()->repaint();
        QVERIFY(g.grid.lastPaintedRows() <= g.grid.viewport()->height() / ReadingGrid::kRowHeight + 2);

        // A row not yet announced is not followed.
        tavolo::followRow(g.grid, std::size_t(5000));
        QCOMPARE(g.grid.currentRow(), 2002);
        // A cleared table leaves nothing selected.
        table.clear();
        g.model.syncWithTable();
        QCOMPARE(g.grid.rowCount(), 0);
        QCOMPARE(g.grid.currentRow(), -1);
    }

    void mouseAndKeysMoveTheSelection()
    {
        ReadingTable table;
        appendRows(table, 100);
        Grid g(table);
        g.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, QPoint(20, 3 * ReadingGrid::kRowHeight + 5));
        QCOMPARE(g.grid.currentRow(), 3);
        QVERIFY(g.grid.hasFocus());
        QTest::keyClick(&g.grid, Qt::Key_Down);
        QCOMPARE(g.grid.currentRow(), 4);
        QTest::keyClick(&g.grid, Qt::Key_Up);
        QTest::keyClick(&g.grid, Qt::Key_Up);
        QCOMPARE(g.grid.currentRow(), 2);
        QTest::keyClick(&g.grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(g.grid.currentRow(), 99);
        QCOMPARE(g.grid.rowAt(g.grid.viewport()->height() - 1), 99);
        QTest::keyClick(&g.grid, Qt::Key_PageUp);
        QVERIFY(g.grid.currentRow() < 99 && g.grid.currentRow() > 80);
        QVERIFY(g.grid.rowRect(g.grid.currentRow()).intersects(g.grid.viewport()->rect()));
        QTest::keyClick(&g.grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(g.grid.currentRow(), 0);
        QCOMPARE(g.grid.verticalScrollBar()->value(), 0);
        // A click below the last row selects nothing new.
        ReadingTable few;
        appendRows(few, 2);
        Grid small(few);
        small.grid.show();
        QTest::mouseClick(small.grid.viewport(), Qt::LeftButton, {}, QPoint(20, 200));
        QCOMPARE(small.grid.currentRow(), -1);
    }
};

QTEST_MAIN(ReadingGridTest)
#include "test_reading_grid.moc"
