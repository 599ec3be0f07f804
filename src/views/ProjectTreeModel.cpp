#include "views/ProjectTreeModel.h"

#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/FileNode.h"
#include "model/NodeName.h"
#include "model/Text.h"
#include "shell/Icons.h"

#include <QFont>
#include <QMimeData>

namespace quillan::views {

namespace {

QString fromModel(const std::string& text)
{
    return QString::fromStdString(cp1252ToUtf8(text));
}

QString labelOf(const Node& node)
{
    if (const auto* root = dynamic_cast<const FileNode*>(&node)) {
        return fromModel(root->treeLabel());
    }
    return fromModel(node.getName());
}

} // namespace

ProjectTreeModel::ProjectTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

ProjectTreeModel::~ProjectTreeModel() = default;

ProjectTreeModel::Item& ProjectTreeModel::addChild(Item& parent, Node* node)
{
    auto item = std::make_unique<Item>();
    item->node = node;
    item->id = node->getId();
    item->parent = &parent;
    item->row = static_cast<int>(parent.children.size());
    parent.children.push_back(std::move(item));
    return *parent.children.back();
}

void ProjectTreeModel::rebuild(const TarnDoc& doc)
{
    beginResetModel();
    m_root.children.clear();
    Item* level1 = nullptr;
    for (const auto& node : doc.nodes()) {
        if (node->getKind() == kindProjectRoot) {
            level1 = &addChild(m_root, node.get());
        } else if (node->getKind() == kindGateway && level1 != nullptr) {
            Item& gatewayItem = addChild(*level1, node.get());
            if (const auto* gateway = dynamic_cast<const ZAVGateway*>(node.get())) {
                for (const auto& module : gateway->childModules()) {
                    addChild(gatewayItem, module.get());
                }
            }
        }
    }
    // The owner opens the item again, if its node is still there; a reset ends any edit.
    m_opened = nullptr;
    m_renaming = false;
    endResetModel();
}

void ProjectTreeModel::removeItem(const QModelIndex& index)
{
    Item* item = itemAt(index);
    if (item == nullptr) {
        return;
    }
    Item* parent = item->parent;
    const int row = item->row;
    beginRemoveRows(index.parent(), row, row);
    if (m_opened != nullptr && holds(*item, m_opened)) {
        m_opened = nullptr;
    }
    parent->children.erase(parent->children.begin() + row);
    for (size_t i = static_cast<size_t>(row); i < parent->children.size(); ++i) {
        parent->children[i]->row = static_cast<int>(i);
    }
    endRemoveRows();
}

bool ProjectTreeModel::holds(const Item& item, const Node* node)
{
    if (item.node == node) {
        return true;
    }
    for (const auto& child : item.children) {
        if (holds(*child, node)) {
            return true;
        }
    }
    return false;
}

Node* ProjectTreeModel::nodeAt(const QModelIndex& index) const
{
    const Item* item = itemAt(index);
    return item != nullptr ? item->node : nullptr;
}

uint32_t ProjectTreeModel::idAt(const QModelIndex& index) const
{
    const Item* item = itemAt(index);
    return item != nullptr ? item->id : 0;
}

const ProjectTreeModel::Item* ProjectTreeModel::findItem(const Item& from, const Node* node,
                                                         const uint32_t* id) const
{
    for (const auto& child : from.children) {
        if (child->node == node && (id == nullptr || child->id == *id)) {
            return child.get();
        }
        if (const Item* found = findItem(*child, node, id)) {
            return found;
        }
    }
    return nullptr;
}

QModelIndex ProjectTreeModel::indexOf(const Node* node, uint32_t id) const
{
    return node != nullptr ? indexOfItem(findItem(m_root, node, &id)) : QModelIndex();
}

QModelIndex ProjectTreeModel::indexOf(const Node* node) const
{
    return node != nullptr ? indexOfItem(findItem(m_root, node, nullptr)) : QModelIndex();
}

Node* ProjectTreeModel::openedNode() const
{
    return const_cast<Node*>(m_opened);
}

void ProjectTreeModel::setOpened(const QModelIndex& index)
{
    const QModelIndex previous = indexOf(m_opened);
    m_opened = nodeAt(index);
    const QList<int> roles{Qt::FontRole};
    if (previous.isValid()) {
        Q_EMIT dataChanged(previous, previous, roles);
    }
    if (index.isValid()) {
        Q_EMIT dataChanged(index, index, roles);
    }
}

Node* ProjectTreeModel::draggedNode(const QMimeData* data) const
{
    if (data == nullptr || !data->hasFormat(NODE_MIME_TYPE)) {
        return nullptr;
    }
    // Node identities are not unique (the root and the first gateway may share one), so the
    // drag names the node by address too; only a node this tree holds is ever taken from it.
    const QList<QByteArray> parts = data->data(NODE_MIME_TYPE).split(' ');
    bool addressOk = false;
    bool idOk = false;
    const quint64 address = parts.size() == 2 ? parts[0].toULongLong(&addressOk) : 0;
    const uint32_t id = parts.size() == 2 ? parts[1].toUInt(&idOk) : 0;
    if (!addressOk || !idOk) {
        return nullptr;
    }
    const auto* node = reinterpret_cast<const Node*>(static_cast<quintptr>(address));
    const Item* item = findItem(m_root, node, &id);
    return item != nullptr && item->parent != &m_root ? item->node : nullptr;
}

bool ProjectTreeModel::isDropTarget(const Node& dragged, const Node& target)
{
    if (dragged.isGateway()) {
        return target.isProjectRoot() || target.isGateway();
    }
    const Node* gateway = dragged.getParent();
    if (gateway == nullptr || dragged.isProjectRoot()) {
        return false;
    }
    if (&target == gateway) {
        return gateway->hasChild(dragged);
    }
    return !target.isProjectRoot() && !target.isGateway() && target.getParent() == gateway;
}

ProjectTreeModel::Item* ProjectTreeModel::itemAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this) {
        return nullptr;
    }
    return static_cast<Item*>(index.internalPointer());
}

QModelIndex ProjectTreeModel::indexOfItem(const Item* item) const
{
    if (item == nullptr || item == &m_root) {
        return {};
    }
    return createIndex(item->row, 0, const_cast<Item*>(item));
}

QModelIndex ProjectTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Item* parentItem = parent.isValid() ? itemAt(parent) : &m_root;
    if (parentItem == nullptr || column != 0 || row < 0 ||
        static_cast<size_t>(row) >= parentItem->children.size()) {
        return {};
    }
    return createIndex(row, 0, parentItem->children[static_cast<size_t>(row)].get());
}

QModelIndex ProjectTreeModel::parent(const QModelIndex& child) const
{
    const Item* item = itemAt(child);
    return item != nullptr ? indexOfItem(item->parent) : QModelIndex();
}

int ProjectTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0) {
        return 0;
    }
    const Item* item = parent.isValid() ? itemAt(parent) : &m_root;
    return item != nullptr ? static_cast<int>(item->children.size()) : 0;
}

int ProjectTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ProjectTreeModel::data(const QModelIndex& index, int role) const
{
    const Item* item = itemAt(index);
    if (item == nullptr) {
        return {};
    }
    const Node& node = *item->node;
    switch (role) {
    case Qt::DisplayRole:
        return labelOf(node);
    case Qt::EditRole:
        return fromModel(node.getName());
    case Qt::DecorationRole: {
        const QPixmap image = shell::treeImage(node.getImageIndex());
        return image.isNull() ? QVariant() : QVariant(image);
    }
    case Qt::FontRole:
        if (item->node == m_opened) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

bool ProjectTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    Item* item = itemAt(index);
    if (item == nullptr || role != Qt::EditRole || item->node->isProjectRoot()) {
        return false;
    }
    const std::string name = utf8ToCp1252(value.toString().toStdString());
    // An empty edit keeps the old name; anything else got past the editor's filter.
    if (!isValidNodeName(name)) {
        return false;
    }
    item->node->setName(name);
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    Q_EMIT nodeRenamed(item->node);
    return true;
}

Qt::ItemFlags ProjectTreeModel::flags(const QModelIndex& index) const
{
    const Item* item = itemAt(index);
    if (item == nullptr) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (!item->node->isProjectRoot()) {
        flags |= Qt::ItemIsDragEnabled;
        if (m_renaming) {
            flags |= Qt::ItemIsEditable;
        }
    }
    return flags;
}

QStringList ProjectTreeModel::mimeTypes() const
{
    return {NODE_MIME_TYPE};
}

QMimeData* ProjectTreeModel::mimeData(const QModelIndexList& indexes) const
{
    const Item* item = indexes.isEmpty() ? nullptr : itemAt(indexes.first());
    if (item == nullptr || item->node->isProjectRoot()) {
        return nullptr;
    }
    auto* data = new QMimeData;
    data->setData(NODE_MIME_TYPE,
                  QByteArray::number(quint64(reinterpret_cast<quintptr>(item->node))) + ' ' +
                      QByteArray::number(item->id));
    return data;
}

Qt::DropActions ProjectTreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions ProjectTreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

} // namespace quillan::views
