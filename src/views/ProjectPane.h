#pragma once

#include "shell/Command.h"

#include <QWidget>

class QTreeView;

namespace quillan {
class Node;
}

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {

class TarnView;

// The "Project" pane: its toolbar and the tree of the project root, its gateways and their
// modules. The selected item is what node commands act on; the opened (bold) item is what the
// tabbed view shows.
class ProjectPane final : public QWidget, public shell::CommandHandler {
    Q_OBJECT
public:
    explicit ProjectPane(shell::TarnApp& app, QWidget* parent = nullptr);
    ~ProjectPane() override;

    // The tabbed view the tree announces opened and selected nodes to.
    void setTarnView(TarnView* view) { m_view = view; }

    // Re-creates the items from the document, keeping the opened and selected nodes.
    void rebuild();
    // Makes the node's item the opened one and tells the views.
    void openNode(Node* node);
    [[nodiscard]] Node* selectedNode() const;
    [[nodiscard]] Node* openedNode() const;
    [[nodiscard]] QTreeView* tree() const { return m_tree; }

    [[nodiscard]] std::optional<bool> commandEnabled(shell::Command command) override;
    bool runCommand(shell::Command command) override;

private:
    shell::TarnApp& m_app;
    QTreeView* m_tree = nullptr;
    TarnView* m_view = nullptr;
};

} // namespace quillan::views
