#include "shell/MainFrame.h"

#include "shell/CommandActions.h"
#include "shell/ConnectStatusDlg.h"
#include "shell/Resources.h"
#include "shell/TarnApp.h"
#include "views/DeviceOperations.h"
#include "views/OutputWnd.h"
#include "views/ProjectPane.h"
#include "views/TarnView.h"

#include "model/Node.h"

#include <QAction>
#include <QDockWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace quillan::shell {

namespace {

// Toolbars are enabled at idle time, as menus are when they open.
constexpr int kIdleRefreshMs = 200;

} // namespace

MainFrame::MainFrame(TarnApp& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    initResources();
    setWindowTitle("Quillan");
    setWindowIcon(QIcon(":/quillan/icons/app.svg"));
    m_app.prompts().setParent(this);
    m_actions = new CommandActions(this);
    m_actions->setRouter([this](Command c) { return isCommandEnabled(c); },
                         [this](Command c) { routeCommand(c); });

    m_tarnView = new views::TarnView(m_app, this);
    m_tarnView->setCommandActions(m_actions);
    setCentralWidget(m_tarnView);

    m_projectPane = new views::ProjectPane(m_app, this);
    m_projectDock = new QDockWidget("Project", this);
    m_projectDock->setObjectName("ProjectDock");
    m_projectDock->setWidget(m_projectPane);
    addDockWidget(Qt::LeftDockWidgetArea, m_projectDock);

    m_outputWnd = new views::OutputWnd(m_app, this);
    m_outputDock = new QDockWidget("Output", this);
    m_outputDock->setObjectName("OutputDock");
    m_outputDock->setWidget(m_outputWnd);
    addDockWidget(Qt::BottomDockWidgetArea, m_outputDock);

    m_progress = new ConnectStatusDlg(this);
    m_projectPane->setTarnView(m_tarnView);

    createMenus();
    statusBar()->showMessage("Ready");

    m_app.notifications().setHandler(Receiver::mainWindow,
                                     [this](const Notification& n) { handleNotification(n); });
    m_app.notifications().setHandler(Receiver::tabbedView, [this](const Notification& n) {
        m_tarnView->handleNotification(n);
    });

    m_app.document().setObserver(this);

    m_idle = new QTimer(this);
    connect(m_idle, &QTimer::timeout, m_actions, &CommandActions::refreshEnabled);
    m_idle->start(kIdleRefreshMs);
    m_actions->refreshEnabled();
    resize(800, 600);
}

MainFrame::~MainFrame()
{
    m_app.document().setObserver(nullptr);
    m_app.notifications().setHandler(Receiver::mainWindow, {});
    m_app.notifications().setHandler(Receiver::tabbedView, {});
    m_app.prompts().setParent(nullptr);
}

void MainFrame::createMenus()
{
    using C = Command;
    const auto a = [this](C c) { return m_actions->action(c); };
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction(a(C::newProject));
    file->addAction(a(C::open));
    file->addAction(a(C::save));
    file->addAction(a(C::saveAs));
    file->addSeparator();
    file->addMenu("Retrieve Project File")->addAction(a(C::retrieveProjectFile));
    file->addAction(a(C::exportCsv));
    file->addSeparator();
    file->addAction(a(C::exit));

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addAction(a(C::removeSharedPoint));
    edit->addAction(a(C::copy));
    edit->addAction(a(C::paste));
    edit->addSeparator();
    QMenu* map = edit->addMenu("Modbus &Map");
    for (C c : {C::mapMoveUp, C::mapMoveDown, C::mapAddRefreshTime, C::mapRemoveRefreshTime,
                C::mapDelete, C::mapPasteInteger, C::mapPasteFloat, C::mapNewWriteImport,
                C::mapModifyWriteImport, C::mapEditStartingRegister}) {
        map->addAction(a(c));
    }
    QMenu* node = edit->addMenu("N&ode");
    node->addAction(a(C::nodeRename));
    QMenu* properties = node->addMenu("Properties");
    properties->addAction(a(C::nodeEdit));
    properties->addAction(a(C::nodeCopy));
    properties->addAction(a(C::nodePaste));
    node->addAction(a(C::nodeUpdateDevice));
    node->addAction(a(C::nodeConnect));
    node->addAction(a(C::nodeReadSiteKey));
    node->addAction(a(C::nodeDelete));
    QMenu* import = edit->addMenu("Import");
    import->addAction(a(C::importScaling));
    import->addAction(a(C::importPoints));
    QMenu* output = edit->addMenu("Output");
    output->addAction(a(C::outputPasteSource));
    output->addAction(a(C::outputRemoveSource));
    output->addAction(a(C::outputInterval));
    edit->addMenu("Export")->addAction(a(C::exportInterval));
    QMenu* site = edit->addMenu("Site");
    site->addAction(a(C::siteActivate));
    site->addAction(a(C::siteRemove));
    site->addAction(a(C::siteProperties));
    edit->addSeparator();
    edit->addAction(a(C::options));

    QMenu* insert = menuBar()->addMenu("&Insert");
    insert->addAction(a(C::insertSite));
    insert->addAction(a(C::insertGateway));
    insert->addAction(a(C::insertModbusModule));

    QMenu* view = menuBar()->addMenu("&View");
    view->addAction(a(C::viewToolbar));
    view->addAction(a(C::viewStatusBar));
    view->addAction(a(C::viewProjectExplorer));
    view->addAction(a(C::viewOutputWindow));

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(a(C::about));
    help->addAction(a(C::productSupport));

    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToShow, m_actions, &CommandActions::refreshEnabled);
    }

    QToolBar* standard = addToolBar("Standard");
    standard->setObjectName("StandardToolBar");
    standard->addAction(a(C::newProject));
    standard->addAction(a(C::open));
    standard->addAction(a(C::save));
    standard->addSeparator();
    standard->addAction(a(C::retrieveProjectFile));
    standard->addSeparator();
    standard->addAction(a(C::removeSharedPoint));
    standard->addAction(a(C::copy));
    standard->addAction(a(C::paste));
    standard->addSeparator();
    standard->addAction(a(C::about));
}

bool MainFrame::isCommandEnabled(Command command)
{
    if (auto enabled = m_projectPane->commandEnabled(command)) {
        return *enabled;
    }
    if (auto enabled = m_tarnView->commandEnabled(command)) {
        return *enabled;
    }
    return commandEnabled(command).value_or(false);
}

void MainFrame::routeCommand(Command command)
{
    if (!isCommandEnabled(command)) {
        return;
    }
    if (m_projectPane->runCommand(command) || m_tarnView->runCommand(command)) {
        return;
    }
    (void)runCommand(command);
}

std::optional<bool> MainFrame::commandEnabled(Command command)
{
    switch (command) {
    case Command::exit:
    case Command::about:
        return true;
    case Command::retrieveProjectFile:
        return m_projectPane->deviceOperations().canRetrieveProjectFile();
    default:
        return std::nullopt;
    }
}

bool MainFrame::runCommand(Command command)
{
    switch (command) {
    case Command::exit:
        close();
        return true;
    case Command::retrieveProjectFile:
        m_projectPane->deviceOperations().retrieveProjectFile();
        return true;
    default:
        return false;
    }
}

void MainFrame::treeChanged()
{
    m_projectPane->rebuild();
}

void MainFrame::rootChanged()
{
    m_tarnView->rootChanged(m_app.document().root());
}

void MainFrame::nodeDeleted(const Node& node)
{
    m_tarnView->nodeDeleted(&node);
}

void MainFrame::nodeChanged(const Node& node)
{
    // A module is announced with its gateway as the container.
    auto* changed = const_cast<Node*>(&node);
    const bool isContainer = changed->isProjectRoot() || changed->isGateway();
    Node* container = isContainer ? changed : changed->getParent();
    m_tarnView->nodeChanged(container, isContainer ? nullptr : changed);
}

void MainFrame::openNode(const Node& node, int tab)
{
    m_projectPane->openNode(const_cast<Node*>(&node));
    m_tarnView->setCurrentIndex(tab);
}

void MainFrame::handleNotification(const Notification& notification)
{
    if (m_progress->handle(notification)) {
        return;
    }
    switch (notification.code) {
    case MSG_OUTPUT_LINE:
        m_outputWnd->addOutputLine(notification.text);
        break;
    case MSG_DEBUG_LINE:
        m_outputWnd->addDebugLine(notification.text);
        break;
    case MSG_CLEAR_DEBUG:
        m_outputWnd->clearDebug();
        break;
    case MSG_REFRESH_SELECTION:
        m_projectPane->reannounceOpened();
        break;
    default:
        break;
    }
}

} // namespace quillan::shell
