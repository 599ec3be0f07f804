#pragma once

#include "document/DocumentObserver.h"
#include "model/Notifications.h"
#include "shell/Command.h"

#include <QMainWindow>

class QDockWidget;
class QTimer;

namespace quillan::views {
class OutputWnd;
class ProjectPane;
class TarnView;
} // namespace quillan::views

namespace quillan::shell {

class CommandActions;
class ConnectStatusDlg;
class TarnApp;

// The main window: menus, the "Standard" toolbar, the status bar, the "Project" and "Output"
// panes and the tabbed view. It routes every command (the project explorer first, then the
// active tab's view, then itself) and handles the main window's notifications.
class MainFrame final : public QMainWindow, public CommandHandler, public DocumentObserver {
    Q_OBJECT
public:
    explicit MainFrame(TarnApp& app, QWidget* parent = nullptr);
    ~MainFrame() override;

    [[nodiscard]] TarnApp& app() { return m_app; }
    [[nodiscard]] CommandActions& actions() { return *m_actions; }
    [[nodiscard]] views::ProjectPane& projectPane() { return *m_projectPane; }
    [[nodiscard]] views::TarnView& tarnView() { return *m_tarnView; }
    [[nodiscard]] views::OutputWnd& outputWnd() { return *m_outputWnd; }
    [[nodiscard]] ConnectStatusDlg& progressWindow() { return *m_progress; }

    // The routing: whether the first handler that takes the command has it enabled.
    [[nodiscard]] bool isCommandEnabled(Command command);
    void routeCommand(Command command);

    [[nodiscard]] std::optional<bool> commandEnabled(Command command) override;
    bool runCommand(Command command) override;

    // DocumentObserver
    void treeChanged() override;
    void rootChanged() override;
    void nodeDeleted(const Node& node) override;
    void nodeChanged(const Node& node) override;
    void openNode(const Node& node, int tab) override;

private:
    void createMenus();
    void handleNotification(const Notification& notification);

    TarnApp& m_app;
    CommandActions* m_actions = nullptr;
    views::ProjectPane* m_projectPane = nullptr;
    views::TarnView* m_tarnView = nullptr;
    views::OutputWnd* m_outputWnd = nullptr;
    QDockWidget* m_projectDock = nullptr;
    QDockWidget* m_outputDock = nullptr;
    ConnectStatusDlg* m_progress = nullptr;
    QTimer* m_idle = nullptr;
};

} // namespace quillan::shell
