#include "views/TarnView.h"

#include "device/modbus/ui/ModbusView.h"
#include "gateway/ZAVGateway.h"
#include "model/FileNode.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "views/ListRowModel.h"
#include "views/PointListView.h"

#include <QHeaderView>
#include <QTabBar>

namespace quillan::views {

namespace {

using Column = ListRowModel::Column;

struct TabLayout {
    const char* title;
    std::vector<Column> columns;
    bool showsImages;
};

std::vector<TabLayout> tabLayouts()
{
    return {
        {"Device", {{"Parameter", 200}, {"Value", 500}}, true},
        {"Imports",
         {{"Select All", 60, "000"},
          {"Source", 100},
          {"Point", 200},
          {"Interval", 80, "On Change"},
          {"Scaling", 200}},
         true},
        {"Exports",
         {{"", 30, "000"}, {"Point", 200}, {"Interval", 80, "On Change"}, {"Destination", 100}},
         false},
        {"Outputs",
         {{"", 30, "000"},
          {"Output", 200},
          {"Interval", 80, "On Change"},
          {"Source", 100},
          {"Point", 200}},
         false},
        {"Modbus",
         {{"Select All", 60},
          {"Type", 120, "Floating Point (32-bit)"},
          {"Register", 55},
          {"Source", 100},
          {"Point", 200},
          {"Value", 100},
          {"", 0}},
         false},
    };
}

} // namespace

Node* importClipboardSource(const std::vector<Import*>& clipboard)
{
    return clipboard.empty() || clipboard.front() == nullptr ? nullptr
                                                             : owningGateway(*clipboard.front());
}

TarnView::TarnView(shell::TarnApp& app, QWidget* parent) : QTabWidget(parent), m_app(app)
{
    setDocumentMode(true);
    const auto layouts = tabLayouts();
    for (int tab = deviceTab; tab <= modbusTab; ++tab) {
        const TabLayout& layout = layouts[static_cast<size_t>(tab)];
        auto* model = new ListRowModel(layout.columns, layout.showsImages, nullptr);
        PointListView* view = nullptr;
        if (tab == modbusTab) {
            m_modbus = new device::modbus::ModbusView(app, model, this);
            view = m_modbus;
        } else {
            view = new PointListView(model, this);
        }
        m_lists[tab] = view;
        addTab(view, layout.title);
        connect(view, &PointListView::contextMenuRequested, this,
                [this, tab](const QPoint& at) { showListMenu(static_cast<Tab>(tab), at); });
    }
    connect(m_modbus, &device::modbus::ModbusView::viewsChanged, this, [this] {
        refreshDevice();
        refreshLists();
    });
    // The output window comes after the view: it is looked for when an exchange starts.
    if (auto* frame = qobject_cast<shell::MainFrame*>(parent)) {
        m_modbus->setDebugOutput([frame] { return &frame->outputWnd(); });
    }
    // Any column header of the Imports list selects every row.
    PointListView& imports = list(importsTab);
    connect(imports.horizontalHeader(), &QHeaderView::sectionClicked, &imports,
            &QTableView::selectAll);

    tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabBar(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showEditMenu(tabBar()->mapToGlobal(at)); });

    // The Imports tab's own: copy the selected rows, then the Modbus tab's paste.
    m_pasteToInteger = new QAction("Paste to Integer Table", this);
    m_pasteToInteger->setObjectName("pasteToIntegerTable");
    m_pasteToFloat = new QAction("Paste to Float Table", this);
    m_pasteToFloat->setObjectName("pasteToFloatTable");
    connect(m_pasteToInteger, &QAction::triggered, this, [this] { pasteSelectionToTable(false); });
    connect(m_pasteToFloat, &QAction::triggered, this, [this] { pasteSelectionToTable(true); });
}

TarnView::~TarnView() = default;

void TarnView::handleNotification(const Notification& notification)
{
    switch (notification.code) {
    case MSG_PASTE_INT_TO:
    case MSG_PASTE_FLOAT_TO: {
        // The notification names no gateway: Import Points posts it for its target.
        auto* gateway = dynamic_cast<ZAVGateway*>(m_target);
        if (gateway == nullptr) {
            gateway = dynamic_cast<ZAVGateway*>(m_shown);
        }
        if (gateway != nullptr) {
            pasteTo(*gateway, notification.code == MSG_PASTE_FLOAT_TO);
        }
        break;
    }
    default:
        // The root and deletion notices come again, with their node, through the document
        // observer (rootChanged, nodeDeleted).
        break;
    }
}

void TarnView::documentReplaced()
{
    m_shown = nullptr;
    m_target = nullptr;
    setTabText(deviceTab, "Device");
    for (PointListView* view : m_lists) {
        view->setViewNode(nullptr);
        view->rows().clear();
    }
    m_modbus->showNode(nullptr);
}

void TarnView::nodeSelected(Node* container, Node* child)
{
    if (child == nullptr) {
        if (container == nullptr) {
            return;
        }
        if (auto* gateway = dynamic_cast<ZAVGateway*>(container)) {
            gateway->resetLimitWarnings();
        }
        child = container;
    }
    m_shown = child;
    refreshDevice();
    refreshLists();
}

void TarnView::targetSelected(Node* node)
{
    if (node != nullptr && node != m_target && (node->isProjectRoot() || node->isGateway())) {
        m_target = node;
    }
}

void TarnView::nodeChanged(Node* container, Node* child)
{
    if (m_shown == nullptr) {
        return;
    }
    if (child != nullptr && child == m_shown) {
        refreshDevice();
    } else if (container == m_shown) {
        refreshDevice();
        refreshLists();
    } else if (const auto* shown = dynamic_cast<const ZAVGateway*>(m_shown);
               shown != nullptr && container != nullptr &&
               shown->hasImportFromAddress(*container)) {
        refreshLists();
    }
}

void TarnView::rootChanged(Node* root)
{
    if (root != nullptr && root == m_shown) {
        refreshDevice();
    }
}

void TarnView::nodeDeleted(const Node* node)
{
    if (node == nullptr) {
        return;
    }
    // A gateway takes its modules with it.
    const auto goesWith = [node](const Node* n) {
        return n != nullptr && (n == node || n->getParent() == node);
    };
    if (goesWith(m_shown)) {
        m_shown = nullptr;
    }
    if (goesWith(m_target)) {
        m_target = nullptr;
    }
    refreshDevice();
    refreshLists();
}

void TarnView::refreshDevice()
{
    QString title = "Device";
    if (const auto* root = dynamic_cast<const FileNode*>(m_shown)) {
        title = displayText(root->projectName());
    } else if (m_shown != nullptr) {
        title = displayText(m_shown->getName());
    }
    setTabText(deviceTab, title);

    PointListView& view = list(deviceTab);
    view.setViewNode(m_shown);
    ListRows rows;
    if (m_shown != nullptr) {
        m_shown->fillInfoList(rows);
    }
    view.rows().setRows(std::move(rows));
}

void TarnView::refreshLists()
{
    refreshImports();
    refreshExports();
    refreshOutputs();
    refreshModbus();
}

ZAVGateway* TarnView::viewGateway(Tab tab) const
{
    return dynamic_cast<ZAVGateway*>(list(tab).viewNode());
}

namespace {

// Fills a list from its gateway's rows, keeping the row at the top, and shows the limit
// warning once while the list stays above it.
void showRows(PointListView& view, ZAVGateway* gateway, GatewayList list, UserPrompts& prompts)
{
    const auto notice = gateway->noticeToShow(list);
    view.showRows(std::move(list.rows));
    if (notice) {
        prompts.message(MessageIcon::warning, notice->caption, notice->text);
    }
}

} // namespace

void TarnView::refreshImports()
{
    PointListView& view = list(importsTab);
    if (m_shown != view.viewNode()) {
        view.setViewNode(m_shown);
        m_app.importClipboard().clear();
    }
    auto* gateway = viewGateway(importsTab);
    if (gateway == nullptr) {
        view.rows().clear();
        return;
    }
    showRows(view, gateway, gateway->fillImportList(), m_app.prompts());
}

void TarnView::refreshExports()
{
    PointListView& view = list(exportsTab);
    view.setViewNode(m_shown);
    auto* gateway = viewGateway(exportsTab);
    if (gateway == nullptr) {
        view.rows().clear();
        return;
    }
    showRows(view, gateway, gateway->fillExportList(), m_app.prompts());
}

void TarnView::refreshOutputs()
{
    PointListView& view = list(outputsTab);
    view.setViewNode(m_shown);
    auto* gateway = viewGateway(outputsTab);
    if (gateway == nullptr) {
        view.rows().clear();
        return;
    }
    showRows(view, gateway, gateway->fillOutputList(), m_app.prompts());
}

void TarnView::refreshModbus()
{
    m_modbus->showNode(m_shown);
}

} // namespace quillan::views
