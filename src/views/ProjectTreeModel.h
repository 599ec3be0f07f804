#pragma once

#include <QAbstractItemModel>
#include <memory>
#include <vector>

namespace quillan {
class Node;
class TarnDoc;
} // namespace quillan

namespace quillan::views {

// The project tree's three levels over the document's nodes: the project root, its gateways
// in list order, and each gateway's Modbus modules. Items refer to nodes and own none; the
// model is rebuilt whenever the document's structure changes. It also keeps the opened node
// (drawn bold) and carries a dragged node between the tree's drag and its drop.
class ProjectTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    // A drag names the dragged node under this type.
    static constexpr const char* NODE_MIME_TYPE = "application/x-quillan-tree-node";

    explicit ProjectTreeModel(QObject* parent = nullptr);
    ~ProjectTreeModel() override;

    // Re-creates every item from the document (none without a project root).
    void rebuild(const TarnDoc& doc);
    // Takes the item of a node and its children out of the tree.
    void removeItem(const QModelIndex& index);

    [[nodiscard]] Node* nodeAt(const QModelIndex& index) const;
    // The identity the item's node had when the item was made; 0 for no item.
    [[nodiscard]] uint32_t idAt(const QModelIndex& index) const;
    // The item of a node; an invalid index when the node has none. The identity guards
    // against a node that was destroyed and another that took its address.
    [[nodiscard]] QModelIndex indexOf(const Node* node, uint32_t id) const;
    [[nodiscard]] QModelIndex indexOf(const Node* node) const;

    [[nodiscard]] Node* openedNode() const;
    void setOpened(const QModelIndex& index);

    // In-place label edits are possible only while this is on (Re&name turns it on).
    void setRenaming(bool on) { m_renaming = on; }
    [[nodiscard]] bool isRenaming() const { return m_renaming; }

    // The node a drag's data names, if this tree still holds it.
    [[nodiscard]] Node* draggedNode(const QMimeData* data) const;
    // A gateway may land on the root or on any gateway; a module on its own gateway or on a
    // module of that gateway.
    [[nodiscard]] static bool isDropTarget(const Node& dragged, const Node& target);

    // QAbstractItemModel
    [[nodiscard]] QModelIndex index(int row, int column,
                                    const QModelIndex& parent = {}) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    [[nodiscard]] QStringList mimeTypes() const override;
    [[nodiscard]] QMimeData* mimeData(const QModelIndexList& indexes) const override;
    [[nodiscard]] Qt::DropActions supportedDragActions() const override;
    [[nodiscard]] Qt::DropActions supportedDropActions() const override;

Q_SIGNALS:
    // An in-place edit gave the node a new name.
    void nodeRenamed(quillan::Node* node);

private:
    struct Item {
        Node* node = nullptr;
        uint32_t id = 0;
        Item* parent = nullptr;
        int row = 0;
        std::vector<std::unique_ptr<Item>> children;
    };

    [[nodiscard]] Item* itemAt(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex indexOfItem(const Item* item) const;
    [[nodiscard]] const Item* findItem(const Item& from, const Node* node,
                                       const uint32_t* id) const;
    [[nodiscard]] static bool holds(const Item& item, const Node* node);
    static Item& addChild(Item& parent, Node* node);

    Item m_root; // invisible; its children are the level-1 items
    const Node* m_opened = nullptr;
    bool m_renaming = false;
};

} // namespace quillan::views
