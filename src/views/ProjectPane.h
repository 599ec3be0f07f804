#pragma once

#include "shell/Command.h"

#include <QWidget>

class QMenu;
class QToolBar;
class QTreeView;

namespace quillan {
class Node;
}

namespace quillan::shell {
class CommandActions;
class MainFrame;
class TarnApp;
} // namespace quillan::shell

namespace quillan::views {

class DeviceOperations;
class ProjectTree;
class ProjectTreeModel;
class TarnView;

// The "Project" pane: its toolbar and the tree of the project root, its gateways and their
// modules. The selected item is what node commands act on; the opened (bold) item is what the
// tabbed view shows.
class ProjectPane final : public QWidget, public shell::CommandHandler {
    Q_OBJECT
public:
    // Under the main frame the pane shares its command actions; elsewhere it makes its own.
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
    [[nodiscard]] QTreeView* tree() const;
    // Tells the tabbed view again about the opened node (the frame's refresh of the selection).
    void reannounceOpened();
    // The device commands run from the tree and the File menu's retrieve.
    [[nodiscard]] DeviceOperations& deviceOperations() { return *m_operations; }
    // The "Project" popup, with the commands' current enabling.
    [[nodiscard]] QMenu* contextMenu() const { return m_menu; }
    [[nodiscard]] QToolBar* toolBar() const { return m_toolBar; }

    [[nodiscard]] std::optional<bool> commandEnabled(shell::Command command) override;
    bool runCommand(shell::Command command) override;

private:
    void createToolBar();
    void createContextMenu();
    void openItem(const QModelIndex& index);
    void selectionMoved(const QModelIndex& current);
    void announceChanged(Node* node);
    void deleteSelected();
    void dropNode(Node* dragged, Node* target);
    void runFromKey(shell::Command command);
    [[nodiscard]] bool isCommunicating(const Node& node) const;
    // A device command may start on the node: a gateway, nothing running, no connection open.
    [[nodiscard]] bool deviceCommandReady(const Node* node, bool needsPort) const;

    shell::TarnApp& m_app;
    shell::MainFrame* m_frame = nullptr; // none for a pane on its own
    shell::CommandActions* m_actions = nullptr;
    ProjectTreeModel* m_model = nullptr;
    ProjectTree* m_tree = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_menu = nullptr;
    TarnView* m_view = nullptr;
    DeviceOperations* m_operations = nullptr;
};

} // namespace quillan::views
