#include "views/PointListView.h"

#include "views/ListRowModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <algorithm>

namespace quillan::views {

PointListView::PointListView(ListRowModel* model, QWidget* parent)
    : QTableView(parent), m_model(model)
{
    model->setParent(this);
    setModel(model);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setIconSize(QSize(16, 16));
    setTabKeyNavigation(false);

    // Fixed row heights keep a refill of thousands of rows cheap.
    QHeaderView* rowsHeader = verticalHeader();
    rowsHeader->hide();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setDefaultSectionSize(std::max(18, fontMetrics().height() + 4));

    QHeaderView* header = horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    // The widths suit the small dialog font of the original platform; a larger font still
    // gets whole titles and the column's longest fixed text.
    constexpr int padding = 16;
    const auto& columns = model->columns();
    for (size_t c = 0; c < columns.size(); ++c) {
        int width = columns[c].width;
        if (width > 0 && !columns[c].title.isEmpty()) {
            width = std::max(width,
                             header->fontMetrics().horizontalAdvance(columns[c].title) + padding);
        }
        if (!columns[c].fitText.isEmpty()) {
            const int image = c == 0 && model->showsImages() ? iconSize().width() + 4 : 0;
            width = std::max(width,
                             fontMetrics().horizontalAdvance(columns[c].fitText) + image + padding);
        }
        setColumnWidth(static_cast<int>(c), width);
    }
}

std::vector<int> PointListView::selectedRows() const
{
    std::vector<int> rows;
    if (selectionModel() == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int PointListView::firstSelectedRow() const
{
    const auto rows = selectedRows();
    return rows.empty() ? -1 : rows.front();
}

void PointListView::selectRows(const std::vector<int>& rows)
{
    QItemSelection selection;
    for (int row : rows) {
        if (row >= 0 && row < m_model->rowCount()) {
            selection.select(m_model->index(row, 0),
                             m_model->index(row, m_model->columnCount() - 1));
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.empty() && rows.front() >= 0 && rows.front() < m_model->rowCount()) {
        selectionModel()->setCurrentIndex(m_model->index(rows.front(), 0),
                                          QItemSelectionModel::NoUpdate);
    }
}

int PointListView::topRow() const
{
    const int row = rowAt(0);
    return row < 0 ? 0 : row;
}

void PointListView::restoreTopRow(int row)
{
    // The scroll range follows the new rows only after the layout has run.
    updateGeometries();
    const int last = m_model->rowCount() - 1;
    if (last < 0) {
        return;
    }
    scrollTo(m_model->index(std::clamp(row, 0, last), 0), QAbstractItemView::PositionAtTop);
}

void PointListView::showRows(ListRows rows)
{
    std::vector<int> selected;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].selected) {
            selected.push_back(static_cast<int>(i));
        }
    }
    const int top = topRow();
    m_model->setRows(std::move(rows));
    restoreTopRow(top);
    if (!selected.empty()) {
        selectRows(selected);
    }
}

void PointListView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QModelIndex current = currentIndex();
        const QRect rect = current.isValid() ? visualRect(current) : QRect();
        at = viewport()->mapToGlobal(rect.isValid() ? rect.center() : QPoint(8, 8));
    }
    Q_EMIT contextMenuRequested(at);
    event->accept();
}

} // namespace quillan::views
