#pragma once

#include "model/ListRow.h"

#include <QTableView>
#include <vector>

namespace quillan {
class Node;
}

namespace quillan::views {

class ListRowModel;

// One list of the tabbed view: a report-style table over a ListRowModel with grid lines,
// whole-row selection, the columns' initial widths and no horizontal scroll bar. It remembers
// the node it was filled from (its view node).
class PointListView : public QTableView {
    Q_OBJECT
public:
    PointListView(ListRowModel* model, QWidget* parent = nullptr);

    [[nodiscard]] ListRowModel& rows() const { return *m_model; }
    [[nodiscard]] Node* viewNode() const { return m_viewNode; }
    void setViewNode(Node* node) { m_viewNode = node; }

    // Selected rows in list order.
    [[nodiscard]] std::vector<int> selectedRows() const;
    // The first selected row, or -1.
    [[nodiscard]] int firstSelectedRow() const;
    void selectRows(const std::vector<int>& rows);

    // The row shown at the top, and bringing it back after a refill.
    [[nodiscard]] int topRow() const;
    void restoreTopRow(int row);
    // Replaces the rows, keeping the row at the top and selecting the rows flagged selected.
    void showRows(ListRows rows);

Q_SIGNALS:
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ListRowModel* m_model;
    Node* m_viewNode = nullptr;
};

} // namespace quillan::views
