#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

namespace quillan {
class Node;
}

namespace quillan::views {

class ProjectTreeModel;

// The project explorer's tree view: opening by double-click or Enter (never expanding), the
// right-click that selects before the context menu, in-place renaming only on request, and
// the drag of a node onto the root, a gateway or a module, with the valid target outlined.
class ProjectTree final : public QTreeView {
    Q_OBJECT
public:
    ProjectTree(ProjectTreeModel& model, QWidget* parent = nullptr);

    [[nodiscard]] ProjectTreeModel& treeModel() { return m_model; }
    // Starts an in-place edit of the item's label with the name filter.
    void startRename(const QModelIndex& index);
    // The item a drag would land on now; invalid when the pointer is over no valid target.
    [[nodiscard]] QModelIndex dropTarget() const { return m_dropTarget; }
    // A key pressed while a drag is over the tree ends it; nothing is dropped.
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    void openRequested(const QModelIndex& index);
    // The context menu at a global position; a mouse request has selected its item first.
    void contextMenuRequested(const QPoint& globalPos);
    void nodeDropped(quillan::Node* dragged, quillan::Node* target);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void updateGeometries() override;

private:
    // The one column spans the view, or the longest label when that is wider, so that the
    // selection and the rename box take the whole row.
    void fitColumn();
    void setDropTarget(const QModelIndex& index);
    void beginDrag();
    void endDrag();
    [[nodiscard]] QPixmap dragImage(const QModelIndex& index, QRect& area) const;

    ProjectTreeModel& m_model;
    QPersistentModelIndex m_dropTarget;
    bool m_fitting = false;
    bool m_dragging = false;      // a drag of ours is over the tree, watching the keys
    bool m_dragCancelled = false; // until the next drag: a key ended this one
    bool m_execDrag = false;      // startDrag's QDrag is running
};

} // namespace quillan::views
