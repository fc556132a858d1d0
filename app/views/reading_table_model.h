#pragma once

#include <QAbstractTableModel>
#include <QFont>

#include <cstddef>
#include <functional>
#include <string_view>

#include "record/reading_table.h"

namespace tavolo {

// The grid's view of the reading table: six columns ("No", "time", "Function",
// "Value", "Unit", "Judge") read straight from the table's cells; no row is copied.
//
// The table grows without telling anyone, so the model shows only the rows it has
// announced. syncWithTable() announces the rows appended since the last call with
// one beginInsertRows/endInsertRows over exactly that range, or resets the model
// when the table was emptied or replaced (clear, XML load). Call it from a
// coalescing timer, not once per reading.
//
// GUI thread only. The table must outlive the model.
class ReadingTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column : int { ColNo = 0, ColTime, ColFunction, ColValue, ColUnit, ColJudge, ColumnCount };

    // Maps a text in the LCD coding ("K*", "&  *") to what is drawn ("kΩ" ...).
    using LcdTextMapper = std::function<QString(std::string_view)>;

    explicit ReadingTableModel(const ReadingTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Announces new rows or resets after a clear. Returns true when the model
    // changed. Does nothing while frozen.
    bool syncWithTable();
    // Forgets every announced row and announces the table afresh (load, clear).
    void resetFromTable();

    // While frozen the model announces nothing (the report walks the table);
    // unfreezing catches up at once.
    void setFrozen(bool frozen);
    bool isFrozen() const { return m_frozen; }

    void setLcdTextMapper(LcdTextMapper mapper);
    void setUnitFont(const QFont& font) { m_unitFont = font; }

    // Column widths of the grid in pixels; -1 keeps the view's default.
    static int columnWidth(int column);

private:
    static int clampedRows(std::size_t rows);

    const ReadingTable& m_table;
    int m_rows = 0;
    bool m_frozen = false;
    LcdTextMapper m_lcdText;
    QFont m_cellFont;
    QFont m_titleFont;
    QFont m_unitFont;
};

}  // namespace tavolo
