#pragma once

#include "model/Notifications.h"
#include "shell/Command.h"

#include <QTabWidget>
#include <vector>

class QAction;
class QMenu;

namespace quillan {
class Export;
class Import;
class Node;
class ZAVGateway;
} // namespace quillan

namespace quillan::shell {
class CommandActions;
class TarnApp;
} // namespace quillan::shell

namespace quillan::device::modbus {
class ModbusView;
}

namespace quillan::views {

class PointListView;

// The central view: the Device, Imports, Exports, Outputs and Modbus tabs, all showing the node
// opened in the project tree. The active tab takes the list commands.
//
// The import clipboard (TarnApp::importClipboard) holds the copied points in list order; the
// node they were copied from is the gateway that owns them (importClipboardSource).
class TarnView final : public QTabWidget, public shell::CommandHandler {
    Q_OBJECT
public:
    enum Tab { deviceTab = 0, importsTab, exportsTab, outputsTab, modbusTab };

    explicit TarnView(shell::TarnApp& app, QWidget* parent = nullptr);
    ~TarnView() override;

    // The shared actions the context menus offer; without them the lists have no menus.
    void setCommandActions(shell::CommandActions* actions) { m_actions = actions; }

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
    // The paste target of the Modbus tab's "Paste Integer" and "Paste Float".
    [[nodiscard]] std::optional<bool> commandChecked(shell::Command command) override;

    [[nodiscard]] PointListView& list(Tab tab) const { return *m_lists[tab]; }
    [[nodiscard]] device::modbus::ModbusView& modbusView() const { return *m_modbus; }

private:
    void refreshDevice();
    void refreshLists();
    void refreshImports();
    void refreshExports();
    void refreshOutputs();
    void refreshModbus();
    // The list's view node as a gateway, or none.
    [[nodiscard]] ZAVGateway* viewGateway(Tab tab) const;

    // The objects behind the selected rows of a list, in list order.
    [[nodiscard]] std::vector<Import*> selectedPoints() const;
    [[nodiscard]] std::vector<Export*> selectedExports(Tab tab) const;

    [[nodiscard]] std::optional<bool> importsEnabled(shell::Command command) const;
    bool runImports(shell::Command command);
    [[nodiscard]] std::optional<bool> exportsEnabled(shell::Command command) const;
    bool runExports(shell::Command command);
    [[nodiscard]] std::optional<bool> outputsEnabled(shell::Command command) const;
    bool runOutputs(shell::Command command);
    [[nodiscard]] std::optional<bool> siteEnabled(shell::Command command) const;
    bool runSite(shell::Command command);

    [[nodiscard]] bool canPasteToTable() const;
    void pasteSelectionToTable(bool isFloat);
    [[nodiscard]] bool canPasteToMap(const ZAVGateway& gateway) const;
    void removeSharedPoints();
    void scaleImport();
    void editInterval(Tab tab);

    void showListMenu(Tab tab, const QPoint& globalPos);
    void showEditMenu(const QPoint& globalPos);
    void addCommand(QMenu& menu, shell::Command command) const;

    shell::TarnApp& m_app;
    Node* m_shown = nullptr;
    Node* m_target = nullptr;
    PointListView* m_lists[5] = {};
    device::modbus::ModbusView* m_modbus = nullptr;
    shell::CommandActions* m_actions = nullptr;
    QAction* m_pasteToInteger = nullptr;
    QAction* m_pasteToFloat = nullptr;
    // The Modbus tab's paste goes to the floating-point table until "Paste Integer".
    bool m_pasteFloat = true;
};

// The gateway the import clipboard's points were copied from; none when it is empty.
[[nodiscard]] Node* importClipboardSource(const std::vector<Import*>& clipboard);

} // namespace quillan::views
