#include "views/ProjectTree.h"

#include "controls/GatewayEdit.h"
#include "views/ProjectTreeModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

namespace quillan::views {

namespace {

class NodeNameDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override
    {
        auto* editor = new controls::GatewayEdit(parent);
        editor->setObjectName("nodeNameEditor");
        editor->setFrame(true);
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        if (!text.isEmpty()) {
            model->setData(index, text, Qt::EditRole);
        }
    }
};

} // namespace

ProjectTree::ProjectTree(ProjectTreeModel& model, QWidget* parent)
    : QTreeView(parent), m_model(model)
{
    setModel(&m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setIconSize(QSize(24, 16));
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false); // the target item is outlined instead
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setStretchLastSection(false);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ProjectTree::fitColumn);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, &ProjectTree::fitColumn);
    connect(this, &QTreeView::expanded, this, &ProjectTree::fitColumn);
    connect(this, &QTreeView::collapsed, this, &ProjectTree::fitColumn);

    auto* delegate = new NodeNameDelegate(this);
    setItemDelegate(delegate);
    connect(delegate, &QAbstractItemDelegate::closeEditor, this,
            [this] { m_model.setRenaming(false); });
    connect(this, &QAbstractItemView::doubleClicked, this, &ProjectTree::openRequested);
}

void ProjectTree::fitColumn()
{
    if (m_fitting) {
        return;
    }
    m_fitting = true;
    const int width = std::max(sizeHintForColumn(0), viewport()->width());
    if (header()->sectionSize(0) != width) {
        header()->resizeSection(0, width);
    }
    m_fitting = false;
}

void ProjectTree::updateGeometries()
{
    QTreeView::updateGeometries();
    fitColumn();
}

void ProjectTree::startRename(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    setCurrentIndex(index);
    scrollTo(index);
    m_model.setRenaming(true);
    edit(index);
    if (state() != QAbstractItemView::EditingState) {
        m_model.setRenaming(false);
    }
}

QPixmap ProjectTree::dragImage(const QModelIndex& index, QRect& area) const
{
    // The dragged row and the rows of its children, as they are drawn.
    area = visualRect(index);
    if (isExpanded(index)) {
        for (int row = 0; row < m_model.rowCount(index); ++row) {
            area = area.united(visualRect(m_model.index(row, 0, index)));
        }
    }
    area = area.intersected(viewport()->rect());
    area.setLeft(std::max(0, visualRect(index).left()));
    return area.isEmpty() ? QPixmap() : viewport()->grab(area);
}

void ProjectTree::startDrag(Qt::DropActions)
{
    const QModelIndex index = currentIndex();
    QMimeData* mime = m_model.mimeData({index});
    if (mime == nullptr) {
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    QRect area;
    const QPixmap image = dragImage(index, area);
    if (!image.isNull()) {
        drag->setPixmap(image);
        const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
        drag->setHotSpot(area.contains(pointer) ? pointer - area.topLeft() : QPoint(8, 8));
    }
    // The move itself happens on the drop, through the document; nothing is removed here.
    m_execDrag = true;
    (void)drag->exec(Qt::MoveAction);
    m_execDrag = false;
    endDrag();
    setDropTarget({});
}

void ProjectTree::beginDrag()
{
    if (m_dragging) {
        return;
    }
    m_dragging = true;
    m_dragCancelled = false;
    // Installed once the drag is under way, so that it sees the keys before the platform's
    // drag does: that one ends a drag on Escape only and swallows every other key.
    qApp->installEventFilter(this);
}

void ProjectTree::endDrag()
{
    if (!m_dragging) {
        return;
    }
    m_dragging = false;
    qApp->removeEventFilter(this);
}

bool ProjectTree::eventFilter(QObject* watched, QEvent* event)
{
    if (m_dragging && event->type() == QEvent::ShortcutOverride) {
        // No shortcut runs during a drag; the key comes as a key press, which ends it.
        event->accept();
        return true;
    }
    if (m_dragging && event->type() == QEvent::KeyPress) {
        m_dragCancelled = true;
        endDrag();
        setDropTarget({});
        if (m_execDrag) {
            QDrag::cancel();
        }
        return true;
    }
    return QTreeView::eventFilter(watched, event);
}

void ProjectTree::setDropTarget(const QModelIndex& index)
{
    if (QModelIndex(m_dropTarget) == index) {
        return;
    }
    m_dropTarget = index;
    viewport()->update();
}

void ProjectTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_model.draggedNode(event->mimeData()) == nullptr) {
        event->ignore();
        return;
    }
    beginDrag();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void ProjectTree::dragMoveEvent(QDragMoveEvent* event)
{
    Node* dragged = m_dragCancelled ? nullptr : m_model.draggedNode(event->mimeData());
    const QModelIndex target = indexAt(event->position().toPoint());
    Node* targetNode = m_model.nodeAt(target);
    const bool valid = dragged != nullptr && targetNode != nullptr &&
                       ProjectTreeModel::isDropTarget(*dragged, *targetNode);
    setDropTarget(valid ? target : QModelIndex());
    if (target.isValid()) {
        // Keep the neighbours in view, so the tree scrolls as the pointer nears an edge.
        const QModelIndex above = indexAbove(target);
        const QModelIndex below = indexBelow(target);
        if (above.isValid()) {
            scrollTo(above);
        }
        if (below.isValid()) {
            scrollTo(below);
        }
    }
    if (valid) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ProjectTree::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTarget({});
    // A drag of our own may come back over the tree; one from elsewhere is watched no more.
    if (!m_execDrag) {
        endDrag();
    }
    event->accept();
}

void ProjectTree::dropEvent(QDropEvent* event)
{
    endDrag();
    Node* dragged = m_dragCancelled ? nullptr : m_model.draggedNode(event->mimeData());
    const QModelIndex target = indexAt(event->position().toPoint());
    Node* targetNode = m_model.nodeAt(target);
    setDropTarget({});
    if (dragged == nullptr || targetNode == nullptr ||
        !ProjectTreeModel::isDropTarget(*dragged, *targetNode)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    Q_EMIT nodeDropped(dragged, targetNode);
}

void ProjectTree::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    if (!m_dropTarget.isValid()) {
        return;
    }
    QRect rect = visualRect(m_dropTarget);
    rect.setRight(viewport()->width() - 1);
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(1, 1, -1, -1));
}

void ProjectTree::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = indexAt(viewport()->mapFromGlobal(event->globalPos()));
        if (index.isValid()) {
            setCurrentIndex(index);
        }
        setFocus(Qt::MouseFocusReason);
    } else if (currentIndex().isValid()) {
        at = viewport()->mapToGlobal(visualRect(currentIndex()).center());
    }
    event->accept();
    Q_EMIT contextMenuRequested(at);
}

void ProjectTree::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() != QAbstractItemView::EditingState && currentIndex().isValid()) {
        Q_EMIT openRequested(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace quillan::views
