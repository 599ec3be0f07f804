#pragma once

#include "model/Notifications.h"
#include "shell/Command.h"

#include <QTabWidget>

namespace quillan {
class Node;
}

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

    // The tabbed view's notifications (node selected, changed, deleted, paste to a table).
    void handleNotification(const Notification& notification);
    // New, Open or Close replaced the document: nothing is shown.
    void documentReplaced();
    [[nodiscard]] Node* shownNode() const { return m_shown; }

    [[nodiscard]] std::optional<bool> commandEnabled(shell::Command command) override;
    bool runCommand(shell::Command command) override;

private:
    shell::TarnApp& m_app;
    Node* m_shown = nullptr;
};

} // namespace quillan::views
