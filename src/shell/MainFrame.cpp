#include "shell/MainFrame.h"

#include "dialogs/UserOptionsDlg.h"
#include "model/Node.h"
#include "platform/QtPortLister.h"
#include "platform/QtSettingsStore.h"
#include "shell/AboutDlg.h"
#include "shell/CommandActions.h"
#include "shell/ConnectStatusDlg.h"
#include "shell/FramePlacement.h"
#include "shell/GatewayIndicator.h"
#include "shell/Icons.h"
#include "shell/LockKeyIndicators.h"
#include "shell/PortWatcher.h"
#include "shell/Resources.h"
#include "shell/StartDialog.h"
#include "shell/TarnApp.h"
#include "views/CsvExportCommand.h"
#include "views/DeviceOperations.h"
#include "views/OutputWnd.h"
#include "views/ProjectPane.h"
#include "views/TarnView.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

namespace quillan::shell {

namespace {

// Toolbars are enabled at idle time, as menus are when they open.
constexpr int kIdleRefreshMs = 200;
// The panes' first sizes: the explorer's width, the output pane's height.
constexpr int kProjectPaneWidth = 270;
constexpr int kOutputPaneHeight = 100;

constexpr const char* kLayoutKey = "Workspace/State";
constexpr const char* kStatusBarKey = "Workspace/StatusBar";

QString droppedProject(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.front().isLocalFile() ? urls.front().toLocalFile() : QString();
}

} // namespace

MainFrame::MainFrame(TarnApp& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    initResources();
    setWindowIcon(QIcon(":/quillan/icons/app.svg"));
    setAcceptDrops(true);
    setDockOptions(AnimatedDocks | AllowTabbedDocks | AllowNestedDocks);
    m_app.prompts().setParent(this);
    m_actions = new CommandActions(this);
    m_actions->setRouter([this](Command c) { return isCommandEnabled(c); },
                         [this](Command c) { routeCommand(c); },
                         [this](Command c) { return isCommandChecked(c); });

    m_tarnView = new views::TarnView(m_app, this);
    m_tarnView->setCommandActions(m_actions);
    setCentralWidget(m_tarnView);
    m_tarnView->tabBar()->installEventFilter(this);

    const auto dockFeatures = QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                              QDockWidget::DockWidgetFloatable;
    m_projectPane = new views::ProjectPane(m_app, this);
    m_projectDock = new QDockWidget("Project", this);
    m_projectDock->setObjectName("ProjectDock");
    m_projectDock->setFeatures(dockFeatures);
    m_projectDock->setWidget(m_projectPane);
    addDockWidget(Qt::LeftDockWidgetArea, m_projectDock);

    m_outputWnd = new views::OutputWnd(m_app, this);
    m_outputDock = new QDockWidget("Output", this);
    m_outputDock->setObjectName("OutputDock");
    m_outputDock->setFeatures(dockFeatures);
    m_outputDock->setWidget(m_outputWnd);
    addDockWidget(Qt::BottomDockWidgetArea, m_outputDock);
    resizeDocks({m_projectDock}, {kProjectPaneWidth}, Qt::Horizontal);
    resizeDocks({m_outputDock}, {kOutputPaneHeight}, Qt::Vertical);

    m_progress = new ConnectStatusDlg(this);
    m_projectPane->setTarnView(m_tarnView);

    createMenus();
    createToolBar();
    createStatusBar();

    m_app.notifications().setHandler(Receiver::mainWindow,
                                     [this](const Notification& n) { handleNotification(n); });
    m_app.notifications().setHandler(
        Receiver::tabbedView, [this](const Notification& n) { m_tarnView->handleNotification(n); });
    m_app.document().setObserver(this);
    // A project fetched from the gateway becomes the open project, as Open would make it.
    connect(&m_projectPane->deviceOperations(), &views::DeviceOperations::projectFileRetrieved,
            this, [this](const QString& path) { (void)openDocumentFile(path); });
    m_projectPane->deviceOperations().setDocumentSaver([this] { return saveDocument(); });

    m_portLister = std::make_unique<platform::QtPortLister>();
    m_portWatcher = new PortWatcher(m_app, *m_portLister, this);
    connect(m_portWatcher, &PortWatcher::attachmentChanged, m_gateway, &GatewayIndicator::show);

    if (auto profile = platform::QtSettingsStore::openProfile()) {
        m_recent.load(*profile);
    }

    m_idle = new QTimer(this);
    connect(m_idle, &QTimer::timeout, this, &MainFrame::refresh);
    m_idle->start(kIdleRefreshMs);
    resize(800, 600);
    refresh();
}

MainFrame::~MainFrame()
{
    m_portWatcher->stop();
    m_app.document().setObserver(nullptr);
    m_app.notifications().setHandler(Receiver::mainWindow, {});
    m_app.notifications().setHandler(Receiver::tabbedView, {});
    m_app.prompts().setParent(nullptr);
}

void MainFrame::createMenus()
{
    using C = Command;
    const auto a = [this](C c) { return m_actions->action(c); };
    m_fileMenu = menuBar()->addMenu("&File");
    m_fileMenu->addAction(a(C::newProject));
    m_fileMenu->addAction(a(C::open));
    m_fileMenu->addAction(a(C::save));
    m_fileMenu->addAction(a(C::saveAs));
    m_fileMenu->addSeparator();
    QMenu* retrieve = m_fileMenu->addMenu("Retrieve Project File");
    retrieve->setIcon(commandIcon(C::retrieveProjectFile));
    retrieve->addAction(a(C::retrieveProjectFile));
    m_fileMenu->addAction(a(C::exportCsv));
    m_fileMenu->addSeparator();
    m_recentEnd = m_fileMenu->addSeparator();
    m_fileMenu->addAction(a(C::exit));
    connect(m_fileMenu, &QMenu::aboutToShow, this, &MainFrame::refreshRecentMenu);

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
    import->addAction(m_actions->alias(C::importPoints, "Points"));
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

    // The tab strip's "Edit" popup.
    m_tabMenu = new QMenu("Edit", this);
    m_tabMenu->addAction(a(C::removeSharedPoint));
    m_tabMenu->addAction(a(C::copy));
    m_tabMenu->addAction(a(C::paste));

    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToShow, m_actions, &CommandActions::refreshEnabled);
    }
    connect(m_tabMenu, &QMenu::aboutToShow, m_actions, &CommandActions::refreshEnabled);
}

void MainFrame::createToolBar()
{
    using C = Command;
    const auto a = [this](C c) { return m_actions->action(c); };
    m_standardBar = addToolBar("Standard");
    m_standardBar->setObjectName("StandardToolBar");
    m_standardBar->setIconSize(QSize(20, 20));
    m_standardBar->addAction(a(C::newProject));
    m_standardBar->addAction(a(C::open));
    m_standardBar->addAction(a(C::save));
    m_standardBar->addSeparator();

    // A button that drops down the one-entry menu "From ZAV Gateway".
    auto* retrieveMenu = new QMenu(this);
    retrieveMenu->addAction(a(C::retrieveProjectFile));
    connect(retrieveMenu, &QMenu::aboutToShow, m_actions, &CommandActions::refreshEnabled);
    m_retrieveButton = new QToolButton(this);
    m_retrieveButton->setObjectName("RetrieveProjectFileButton");
    m_retrieveButton->setIcon(commandIcon(C::retrieveProjectFile));
    m_retrieveButton->setText("Retrieve Project File...");
    m_retrieveButton->setToolTip("Retrieve Project File...");
    m_retrieveButton->setStatusTip(a(C::retrieveProjectFile)->statusTip());
    m_retrieveButton->setMenu(retrieveMenu);
    m_retrieveButton->setPopupMode(QToolButton::InstantPopup);
    m_standardBar->addWidget(m_retrieveButton);
    m_standardBar->addSeparator();

    m_standardBar->addAction(a(C::removeSharedPoint));
    m_standardBar->addAction(a(C::copy));
    m_standardBar->addAction(a(C::paste));
    m_standardBar->addSeparator();
    m_standardBar->addAction(a(C::about));
}

void MainFrame::createStatusBar()
{
    // The message pane: "Ready", replaced while a menu entry's prompt is shown.
    m_message = new QLabel("Ready", statusBar());
    m_message->setIndent(3);
    statusBar()->addWidget(m_message, 1);
    m_gateway = new GatewayIndicator(*statusBar());
    m_lockKeys = new LockKeyIndicators(*statusBar());
}

void MainFrame::showPlaced()
{
    const bool defaults = m_app.settings().restoreDefaultViewRequested();
    if (!defaults) {
        auto profile = platform::QtSettingsStore::openProfile();
        restoreState(profile->value(kLayoutKey).toByteArray(), LAYOUT_VERSION);
        statusBar()->setVisible(profile->value(kStatusBarKey, true).toBool());
    }
    showAtPlacement(*this, defaults ? FramePlacement{} : readFramePlacement(m_app.settingsStore()));
    refresh();
}

void MainFrame::saveWindowState()
{
    const bool defaults = m_app.settings().restoreDefaultViewRequested();
    (void)writeFramePlacement(m_app.settingsStore(),
                              defaults ? FramePlacement{} : placementOf(*this));
    if (!defaults) {
        auto profile = platform::QtSettingsStore::openProfile();
        profile->setValue(kLayoutKey, saveState(LAYOUT_VERSION));
        profile->setValue(kStatusBarKey, statusBar()->isVisibleTo(this));
        profile->sync();
    }
    // Restoring the default view deleted the profile, the recent files with it: they are
    // the user's, not the layout's, so they are written back in any case.
    saveRecentFiles();
}

void MainFrame::startUp()
{
    bool opened = false;
    if (const auto& project = m_app.options().project) {
        opened = openDocumentFile(QString::fromStdString(*project));
    }
    if (!isVisible()) {
        showPlaced();
    }
    m_portWatcher->start();
    // A settings file of our own can be damaged or read-only, which the registry it stands
    // in for never was: say so once, rather than drop the user's settings without a word.
    if (const SettingsResult& settings = m_app.settings().loadResult(); !settings.ok()) {
        m_app.prompts().message(MessageIcon::warning, "Quillan",
                                settings.message +
                                    "\n\nQuillan runs with its default settings and leaves "
                                    "the file as it is; settings changed now are not kept.");
    }
    if (!opened) {
        showStartDialog();
    }
}

void MainFrame::showStartDialog()
{
    auto* dialog = new StartDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_startDialog = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        const StartDialog::Outcome outcome = dialog->outcome();
        // After the dialog has gone, so that the next one does not open over it.
        QTimer::singleShot(0, this, [this, outcome] {
            if (outcome == StartDialog::Outcome::newProject) {
                routeCommand(Command::newProject);
            } else if (outcome == StartDialog::Outcome::openProject) {
                routeCommand(Command::open);
            }
        });
    });
    dialog->open();
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

std::optional<bool> MainFrame::isCommandChecked(Command command)
{
    if (auto checked = m_projectPane->commandChecked(command)) {
        return checked;
    }
    if (auto checked = m_tarnView->commandChecked(command)) {
        return checked;
    }
    return commandChecked(command);
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
    const TarnDoc& doc = m_app.document();
    switch (command) {
    case Command::newProject:
    case Command::open:
    case Command::exit:
    case Command::viewToolbar:
    case Command::viewStatusBar:
    case Command::viewProjectExplorer:
    case Command::viewOutputWindow:
    case Command::about:
    case Command::productSupport:
        return true;
    case Command::retrieveProjectFile:
        return m_projectPane->deviceOperations().canRetrieveProjectFile();
    case Command::exportCsv:
        // The tree's root item has at least one gateway under it.
        return doc.root() != nullptr && doc.nodes().size() > 1;
    case Command::save:
        return doc.isModified();
    case Command::saveAs:
        return doc.root() != nullptr;
    case Command::options:
        return true;
    default:
        return std::nullopt;
    }
}

std::optional<bool> MainFrame::commandChecked(Command command)
{
    switch (command) {
    case Command::viewToolbar:
        return !m_standardBar->isHidden();
    case Command::viewStatusBar:
        return !statusBar()->isHidden();
    case Command::viewProjectExplorer:
        return !m_projectDock->isHidden();
    case Command::viewOutputWindow:
        return !m_outputDock->isHidden();
    default:
        return std::nullopt;
    }
}

bool MainFrame::runCommand(Command command)
{
    switch (command) {
    case Command::newProject:
        runNewProject();
        return true;
    case Command::retrieveProjectFile:
        m_projectPane->deviceOperations().retrieveProjectFile();
        return true;
    case Command::exportCsv:
        views::exportCsv(m_app, this);
        return true;
    case Command::open:
        runOpen();
        return true;
    case Command::save:
        (void)saveDocument();
        return true;
    case Command::saveAs:
        (void)runSaveAs();
        return true;
    case Command::exit:
        close();
        return true;
    case Command::viewToolbar:
        m_standardBar->setVisible(m_standardBar->isHidden());
        return true;
    case Command::viewStatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        return true;
    case Command::viewProjectExplorer:
        toggleDock(*m_projectDock);
        return true;
    case Command::viewOutputWindow:
        toggleDock(*m_outputDock);
        return true;
    case Command::about:
        runAbout();
        return true;
    case Command::options:
        runOptions();
        return true;
    case Command::productSupport:
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(SUPPORT_URL)));
        return true;
    default:
        return false;
    }
}

void MainFrame::toggleDock(QDockWidget& dock)
{
    if (dock.isHidden()) {
        dock.show();
        dock.raise();
    } else {
        dock.hide();
    }
    refresh();
}

void MainFrame::runOptions()
{
    dialogs::UserOptionsDlg::Ports ports;
    for (const device::PortInfo& port : m_portLister->listPorts()) {
        ports.present.push_back(port.name);
    }
    ports.fixed = m_app.options().port;
    dialogs::UserOptionsDlg options(m_app.settings(), m_app.notifications(), std::move(ports),
                                    this);
    if (options.exec() != QDialog::Accepted) {
        return;
    }
    // Later log lines go to the file just chosen; the next gateway made takes the mode.
    m_app.logFile().openLog(m_app.settings().configLogFile());
    m_app.document().setDefaultConfigPortMode(
        static_cast<uint32_t>(m_app.settings().defaultConfigPortMode()));
}

void MainFrame::runAbout()
{
    AboutDlg about(this);
    about.exec();
}

void MainFrame::refresh()
{
    m_actions->refreshEnabled();
    refreshTitle();
}

void MainFrame::refreshTitle()
{
    const QString title = QString::fromStdString(m_app.document().title());
    const QString wanted = QStringLiteral("%1[*] - Quillan").arg(title);
    if (windowTitle() != wanted) {
        setWindowTitle(wanted);
    }
    setWindowModified(m_app.document().isModified());
}

void MainFrame::refreshRecentMenu()
{
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    const QStringList& files = m_recent.files();
    if (files.isEmpty()) {
        auto* none = new QAction("Recent File", m_fileMenu);
        none->setEnabled(false);
        m_recentActions.push_back(none);
    }
    for (int i = 0; i < files.size(); ++i) {
        auto* action = new QAction(m_recent.menuText(i), m_fileMenu);
        action->setStatusTip(files[i]);
        const QString file = files[i];
        connect(action, &QAction::triggered, this, [this, file] { (void)openDocumentFile(file); });
        m_recentActions.push_back(action);
    }
    for (QAction* action : m_recentActions) {
        m_fileMenu->insertAction(m_recentEnd, action);
    }
}

void MainFrame::saveRecentFiles()
{
    auto profile = platform::QtSettingsStore::openProfile();
    m_recent.save(*profile);
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

void MainFrame::closeEvent(QCloseEvent* event)
{
    if (m_app.connectionOpen()) {
        m_app.prompts().message(MessageIcon::error, "Close Connection",
                                "Please close your current device connection before exiting.");
        event->ignore();
        return;
    }
    if (!saveModified()) {
        event->ignore();
        return;
    }
    saveWindowState();
    m_portWatcher->stop();
    event->accept();
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedProject(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainFrame::dropEvent(QDropEvent* event)
{
    const QString path = droppedProject(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Not inside the drop: the questions the open may ask would hold the program the file was
    // dragged from.
    QTimer::singleShot(0, this, [this, path] { (void)openDocumentFile(path); });
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tarnView->tabBar() && event->type() == QEvent::ContextMenu) {
        const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        m_tabMenu->popup(menuEvent->globalPos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace quillan::shell
