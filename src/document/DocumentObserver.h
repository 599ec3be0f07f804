#pragma once

namespace quillan {

class Node;

// What the windows learn from the document: the tree to rebuild, the Device tab to refresh,
// a node gone. The GUI implements it; the CLI and the tests need not.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    virtual void treeChanged() {}
    // The Device tab shows the root and must refill.
    virtual void rootChanged() {}
    virtual void nodeDeleted(const Node& /*node*/) {}
    // A new node was accepted by the selected node (the views refresh it).
    virtual void nodeChanged(const Node& /*node*/) {}
    // The new-project flow opens its gateway and shows the given tab.
    virtual void openNode(const Node& /*node*/, int /*tab*/) {}
};

} // namespace quillan
