#pragma once

#include "document/DocumentObserver.h"
#include "document/TarnDoc.h"
#include "model/Notifications.h"
#include "shell/Command.h"
#include "shell/RecentFileList.h"
#include "shell/StartDialog.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

class QDockWidget;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

namespace quillan::platform {
class QtPortLister;
}

namespace quillan::views {
class OutputWnd;
class ProjectPane;
class TarnView;
} // namespace quillan::views

namespace quillan::shell {

class CommandActions;
class ConnectStatusDlg;
class GatewayIndicator;
class LockKeyIndicators;
class PortWatcher;
class TarnApp;

// The main window: menus, the "Standard" toolbar, the status bar, the "Project" and "Output"
// panes and the tabbed view. It routes every command (the project explorer first, then the
// active tab's view, then itself), handles the main window's notifications, runs the
// document's New, Open and Save flows, keeps the gateway's port attached and remembers its
// placement and layout.
class MainFrame final : public QMainWindow, public CommandHandler, public DocumentObserver {
    Q_OBJECT
public:
    // The version of the dock layout saved in the profile; a layout of another is ignored.
    static constexpr int LAYOUT_VERSION = 1;
    static constexpr const char* SUPPORT_URL = "https://www.norvane-systems.com/support/quillan";

    explicit MainFrame(TarnApp& app, QWidget* parent = nullptr);
    ~MainFrame() override;

    [[nodiscard]] TarnApp& app() { return m_app; }
    [[nodiscard]] CommandActions& actions() { return *m_actions; }
    [[nodiscard]] views::ProjectPane& projectPane() { return *m_projectPane; }
    [[nodiscard]] views::TarnView& tarnView() { return *m_tarnView; }
    [[nodiscard]] views::OutputWnd& outputWnd() { return *m_outputWnd; }
    [[nodiscard]] ConnectStatusDlg& progressWindow() { return *m_progress; }
    [[nodiscard]] PortWatcher& portWatcher() { return *m_portWatcher; }
    [[nodiscard]] RecentFileList& recentFiles() { return m_recent; }
    [[nodiscard]] QToolBar& standardToolBar() { return *m_standardBar; }
    [[nodiscard]] QDockWidget& projectDock() { return *m_projectDock; }
    [[nodiscard]] QDockWidget& outputDock() { return *m_outputDock; }
    [[nodiscard]] LockKeyIndicators& lockKeys() { return *m_lockKeys; }
    [[nodiscard]] GatewayIndicator& gatewayIndicator() { return *m_gateway; }
    // The start dialog while it is open.
    [[nodiscard]] StartDialog* startDialog() const { return m_startDialog; }

    // Restores the saved dock layout and placement (the defaults when the user asked for
    // them) and shows the window.
    void showPlaced();
    // The start after the window is made: opens the project named on the command line, or
    // else shows the window and the start dialog; then the presence check of the gateway and
    // its polling.
    void startUp();
    // Writes the placement, the dock layout and the recent files: the default placement and no
    // layout when the user asked to restore the default view, but the recent files all the same.
    void saveWindowState();

    // The routing: whether the first handler that takes the command has it enabled.
    [[nodiscard]] bool isCommandEnabled(Command command);
    [[nodiscard]] std::optional<bool> isCommandChecked(Command command);
    void routeCommand(Command command);

    [[nodiscard]] std::optional<bool> commandEnabled(Command command) override;
    bool runCommand(Command command) override;
    [[nodiscard]] std::optional<bool> commandChecked(Command command) override;

    // The document flows, after their file dialogs. Each reports a failure to the user and
    // answers whether it went through.
    //
    // "Save changes to %1?" for a modified document; false when the user cancelled or the
    // save failed, so whatever was to replace the document must not.
    bool saveModified();
    // Opens a project file in place of the document. A file that cannot be read is reported
    // and the open document stays as it was.
    bool openDocumentFile(const QString& path);
    bool saveDocument();
    bool saveDocumentAs(const QString& path);
    // What to do when the new project's file exists already.
    enum class ExistingFile {
        ask,     // "... already exists. Do you want to replace it ...?"
        replace, // the new-project wizard has warned of it already
    };
    // Makes and saves a new project.
    bool createDocument(const NewProjectValues& values, ExistingFile existing = ExistingFile::ask);

    // DocumentObserver
    void treeChanged() override;
    void rootChanged() override;
    void nodeDeleted(const Node& node) override;
    void nodeChanged(const Node& node) override;
    void openNode(const Node& node, int tab) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void handleNotification(const Notification& notification);
    void refresh();
    void refreshTitle();
    void refreshRecentMenu();
    void saveRecentFiles();
    void showStartDialog();
    void runNewProject();
    void runOpen();
    bool runSaveAs();
    void runOptions();
    void runAbout();
    void toggleDock(QDockWidget& dock);
    // After New, Open or a failed open: the panes show the document as it now is.
    void documentShown(bool keepOpenedNode);
    void reportDocumentFailure(const DocumentStatus& status, const QString& path);

    TarnApp& m_app;
    CommandActions* m_actions = nullptr;
    views::ProjectPane* m_projectPane = nullptr;
    views::TarnView* m_tarnView = nullptr;
    views::OutputWnd* m_outputWnd = nullptr;
    QDockWidget* m_projectDock = nullptr;
    QDockWidget* m_outputDock = nullptr;
    QToolBar* m_standardBar = nullptr;
    QToolButton* m_retrieveButton = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentEnd = nullptr; // the separator the recent files stand before
    std::vector<QAction*> m_recentActions;
    QMenu* m_tabMenu = nullptr;
    QLabel* m_message = nullptr;
    GatewayIndicator* m_gateway = nullptr;
    LockKeyIndicators* m_lockKeys = nullptr;
    ConnectStatusDlg* m_progress = nullptr;
    QTimer* m_idle = nullptr;
    std::unique_ptr<platform::QtPortLister> m_portLister;
    PortWatcher* m_portWatcher = nullptr;
    QPointer<StartDialog> m_startDialog;
    RecentFileList m_recent;
};

} // namespace quillan::shell
