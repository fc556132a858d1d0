#include "app/views/reading_table_model.h"

#include <climits>

#include "app/core_text.h"
#include "app/window_fonts.h"

namespace tavolo {
namespace {

TableField fieldOf(int column)
{
    switch (column) {
    case ReadingTableModel::ColNo: return TableField::No;
    case ReadingTableModel::ColTime: return TableField::Time;
    case ReadingTableModel::ColFunction: return TableField::DcAc;
    case ReadingTableModel::ColValue: return TableField::Value;
    case ReadingTableModel::ColUnit: return TableField::Unit;
    default: return TableField::Auto;
    }
}

}  // namespace

ReadingTableModel::ReadingTableModel(const ReadingTable& table, QObject* parent)
    : QAbstractTableModel(parent),
      m_table(table),
      m_rows(clampedRows(table.rowCount())),
      m_lcdText([](std::string_view text) { return fromLcdCoded(text); }),
      m_cellFont(arialFont(12)),
      m_titleFont(msSansSerifFont(11)),
      m_unitFont(m_cellFont)
{
}

int ReadingTableModel::clampedRows(std::size_t rows)
{
    return rows > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(rows);
}

int ReadingTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ReadingTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ReadingTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= ColumnCount)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        const auto row = static_cast<std::size_t>(index.row());
        if (row >= m_table.rowCount())  // emptied under us; the next sync resets
            return {};
        const TableField field = fieldOf(column);
        if (column == ColNo) {
            const auto no = m_table.intValue(row, field);
            return no ? QVariant(QString::number(*no)) : QVariant();
        }
        const std::string_view text = m_table.text(row, field);
        return column == ColUnit ? m_lcdText(text) : fromLcdCoded(text);
    }
    case Qt::TextAlignmentRole:
        switch (column) {
        case ColTime:
        case ColFunction: return int(Qt::AlignCenter);
        case ColJudge: return int(Qt::AlignLeft | Qt::AlignVCenter);
        default: return int(Qt::AlignRight | Qt::AlignVCenter);
        }
    case Qt::FontRole:
        return column == ColUnit ? m_unitFont : m_cellFont;
    default:
        return {};
    }
}

QVariant ReadingTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole) {
        static const char* const kTitles[ColumnCount] = {"No",    "time", "Function",
                                                         "Value", "Unit", "Judge"};
        return QString::fromLatin1(kTitles[section]);
    }
    if (role == Qt::FontRole)
        return m_titleFont;
    return {};
}

Qt::ItemFlags ReadingTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool ReadingTableModel::syncWithTable()
{
    if (m_frozen)
        return false;
    const int rows = clampedRows(m_table.rowCount());
    if (rows == m_rows)
        return false;
    if (rows < m_rows) {
        // Rows never disappear one by one: the table was emptied or replaced.
        resetFromTable();
        return true;
    }
    beginInsertRows(QModelIndex(), m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
    return true;
}

void ReadingTableModel::resetFromTable()
{
    beginResetModel();
    m_rows = clampedRows(m_table.rowCount());
    endResetModel();
}

void ReadingTableModel::setFrozen(bool frozen)
{
    if (m_frozen == frozen)
        return;
    m_frozen = frozen;
    if (!m_frozen)
        syncWithTable();
}

void ReadingTableModel::setLcdTextMapper(LcdTextMapper mapper)
{
    m_lcdText = mapper ? std::move(mapper) : LcdTextMapper([](std::string_view text) { return fromLcdCoded(text); });
    if (m_rows > 0)
        emit dataChanged(index(0, ColUnit), index(m_rows - 1, ColUnit), {Qt::DisplayRole});
}

int ReadingTableModel::columnWidth(int column)
{
    static const int kWidths[ColumnCount] = {53, 50, 70, 56, 35, -1};
    return column >= 0 && column < ColumnCount ? kWidths[column] : -1;
}

}  // namespace tavolo
