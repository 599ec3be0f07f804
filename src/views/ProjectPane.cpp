#include "views/ProjectPane.h"

#include "dialogs/NewSiteDlg.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/MBModule.h"
#include "model/Site.h"
#include "model/Text.h"
#include "shell/CommandActions.h"
#include "shell/Icons.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "views/DeviceOperations.h"
#include "views/ProjectTree.h"
#include "views/ProjectTreeModel.h"
#include "views/TarnView.h"

#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillan::views {

namespace {

using shell::Command;

constexpr const char* kDeleteText =
    "Are you sure that you want to permanently delete the selected node?";

// A picture for the pane's buttons while the shell has none of its own for the command.
QIcon buttonIcon(Command command, const QStyle& style)
{
    QIcon icon = shell::commandIcon(command);
    if (!icon.isNull()) {
        return icon;
    }
    switch (command) {
    case Command::nodeEdit:
        return style.standardIcon(QStyle::SP_FileDialogDetailedView);
    case Command::nodeCopy:
        return style.standardIcon(QStyle::SP_FileDialogContentsView);
    case Command::nodePaste:
        return style.standardIcon(QStyle::SP_DialogApplyButton);
    case Command::nodeUpdateDevice:
        return style.standardIcon(QStyle::SP_ArrowDown);
    case Command::nodeConnect:
        return style.standardIcon(QStyle::SP_ComputerIcon);
    case Command::nodeReadSiteKey:
        return style.standardIcon(QStyle::SP_MessageBoxInformation);
    case Command::nodeSaveFileToGateway:
        return style.standardIcon(QStyle::SP_DialogSaveButton);
    case Command::insertMenu:
        return style.standardIcon(QStyle::SP_FileDialogNewFolder);
    case Command::importPoints:
        return style.standardIcon(QStyle::SP_ArrowRight);
    case Command::nodeDelete:
        return style.standardIcon(QStyle::SP_TrashIcon);
    default:
        return {};
    }
}

// The container the tabbed view is told about: the node itself for the root or a gateway,
// else its gateway with the module as the child.
std::pair<Node*, Node*> containerOf(Node* node)
{
    if (node->isProjectRoot() || node->isGateway()) {
        return {node, nullptr};
    }
    return {node->getParent(), node};
}

bool isPasteable(const Node* node)
{
    return dynamic_cast<const ZAVGateway*>(node) != nullptr ||
           dynamic_cast<const MBModule*>(node) != nullptr;
}

} // namespace

ProjectPane::ProjectPane(shell::TarnApp& app, QWidget* parent)
    : QWidget(parent), m_app(app), m_frame(qobject_cast<shell::MainFrame*>(parent))
{
    if (m_frame != nullptr) {
        m_actions = &m_frame->actions();
    } else {
        m_actions = new shell::CommandActions(this);
        m_actions->setRouter([this](Command c) { return commandEnabled(c).value_or(false); },
                             [this](Command c) { (void)runCommand(c); });
    }
    m_operations = new DeviceOperations(m_app, this);
    m_operations->setDebugOutput(
        [frame = m_frame] { return frame != nullptr ? &frame->outputWnd() : nullptr; });
    m_model = new ProjectTreeModel(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createToolBar();
    layout->addWidget(m_toolBar);

    auto* box = new QFrame(this);
    box->setObjectName("projectTreeFrame");
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    QPalette shadow = box->palette();
    shadow.setColor(QPalette::WindowText, shadow.color(QPalette::Shadow));
    box->setPalette(shadow);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(1, 1, 1, 1);
    m_tree = new ProjectTree(*m_model, box);
    m_tree->setFrameShape(QFrame::NoFrame);
    m_tree->setPalette(palette());
    boxLayout->addWidget(m_tree);
    layout->addWidget(box, 1);
    setFocusProxy(m_tree);

    createContextMenu();

    connect(m_tree, &ProjectTree::openRequested, this, &ProjectPane::openItem);
    connect(m_tree, &ProjectTree::contextMenuRequested, this, [this](const QPoint& at) {
        m_actions->refreshEnabled();
        m_menu->exec(at);
    });
    connect(m_tree, &ProjectTree::nodeDropped, this, &ProjectPane::dropNode);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { selectionMoved(current); });
    connect(m_model, &ProjectTreeModel::nodeRenamed, this, &ProjectPane::announceChanged);
    connect(m_operations, &DeviceOperations::finished, m_actions,
            &shell::CommandActions::refreshEnabled);
    connect(m_operations, &DeviceOperations::siteChanged, this, [this] {
        FileNode* root = m_app.document().root();
        if (m_view != nullptr && root != nullptr && m_view->shownNode() == root) {
            m_view->rootChanged(root);
        }
    });

    // The tree's own keys for the commands a keyboard user reaches for first.
    for (const auto& [key, command] : {std::pair{QKeySequence(Qt::Key_F2), Command::nodeRename},
                                       std::pair{QKeySequence(QKeySequence::Delete),
                                                 Command::nodeDelete}}) {
        auto* shortcut = new QAction(m_tree);
        shortcut->setShortcut(key);
        shortcut->setShortcutContext(Qt::WidgetShortcut);
        connect(shortcut, &QAction::triggered, this,
                [this, command = command] { runFromKey(command); });
        m_tree->addAction(shortcut);
    }
}

ProjectPane::~ProjectPane()
{
    // The worker must be gone before the windows it reports to.
    m_operations->stop();
}

void ProjectPane::createToolBar()
{
    struct Button {
        Command command;
        const char* toolTip;
    };
    static constexpr Button kButtons[] = {
        {Command::nodeEdit, "Edit the currently selected object's properties."},
        {Command::nodeCopy, "Copy the currently selected object's properties."},
        {Command::nodePaste, "Paste copied properties to the currently selected object."},
        {Command::nodeUpdateDevice, "Update the currently selected node."},
        {Command::nodeConnect, "Connect to the currently selected node."},
        {Command::nodeReadSiteKey,
         "Read the site security key from the currently selected gateway."},
        {Command::nodeSaveFileToGateway, "Save a Project File to the selected Gateway."},
        {Command::insertMenu, "Insert a new object."},
        {Command::importPoints, "Import the currently selected points."},
        {Command::nodeDelete, "Delete the currently selected node."},
    };
    m_toolBar = new QToolBar("Project", this);
    m_toolBar->setObjectName("ProjectToolBar");
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setMovable(false);
    for (const Button& button : kButtons) {
        QAction* action = m_actions->action(button.command);
        action->setToolTip(button.toolTip);
        if (action->icon().isNull()) {
            action->setIcon(buttonIcon(button.command, *style()));
        }
        switch (button.command) {
        case Command::nodeUpdateDevice:
        case Command::insertMenu:
        case Command::importPoints:
        case Command::nodeDelete:
            m_toolBar->addSeparator();
            break;
        default:
            break;
        }
        if (button.command != Command::insertMenu) {
            m_toolBar->addAction(action);
            continue;
        }
        auto* insert = new QToolButton(m_toolBar);
        insert->setObjectName("insertButton");
        insert->setDefaultAction(action);
        insert->setPopupMode(QToolButton::InstantPopup);
        auto* menu = new QMenu(insert);
        menu->addAction(m_actions->action(Command::insertSite));
        menu->addAction(m_actions->action(Command::insertGateway));
        menu->addAction(m_actions->action(Command::insertModbusModule));
        connect(menu, &QMenu::aboutToShow, m_actions, &shell::CommandActions::refreshEnabled);
        insert->setMenu(menu);
        m_toolBar->addWidget(insert);
    }
}

void ProjectPane::createContextMenu()
{
    const auto a = [this](Command c) { return m_actions->action(c); };
    m_menu = new QMenu("Project", this);
    m_menu->addAction(a(Command::nodeEdit));
    m_menu->addAction(a(Command::nodeCopy));
    m_menu->addAction(a(Command::nodePaste));
    m_menu->addSeparator();
    QMenu* insert = m_menu->addMenu("&Insert");
    insert->addAction(a(Command::insertSite));
    insert->addAction(a(Command::insertGateway));
    insert->addAction(a(Command::insertModbusModule));
    m_menu->addSeparator();
    m_menu->addAction(a(Command::nodeUpdateDevice));
    m_menu->addAction(a(Command::nodeConnect));
    m_menu->addSeparator();
    m_menu->addAction(a(Command::nodeReadSiteKey));
    m_menu->addAction(a(Command::nodeSaveFileToGateway));
    m_menu->addSeparator();
    m_menu->addAction(a(Command::importPoints));
    m_menu->addSeparator();
    m_menu->addAction(a(Command::nodeRename));
    m_menu->addAction(a(Command::nodeDelete));
}

QTreeView* ProjectPane::tree() const
{
    return m_tree;
}

Node* ProjectPane::selectedNode() const
{
    return m_model->nodeAt(m_tree->currentIndex());
}

Node* ProjectPane::openedNode() const
{
    return m_model->openedNode();
}

void ProjectPane::rebuild()
{
    const int scroll = m_tree->verticalScrollBar()->value();
    const QModelIndex selected = m_tree->currentIndex();
    const Node* selectedNode = m_model->nodeAt(selected);
    const uint32_t selectedId = m_model->idAt(selected);
    const QModelIndex opened = m_model->indexOf(m_model->openedNode());
    const Node* openedNode = m_model->nodeAt(opened);
    const uint32_t openedId = m_model->idAt(opened);

    m_model->rebuild(m_app.document());
    m_tree->expandAll();
    QModelIndex select = m_model->indexOf(selectedNode, selectedId);
    if (!select.isValid()) {
        select = m_model->index(0, 0);
    }
    m_tree->setCurrentIndex(select);
    m_tree->verticalScrollBar()->setValue(scroll);
    const QModelIndex reopen = m_model->indexOf(openedNode, openedId);
    if (reopen.isValid()) {
        m_model->setOpened(reopen);
        const auto [container, child] = containerOf(m_model->nodeAt(reopen));
        if (m_view != nullptr) {
            m_view->nodeSelected(container, child);
        }
    }
}

void ProjectPane::openNode(Node* node)
{
    const QModelIndex index = m_model->indexOf(node);
    if (!index.isValid()) {
        return;
    }
    m_model->setOpened(index);
    const auto [container, child] = containerOf(node);
    if (m_view != nullptr) {
        m_view->nodeSelected(container, child);
    }
}

void ProjectPane::openItem(const QModelIndex& index)
{
    Node* node = m_model->nodeAt(index);
    if (node != nullptr && node != m_model->openedNode()) {
        openNode(node);
    }
}

void ProjectPane::reannounceOpened()
{
    if (Node* opened = m_model->openedNode()) {
        announceChanged(opened);
    }
}

void ProjectPane::selectionMoved(const QModelIndex& current)
{
    Node* node = m_model->nodeAt(current);
    if (node != nullptr && (node->isProjectRoot() || node->isGateway()) && m_view != nullptr) {
        m_view->targetSelected(node);
    }
    // Later: a rebuild moves the selection while the document is still changing.
    QTimer::singleShot(0, m_actions, &shell::CommandActions::refreshEnabled);
}

void ProjectPane::announceChanged(Node* node)
{
    const auto [container, child] = containerOf(node);
    if (m_view != nullptr && container != nullptr) {
        m_view->nodeChanged(container, child);
    }
}

bool ProjectPane::isCommunicating(const Node& node) const
{
    return m_operations->isCommunicating(node);
}

bool ProjectPane::deviceCommandReady(const Node* node, bool needsPort) const
{
    return node != nullptr && node->isGateway() && !isCommunicating(*node) &&
           !m_operations->isRunning() && !m_app.portBusy() &&
           (!needsPort || m_app.gatewayAttached());
}

std::optional<bool> ProjectPane::commandEnabled(Command command)
{
    const Node* n = selectedNode();
    const TarnDoc& doc = m_app.document();
    const bool idle = n != nullptr && !isCommunicating(*n);
    const auto* gateway = dynamic_cast<const ZAVGateway*>(n);
    switch (command) {
    case Command::nodeEdit:
        // The root edits its active site; gateways and Modbus modules have their sheets.
        return idle && n != nullptr &&
               ((n->isProjectRoot() && doc.root() != nullptr &&
                 doc.root()->activeSite() != nullptr) ||
                gateway::ui::hasPropertySheet(*n));
    case Command::insertSite:
        return n != nullptr && n->isProjectRoot();
    case Command::nodeCopy:
        return idle && isPasteable(n);
    case Command::nodePaste: {
        const Node* s = m_app.nodeClipboard();
        const bool sameClass =
            (gateway != nullptr && dynamic_cast<const ZAVGateway*>(s) != nullptr) ||
            (dynamic_cast<const MBModule*>(n) != nullptr &&
             dynamic_cast<const MBModule*>(s) != nullptr);
        return idle && s != n && sameClass;
    }
    case Command::insertGateway:
        return n != nullptr && n->isProjectRoot() && doc.canInsertGateway();
    case Command::insertModbusModule:
        return n != nullptr && doc.root() != nullptr && doc.canInsertModbusModule(*n);
    case Command::insertMenu:
        return n != nullptr &&
               (n->isProjectRoot() ||
                (doc.isFirstSiteActive() && gateway != nullptr &&
                 (!gateway->ioModuleLimitReached() || gateway->secondPortIsModuleMaster() ||
                  gateway->hasModuleMasterPort())));
    case Command::nodeUpdateDevice:
    case Command::nodeConnect:
        return deviceCommandReady(n, true);
    case Command::nodeReadSiteKey:
        return deviceCommandReady(n, true) && n->getSite() != nullptr &&
               n->getSite()->isSecurityEnabled();
    case Command::nodeSaveFileToGateway:
        return deviceCommandReady(n, false);
    case Command::importPoints:
        return gateway != nullptr && n != openedNode() && m_view != nullptr &&
               m_view->canImportPointsTo(*n);
    case Command::nodeRename:
        return idle && !n->isProjectRoot();
    case Command::nodeDelete:
        return idle && doc.isFirstSiteActive() && !n->isProjectRoot() &&
               (gateway == nullptr || !gateway->hasChildModules());
    default:
        return std::nullopt;
    }
}

bool ProjectPane::runCommand(Command command)
{
    Node* n = selectedNode();
    auto* gateway = dynamic_cast<ZAVGateway*>(n);
    switch (command) {
    case Command::nodeEdit:
        if (n != nullptr && n->isProjectRoot() && m_app.document().root() != nullptr) {
            if (Site* site = m_app.document().root()->activeSite();
                site != nullptr && dialogs::editSiteWithDialog(m_app.document(), *site, this)) {
                announceChanged(n);
            }
        } else if (n != nullptr && gateway::ui::hasPropertySheet(*n)) {
            if (gateway::ui::showNodeProperties(m_app, *n, this) ==
                gateway::ui::NodePropertySheet::resultOk) {
                announceChanged(n);
            }
        }
        return true;
    case Command::insertSite:
        (void)dialogs::insertSiteWithDialog(m_app.document(), this);
        return true;
    case Command::insertMenu:
        return true;
    case Command::nodeCopy:
        m_app.setNodeClipboard(n);
        return true;
    case Command::nodePaste: {
        Node* s = m_app.nodeClipboard();
        if (auto* source = dynamic_cast<ZAVGateway*>(s); source != nullptr && gateway != nullptr) {
            gateway->pasteProperties(*source);
        } else if (auto* module = dynamic_cast<MBModule*>(n)) {
            if (auto* sourceModule = dynamic_cast<MBModule*>(s)) {
                (void)module->pasteProperties(*sourceModule);
            }
        }
        if (n != nullptr) {
            announceChanged(n);
        }
        return true;
    }
    case Command::insertGateway:
        (void)m_app.document().insertGateway();
        return true;
    case Command::insertModbusModule:
        if (n != nullptr) {
            (void)m_app.document().insertModbusModule(*n, [this](MBModule& module) {
                return gateway::ui::showNodeProperties(m_app, module, this) ==
                       gateway::ui::NodePropertySheet::resultOk;
            });
        }
        return true;
    case Command::nodeUpdateDevice:
        if (gateway != nullptr) {
            m_operations->updateDevice(*gateway);
        }
        return true;
    case Command::nodeConnect:
        if (gateway != nullptr) {
            m_operations->connectToDevice(*gateway);
        }
        return true;
    case Command::nodeReadSiteKey:
        if (gateway != nullptr) {
            m_operations->readSiteSecurityKey(*gateway);
        }
        return true;
    case Command::nodeSaveFileToGateway:
        if (gateway != nullptr) {
            m_operations->storeProjectFile(*gateway);
        }
        return true;
    case Command::importPoints:
        if (gateway != nullptr && m_view != nullptr) {
            m_view->importPointsTo(*gateway);
        }
        return true;
    case Command::nodeRename:
        m_tree->startRename(m_tree->currentIndex());
        return true;
    case Command::nodeDelete:
        deleteSelected();
        return true;
    default:
        return false;
    }
}

void ProjectPane::runFromKey(Command command)
{
    if (commandEnabled(command).value_or(false)) {
        (void)runCommand(command);
    }
}

void ProjectPane::deleteSelected()
{
    const QModelIndex index = m_tree->currentIndex();
    Node* node = m_model->nodeAt(index);
    if (node == nullptr || node->isProjectRoot()) {
        return;
    }
    const MessageAnswer answer =
        m_app.prompts().ask(MessageIcon::warning, strprintf("Delete %s", node->getName().c_str()),
                            kDeleteText, MessageButtons::yesNoCancelDefaultNo);
    if (answer != MessageAnswer::yes) {
        return;
    }
    if (m_app.nodeClipboard() == node) {
        m_app.setNodeClipboard(nullptr);
    }
    const QModelIndex before = index.row() > 0 ? index.siblingAtRow(index.row() - 1) : QModelIndex();
    const Node* beforeNode = m_model->nodeAt(before);
    m_model->removeItem(index);
    if (beforeNode != nullptr) {
        m_tree->setCurrentIndex(m_model->indexOf(beforeNode));
    } else {
        m_tree->selectionModel()->clear();
    }
    m_app.document().deleteNode(*node);
}

void ProjectPane::dropNode(Node* dragged, Node* target)
{
    // Into its own subtree: nothing moves.
    if (target == dragged || target->getParent() == dragged) {
        return;
    }
    m_tree->setCurrentIndex(m_model->indexOf(dragged));
    if (dragged->isGateway()) {
        m_app.document().moveNodeAfter(*dragged, target);
        return;
    }
    if (auto* gateway = dynamic_cast<ZAVGateway*>(dragged->getParent())) {
        gateway->moveChildAfter(*dragged, target == gateway ? nullptr : target);
        rebuild();
    }
}

} // namespace quillan::views
