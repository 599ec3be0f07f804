#pragma once

#include "model/Notifications.h"
#include "shell/Command.h"

#include <QTabWidget>

namespace quillan {
class Node;
class ZAVGateway;
} // namespace quillan

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {

// The central view: the Device, Imports, Exports, Outputs and Modbus tabs, all showing the node
// opened in the project tree. The active tab takes the list commands.
class TarnView final : public QTabWidget, public shell::CommandHandler {
    Q_OBJECT
public:
    explicit TarnView(shell::TarnApp& app, QWidget* parent = nullptr);
    ~TarnView() override;

    // The tabbed view's notifications without node arguments.
    void handleNotification(const Notification& notification);
    // New, Open or Close replaced the document: nothing is shown.
    void documentReplaced();
    [[nodiscard]] Node* shownNode() const { return m_shown; }
    [[nodiscard]] Node* targetGateway() const { return m_target; }

    // From the project tree. A node is announced as its container (the root or a gateway) and,
    // for a module, the module itself.
    void nodeSelected(Node* container, Node* child);
    void targetSelected(Node* node);
    void nodeChanged(Node* container, Node* child);
    // From the document.
    void rootChanged(Node* root);
    void nodeDeleted(const Node* node);
    // Maps the import clipboard's points into the gateway's integer or floating-point table.
    void pasteTo(ZAVGateway& gateway, bool isFloat);

    // The tree's "Import Points": the Imports tab has selected rows and target is a gateway
    // other than the one shown.
    [[nodiscard]] bool canImportPointsTo(const Node& target) const;
    void importPointsTo(ZAVGateway& target);

    [[nodiscard]] std::optional<bool> commandEnabled(shell::Command command) override;
    bool runCommand(shell::Command command) override;

private:
    shell::TarnApp& m_app;
    Node* m_shown = nullptr;
    Node* m_target = nullptr;
};

} // namespace quillan::views
