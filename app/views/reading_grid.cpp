#include "app/views/reading_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

#include "app/views/reading_table_model.h"

namespace tavolo {
namespace {

constexpr int kGridLine = 1;  // cells leave their last pixel column and row to the grid lines

}  // namespace

ReadingGrid::ReadingGrid(QWidget* parent)
    : QAbstractScrollArea(parent),
      m_header(new QHeaderView(Qt::Horizontal, this)),
      m_delegate(new QStyledItemDelegate(this))
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);  // whole rows

    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setDefaultSectionSize(64);
    m_header->setFixedHeight(kTitleHeight);
    m_header->setFocusPolicy(Qt::NoFocus);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateScrollBars();
        viewport()->update();
    });
    setViewportMargins(0, kTitleHeight, 0, 0);
}

ReadingGrid::~ReadingGrid() = default;

void ReadingGrid::setModel(ReadingTableModel* model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    m_header->setModel(model);
    m_current = -1;
    if (m_model) {
        connect(m_model, &QAbstractItemModel::rowsInserted, this, &ReadingGrid::rowsChanged);
        connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ReadingGrid::rowsReset);
        connect(m_model, &QAbstractItemModel::modelReset, this, &ReadingGrid::rowsReset);
        connect(m_model, &QAbstractItemModel::dataChanged, viewport(), qOverload<>(&QWidget::update));
    }
    rowsReset();
}

int ReadingGrid::rowCount() const { return m_model ? m_model->rowCount() : 0; }

int ReadingGrid::columnWidth(int column) const { return m_header->sectionSize(column); }

void ReadingGrid::setColumnWidth(int column, int width) { m_header->resizeSection(column, width); }

void ReadingGrid::rowsChanged()
{
    updateScrollBars();
    viewport()->update();
}

void ReadingGrid::rowsReset()
{
    if (m_current >= rowCount()) {
        m_current = -1;
        emit currentRowChanged(-1);
    }
    rowsChanged();
}

int ReadingGrid::fullRowsInView() const { return std::max(1, viewport()->height() / kRowHeight); }

int ReadingGrid::totalWidth() const { return m_header->length(); }

int ReadingGrid::pixelOffset() const
{
    const int top = verticalScrollBar()->value() * kRowHeight;
    const int lastRowOnBottom = rowCount() * kRowHeight - viewport()->height();
    return std::max(0, std::min(top, lastRowOnBottom));
}

void ReadingGrid::updateScrollBars()
{
    const int rows = rowCount();
    const int inView = fullRowsInView();
    verticalScrollBar()->setPageStep(inView);
    verticalScrollBar()->setRange(0, std::max(0, rows - inView));
    const int width = viewport()->width();
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setSingleStep(std::max(width / (m_header->count() + 1), 2));
    horizontalScrollBar()->setRange(0, std::max(0, totalWidth() - width));
    placeHeader();
}

void ReadingGrid::placeHeader()
{
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - kTitleHeight, area.width(), kTitleHeight);
    m_header->setOffset(horizontalScrollBar()->value());
}

void ReadingGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ReadingGrid::scrollContentsBy(int dx, int)
{
    if (dx)
        m_header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

int ReadingGrid::rowAt(int y) const
{
    if (y < 0)
        return -1;
    const int row = (y + pixelOffset()) / kRowHeight;
    return row < rowCount() ? row : -1;
}

QRect ReadingGrid::rowRect(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return {-horizontalScrollBar()->value(), row * kRowHeight - pixelOffset(), totalWidth(), kRowHeight};
}

void ReadingGrid::scrollToRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    QScrollBar* bar = verticalScrollBar();
    const int first = bar->value();
    const int inView = fullRowsInView();
    if (row < first)
        bar->setValue(row);
    else if (row >= first + inView)
        bar->setValue(row - inView + 1);
}

void ReadingGrid::selectRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    if (row != m_current) {
        m_current = row;
        viewport()->update();
        emit currentRowChanged(row);
    }
    scrollToRow(row);
}

void ReadingGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        selectRow(rowAt(event->position().toPoint().y()));
    event->accept();
}

void ReadingGrid::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void ReadingGrid::keyPressEvent(QKeyEvent* event)
{
    const int rows = rowCount();
    const int page = fullRowsInView();
    const bool control = event->modifiers() & Qt::ControlModifier;
    int target = -2;
    switch (event->key()) {
    case Qt::Key_Up: target = std::max(0, m_current - 1); break;
    case Qt::Key_Down: target = m_current + 1 < rows ? m_current + 1 : m_current; break;
    case Qt::Key_PageUp: target = std::max(0, m_current - page); break;
    case Qt::Key_PageDown: target = std::min(rows - 1, std::max(0, m_current) + page); break;
    case Qt::Key_Home:
        if (control)
            target = 0;
        break;
    case Qt::Key_End:
        if (control)
            target = rows - 1;
        break;
    default: break;
    }
    if (target == -2 || rows == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    selectRow(target);
    event->accept();
}

void ReadingGrid::paintEvent(QPaintEvent* event)
{
    m_lastPainted = 0;
    const int rows = rowCount();
    if (!m_model || rows == 0 || m_header->count() == 0)
        return;
    QPainter painter(viewport());
    const int offset = pixelOffset();
    // Nothing is drawn right of the last column or below the last row.
    QRect dirty = event->rect();
    dirty.setRight(std::min(dirty.right(), totalWidth() - m_header->offset() - 1));
    dirty.setBottom(std::min(dirty.bottom(), rows * kRowHeight - offset - 1));
    if (dirty.isEmpty())
        return;
    const int firstRow = std::max(0, (dirty.top() + offset) / kRowHeight);
    const int lastRow = std::min(rows - 1, (dirty.bottom() + offset) / kRowHeight);

    // The options an item view gives its delegate.
    QStyleOptionViewItem base;
    base.initFrom(this);
    base.state &= ~QStyle::State_HasFocus;
    base.font = font();
    base.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    base.textElideMode = Qt::ElideNone;
    base.decorationAlignment = Qt::AlignCenter;
    base.decorationPosition = QStyleOptionViewItem::Left;
    const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    base.decorationSize = QSize(icon, icon);
    base.locale = locale();
    base.locale.setNumberOptions(QLocale::OmitGroupSeparator);
    base.widget = this;
    base.showDecorationSelected = style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, this);
    if (base.state & QStyle::State_Enabled)
        base.palette.setCurrentColorGroup(QPalette::Normal);
    const bool focused = hasFocus() || viewport()->hasFocus();
    const int focusColumn = std::max(0, m_header->logicalIndexAt(0));

    const int columns = m_header->count();
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = row * kRowHeight - offset;
        for (int column = 0; column < columns; ++column) {
            const int x = m_header->sectionViewportPosition(column);
            const int width = m_header->sectionSize(column);
            if (x > dirty.right() || x + width <= dirty.left())
                continue;
            QStyleOptionViewItem option = base;
            option.rect = QRect(x, y, width - kGridLine, kRowHeight - kGridLine);
            if (row == m_current) {
                option.state |= QStyle::State_Selected;
                if (focused && column == focusColumn)
                    option.state |= QStyle::State_HasFocus;
            }
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
            m_delegate->paint(&painter, option, m_model->index(row, column));
        }
        ++m_lastPainted;
    }

    const QColor lineColour = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this)));
    painter.setPen(QPen(lineColour, 1, Qt::SolidLine));
    for (int row = firstRow; row <= lastRow; ++row) {
        const int bottom = row * kRowHeight - offset + kRowHeight - kGridLine;
        painter.drawLine(dirty.left(), bottom, dirty.right(), bottom);
    }
    for (int column = 0; column < columns; ++column) {
        const int right = m_header->sectionViewportPosition(column) + m_header->sectionSize(column) - kGridLine;
        painter.drawLine(right, dirty.top(), right, dirty.bottom());
    }
}

void setupReadingGrid(ReadingGrid& grid, ReadingTableModel& model)
{
    grid.setModel(&model);
    for (int c = 0; c < ReadingTableModel::ColumnCount; ++c) {
        const int width = ReadingTableModel::columnWidth(c);
        if (width > 0)
            grid.setColumnWidth(c, width);
    }
}

void followRow(ReadingGrid& grid, std::optional<std::size_t> row)
{
    if (!row || *row >= static_cast<std::size_t>(grid.rowCount()))
        return;
    grid.selectRow(static_cast<int>(*row));
}

}  // namespace tavolo
