// quillan-screenshots PROJECT OUTDIR: opens the project in the main window with the simulated
// gateway attached and saves what a user sees as PNG files: the window on each of the five
// tabs, the progress window during an Update Device, the Modbus tab after a poll with its write
// dialog, the Debug tab of the output window, the device window Connect opens with its Compare
// and firmware dialogs, the start and about dialogs, the new project wizard's pages, the point
// dialogs, the user options, the site dialog, the gateway's property sheet with its IO Module
// dialog and the Modbus module's sheet. Give it settings of its own (XDG_CONFIG_HOME).
#include "controls/ClampSpinBox.h"
#include "device/GatewayLink.h"
#include "device/UpdateDevice.h"
#include "device/modbus/ui/MBWriteDlg.h"
#include "device/modbus/ui/ModbusView.h"
#include "dialogs/EditStartingRegisterDlg.h"
#include "dialogs/ExportIntervalDlg.h"
#include "dialogs/MapImportsDlg.h"
#include "dialogs/NewSiteDlg.h"
#include "dialogs/OutputNameDlg.h"
#include "dialogs/ScaleImportDlg.h"
#include "dialogs/UserOptionsDlg.h"
#include "dialogs/WizEndPage.h"
#include "dialogs/WizGatewayPage1.h"
#include "dialogs/WizNewProjectSheet.h"
#include "dialogs/WizProjectPage.h"
#include "dialogs/WizSitePage.h"
#include "dialogs/WriteImportDlg.h"
#include "gateway/ZAVGateway.h"
#include "gateway/ui/DeviceCompareDlg.h"
#include "gateway/ui/DeviceWindow.h"
#include "gateway/ui/FlashFileDlg.h"
#include "gateway/ui/IOBusPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "gateway/ui/ZAVModuleDlg.h"
#include "model/FileNode.h"
#include "model/Import.h"
#include "model/MBModule.h"
#include "model/Node.h"
#include "model/Text.h"
#include "platform/QtSettingsStore.h"
#include "shell/AboutDlg.h"
#include "shell/ConnectStatusDlg.h"
#include "shell/DarkTheme.h"
#include "shell/Icons.h"
#include "shell/MainFrame.h"
#include "shell/StartDialog.h"
#include "shell/TarnApp.h"
#include "sim/GatewaySimulator.h"
#include "views/DeviceOperations.h"
#include "views/OutputWnd.h"
#include "views/ProjectPane.h"
#include "views/TarnView.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

using namespace quillan;

namespace {

constexpr int kWaitMs = 60'000;

// Answers every question of Update Device with Yes: a different radio band or site key on
// the simulated gateway is to be overwritten.
class YesPrompts final : public UserPrompts {
public:
    void message(MessageIcon, const std::string&, const std::string&) override {}
    MessageAnswer ask(MessageIcon, const std::string&, const std::string&,
                      MessageButtons buttons) override
    {
        return buttons == MessageButtons::ok || buttons == MessageButtons::okCancel
                   ? MessageAnswer::ok
                   : MessageAnswer::yes;
    }
};

bool waitUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets layouts settle and every pending paint happen.
void settle()
{
    QDeadlineTimer deadline(300);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

bool save(const QPixmap& picture, const QString& dir, const QString& name)
{
    const QString path = QDir(dir).filePath(name);
    const bool ok = picture.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The main window with a dialog drawn where it stands over it, under a plain title strip in
// place of the window manager's frame (which a grab leaves out).
QPixmap withDialog(QWidget& window, QWidget& dialog)
{
    constexpr int titleHeight = 26;
    QPixmap picture = window.grab();
    QPainter painter(&picture);
    const QPoint at = dialog.geometry().topLeft() - window.geometry().topLeft();
    const QRect title(at.x(), at.y() - titleHeight, dialog.width(), titleHeight);
    painter.fillRect(title.adjusted(-1, 0, 1, 0), QColor("#3a3d42"));
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    painter.drawText(title.adjusted(10, 0, 0, 0), Qt::AlignVCenter, dialog.windowTitle());
    painter.drawPixmap(at, dialog.grab());
    painter.setPen(QColor("#5a5e66"));
    painter.drawRect(title.united(QRect(at, dialog.size())).adjusted(-1, 0, 0, 0));
    return picture;
}

// A dialog under a plain title strip in place of the window manager's frame.
QPixmap withTitle(QWidget& dialog)
{
    constexpr int titleHeight = 26;
    QPixmap picture(dialog.width() + 2, dialog.height() + titleHeight + 1);
    picture.fill(QColor("#5a5e66"));
    QPainter painter(&picture);
    const QRect title(1, 0, dialog.width(), titleHeight);
    painter.fillRect(title, QColor("#3a3d42"));
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    painter.drawText(title.adjusted(10, 0, 0, 0), Qt::AlignVCenter, dialog.windowTitle());
    painter.drawPixmap(1, titleHeight, dialog.grab());
    return picture;
}

// Every picture the shell draws, at the sizes it is used and enlarged, on the window colour.
QPixmap iconSheet()
{
    using shell::Command;
    const std::pair<Command, const char*> commands[] = {
        {Command::newProject, "New"},
        {Command::open, "Open"},
        {Command::save, "Save"},
        {Command::retrieveProjectFile, "Retrieve"},
        {Command::exportCsv, "Export CSV"},
        {Command::removeSharedPoint, "Remove shared"},
        {Command::copy, "Copy"},
        {Command::paste, "Paste"},
        {Command::about, "About"},
        {Command::nodeUpdateDevice, "Update Device"},
        {Command::nodeConnect, "Connect"},
        {Command::nodeReadSiteKey, "Read key"},
        {Command::nodeSaveFileToGateway, "Store file"},
        {Command::nodeDelete, "Delete"},
        {Command::nodeEdit, "Properties"},
        {Command::nodeRename, "Rename"},
        {Command::insertMenu, "Insert"},
        {Command::insertSite, "Site"},
        {Command::insertGateway, "Gateway"},
        {Command::insertModbusModule, "Modbus module"},
        {Command::importPoints, "Import points"},
        {Command::mapPoll, "Poll"},
        {Command::mapWrite, "Write"},
        {Command::options, "Options"},
        {Command::productSupport, "Support"},
    };
    const int rowHeight = 56;
    const int columns = 3;
    const int columnWidth = 250;
    const int rows = (static_cast<int>(std::size(commands)) + columns - 1) / columns;
    QPixmap sheet(columns * columnWidth + 120, rows * rowHeight + 130);
    sheet.fill(QApplication::palette().color(QPalette::Window));
    QPainter p(&sheet);
    p.setPen(QApplication::palette().color(QPalette::WindowText));
    for (int i = 0; i < static_cast<int>(std::size(commands)); ++i) {
        const int x = (i % columns) * columnWidth + 8;
        const int y = (i / columns) * rowHeight + 4;
        const QIcon icon = shell::commandIcon(commands[i].first);
        p.drawPixmap(x, y + 16, icon.pixmap(16, 16));
        p.drawPixmap(x + 22, y + 12, icon.pixmap(24, 24));
        p.drawPixmap(x + 52, y, icon.pixmap(48, 48));
        p.drawText(QRect(x + 106, y, columnWidth - 110, 48), Qt::AlignVCenter,
                   QString::fromLatin1(commands[i].second));
    }
    const int y = rows * rowHeight + 10;
    int x = 8;
    for (int image :
         {shell::TREE_IMAGE_ROOT, shell::TREE_IMAGE_MODBUS_MODULE, shell::TREE_IMAGE_GATEWAY, 1}) {
        const QPixmap tree = shell::treeImage(image);
        p.drawPixmap(x, y, tree);
        p.drawPixmap(x, y + 24, tree.scaled(tree.size() * 3));
        x += 90;
    }
    for (int image = 0; image <= 5; ++image) {
        const QPixmap row = shell::rowImage(image);
        p.drawPixmap(x, y, row);
        p.drawPixmap(x, y + 24, row.scaled(row.size() * 3));
        x += 60;
    }
    p.drawPixmap(x, y, shell::appPicture(96));
    return sheet;
}

// Selects the tree's item of that label, as the user does before Update Device.
void selectInTree(shell::MainFrame& frame, const QString& label)
{
    QTreeView* tree = frame.projectPane().tree();
    QAbstractItemModel* model = tree != nullptr ? tree->model() : nullptr;
    if (model == nullptr || model->rowCount() == 0) {
        return;
    }
    const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, label, 1,
                                               Qt::MatchExactly | Qt::MatchRecursive);
    if (!found.isEmpty()) {
        tree->setCurrentIndex(found.front());
    }
}

// A firmware file of 16 KiB in 16-byte records from 0x08000000, for the flash dialog.
std::string writeFirmware(const QString& dir)
{
    const std::string path = QDir(dir).filePath("screenshot-firmware.a79").toStdString();
    std::ofstream out(path, std::ios::binary);
    out << ":020000040800F2\n";
    for (unsigned address = 0; address < 0x4000; address += 16) {
        unsigned sum = 16 + (address >> 8) + (address & 0xFF);
        std::string line = strprintf(":10%04X00", address);
        for (unsigned i = 0; i < 16; ++i) {
            const unsigned byte = (address + i) & 0xFF;
            sum += byte;
            line += strprintf("%02X", byte);
        }
        out << line << strprintf("%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    }
    out << ":00000001FF\n";
    return path;
}

// Connect, the window with the configuration read, Compare against a project changed in four
// places, and a firmware transfer caught halfway, the gateway slowed to show it.
bool shootDeviceWindow(shell::MainFrame& frame, shell::TarnApp& app, ZAVGateway& gateway,
                       const QString& outDir)
{
    views::DeviceOperations& ops = frame.projectPane().deviceOperations();
    const bool dump = app.settings().isDumpEnabled();
    app.settings().setDumpEnabled(true);
    ops.connectToDevice(gateway);
    const bool read = waitUntil([&] {
        return ops.deviceWindow() != nullptr && ops.deviceWindow()->configurationRead() &&
               !frame.progressWindow().isVisible();
    });
    app.settings().setDumpEnabled(dump);
    if (!read) {
        std::fprintf(stderr, "quillan-screenshots: the device window did not show a read\n");
        ops.stop();
        return false;
    }
    gateway::ui::DeviceWindow& window = *ops.deviceWindow();
    settle();
    bool ok = save(withDialog(frame, window), outDir, "device-window.png");
    // The port pages the read added, read-only, as the device holds them.
    const std::pair<const char*, const char*> portPages[] = {
        {"Config Port", "device-config-port.png"}, {"RTU Port", "device-rtu-port.png"}};
    for (const auto& [title, file] : portPages) {
        int shown = -1;
        for (int i = 0; i < window.tabs().count(); ++i) {
            if (window.tabs().tabText(i).remove(QLatin1Char('&')) == QLatin1String(title)) {
                shown = i;
            }
        }
        if (shown < 0) {
            std::fprintf(stderr, "quillan-screenshots: the device window has no %s page\n", title);
            ok = false;
            continue;
        }
        window.setCurrentPage(shown);
        settle();
        ok = save(withDialog(frame, window), outDir, file) && ok;
    }
    window.setCurrentPage(0);

    SerialPortDefinition* config = gateway.port(0);
    SerialPortDefinition* rtu = gateway.port(2);
    const uint16_t slaveId = config != nullptr ? config->recordWord8 : 0;
    const uint32_t baudRate = rtu != nullptr ? rtu->baudRate : 0;
    const uint16_t retries = gateway.getRetries();
    if (config != nullptr) {
        config->recordWord8 = static_cast<uint16_t>(slaveId + 1);
    }
    if (rtu != nullptr) {
        rtu->baudRate = baudRate == 19200 ? 9600 : 19200;
    }
    gateway.setRetries(static_cast<uint16_t>(retries + 2));
    Import* point =
        gateway.sharedImports().empty() ? nullptr : gateway.sharedImports().front().get();
    const uint32_t interval = point != nullptr ? point->interval : 0;
    if (point != nullptr) {
        point->interval = interval + 90;
    }
    if (gateway::ui::DeviceCompareDlg* compare = window.compare()) {
        settle();
        ok = save(withTitle(*compare), outDir, "device-compare.png") && ok;
        compare->close();
    } else {
        ok = false;
    }
    if (config != nullptr) {
        config->recordWord8 = slaveId;
    }
    if (rtu != nullptr) {
        rtu->baudRate = baudRate;
    }
    gateway.setRetries(retries);
    if (point != nullptr) {
        point->interval = interval;
    }

    const std::string firmware = writeFirmware(outDir);
    sim::FaultOptions slow;
    slow.delays[device::CMD_FLASH_DATA] = 120;
    app.simulator().setFaults(slow);
    window.setFirmwareChooser([firmware] { return std::optional<std::string>(firmware); });
    window.flash();
    gateway::ui::FlashFileDlg* flash = window.flashDialog();
    const bool caught = flash != nullptr && waitUntil([&] { return flash->position() >= 40; });
    if (caught) {
        settle();
        ok = save(withTitle(*flash), outDir, "flash-dialog.png") && ok;
    } else {
        std::fprintf(stderr, "quillan-screenshots: the flash dialog did not show progress\n");
        ok = false;
    }
    waitUntil([&] { return !ops.isRunning(); });
    app.simulator().setFaults({});
    QFile::remove(QString::fromStdString(firmware));
    if (ops.isRunning()) {
        ops.stop();
    }
    settle();
    return ok;
}

ZAVGateway* firstGateway(TarnDoc& doc)
{
    for (const auto& node : doc.nodes()) {
        if (auto* gateway = dynamic_cast<ZAVGateway*>(node.get())) {
            return gateway;
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillan-screenshots PROJECT OUTDIR\n");
        return 2;
    }
    shell::applyDarkTheme(qapp);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outDir);

    platform::QtSettingsStore store;
    shell::AppOptions options;
    options.port = "sim";
    options.project = argv[1];
    shell::TarnApp app(store, options);
    YesPrompts yes;
    app.prompts().setStandIn(&yes);
    shell::MainFrame frame(app);
    frame.startUp();
    frame.setGeometry(40, 40, 1180, 760);
    settle();
    if (app.document().root() == nullptr) {
        std::fprintf(stderr, "quillan-screenshots: %s did not open\n", argv[1]);
        return 1;
    }
    bool ok = true;

    ZAVGateway* gateway = firstGateway(app.document());
    const char* tabs[] = {"device", "imports", "exports", "outputs", "modbus"};
    for (int tab = 0; tab < 5; ++tab) {
        if (gateway != nullptr) {
            frame.openNode(*gateway, tab);
            // The tree announces the node it opens; without the tree, tell the view directly.
            if (frame.tarnView().shownNode() != gateway) {
                frame.tarnView().nodeSelected(gateway, nullptr);
            }
        }
        frame.tarnView().setCurrentIndex(tab);
        settle();
        ok = save(frame.grab(), outDir, QStringLiteral("main-%1.png").arg(tabs[tab])) && ok;
    }

    // Update Device against the simulated gateway, caught while it writes.
    if (gateway != nullptr && app.link() != nullptr) {
        frame.openNode(*gateway, 0);
        selectInTree(frame, QString::fromStdString(gateway->getName()));
        const device::UpdateRequest request = device::makeUpdateRequest(*gateway);
        const device::DeviceServices services{
            *app.link(), app.notifications(), app.workerPrompts(), nullptr, {}};
        app.setConnectionOpen(true);
        // As a device operation does: the debug listener would otherwise take the replies.
        frame.outputWnd().suspend();
        std::thread worker([services, request] {
            device::GatewayLink link(services, request.gatewayName);
            (void)device::updateDevice(link, request);
        });
        shell::ConnectStatusDlg& progress = frame.progressWindow();
        const bool caught = waitUntil([&] {
            return progress.isVisible() && progress.position() > 25 && !progress.text().isEmpty();
        });
        if (caught) {
            ok = save(withDialog(frame, progress), outDir, "progress-update-device.png") && ok;
            ok = save(progress.grab(), outDir, "progress-window.png") && ok;
        } else {
            std::fprintf(stderr, "quillan-screenshots: the progress window did not show\n");
            ok = false;
        }
        waitUntil([&] { return !progress.isVisible(); });
        app.notifications().release();
        worker.join();
        app.notifications().rearm();
        frame.outputWnd().activate();
        app.setConnectionOpen(false);
        settle();
    } else {
        std::fprintf(stderr, "quillan-screenshots: no gateway, or the port sim is not attached\n");
        ok = false;
    }

    if (gateway != nullptr && app.link() != nullptr) {
        ok = shootDeviceWindow(frame, app, *gateway, outDir) && ok;
    }

    // The output window's Build and Debug tabs, the pane made taller to show more lines.
    frame.resizeDocks({&frame.outputDock()}, {300}, Qt::Vertical);
    const auto showOutputTab = [&frame](const char* tab) {
        if (auto* outputTabs = frame.outputWnd().findChild<QTabWidget*>()) {
            for (int i = 0; i < outputTabs->count(); ++i) {
                if (outputTabs->tabText(i) == tab) {
                    outputTabs->setCurrentIndex(i);
                }
            }
        }
    };

    // A poll of the whole Modbus map, its requests traced on the Debug tab. The demo's CONFIG
    // port is a debug port: the simulated gateway is told to answer Modbus as its slave id.
    if (gateway != nullptr && app.link() != nullptr && gateway->getPort0() != nullptr) {
        app.simulator().setModbusSlaveId(static_cast<uint8_t>(gateway->getPort0()->slaveId()));
        frame.openNode(*gateway, views::TarnView::modbusTab);
        if (frame.tarnView().shownNode() != gateway) {
            frame.tarnView().nodeSelected(gateway, nullptr);
        }
        frame.tarnView().setCurrentIndex(views::TarnView::modbusTab);
        device::modbus::ModbusView& map = frame.tarnView().modbusView();
        map.selectAll();
        showOutputTab("Debug");
        frame.routeCommand(shell::Command::mapPoll);
        const bool polled = waitUntil([&] { return !map.isExchanging(); });
        settle();
        if (polled) {
            ok = save(frame.grab(), outDir, "main-modbus-poll.png") && ok;
            // The write dialog of the first row, a value typed.
            const QAbstractItemModel& rows = *map.model();
            device::modbus::MBWriteDlg write(
                static_cast<uint16_t>(rows.index(0, 2).data().toString().toUInt()),
                rows.index(0, 2).data().toString(), rows.index(0, 4).data().toString(), &frame);
            write.valueEdit().setText("1234");
            write.show();
            settle();
            ok = save(withDialog(frame, write), outDir, "modbus-write-dialog.png") && ok;
        } else {
            std::fprintf(stderr, "quillan-screenshots: the poll did not end\n");
            ok = false;
        }
        app.simulator().setModbusSlaveId(std::nullopt);
    }

    app.notifications().debugLine("Screenshot of the Debug tab");
    for (const char* tab : {"Build", "Debug"}) {
        showOutputTab(tab);
        settle();
        ok = save(frame.grab(), outDir, QStringLiteral("main-output-%1.png").arg(tab).toLower()) &&
             ok;
    }

    // The dialogs.
    {
        shell::StartDialog start(&frame);
        start.show();
        settle();
        ok = save(withDialog(frame, start), outDir, "start-dialog.png") && ok;
    }
    {
        shell::AboutDlg about(&frame);
        about.show();
        settle();
        ok = save(about.grab(), outDir, "about.png") && ok;
    }
    // The new project wizard, step by step, made over the demo project so that the
    // confirmation warns of the file being overwritten.
    {
        const QFileInfo demo(QString::fromLocal8Bit(argv[1]));
        app.settings().setWizardDefaultLoc(demo.absolutePath().toStdString());
        dialogs::WizNewProjectSheet wizard(app.settings(), &frame);
        wizard.resize(wizard.minimumSize());
        wizard.show();
        wizard.projectPage().nameBox().setText(demo.completeBaseName());
        settle();
        ok = save(withTitle(wizard), outDir, "wizard-step1.png") && ok;
        wizard.nextButton().click();
        wizard.sitePage().frequencyList().setCurrentIndex(band2400);
        wizard.sitePage().channelBox().setValue(15);
        wizard.sitePage().groupBox().setValue(10);
        settle();
        ok = save(withTitle(wizard), outDir, "wizard-step2.png") && ok;
        wizard.nextButton().click();
        dialogs::WizGatewayPage1& gatewayPage = *wizard.gatewayPage();
        gatewayPage.rtuPortList().setCurrentIndex(1);
        gatewayPage.slaveIdBox().setValue(5);
        gatewayPage.baudRateList().setCurrentIndex(4);
        settle();
        ok = save(withTitle(wizard), outDir, "wizard-step3.png") && ok;
        wizard.finishButton().click();
        settle();
        if (!wizard.targetExists()) {
            std::fprintf(stderr, "quillan-screenshots: the wizard did not find the demo file\n");
            ok = false;
        }
        ok = save(withTitle(wizard), outDir, "wizard-confirm.png") && ok;
        wizard.reject();
    }

    // The point dialogs, the user options and the site dialog, each as it opens.
    const auto shoot = [&](QDialog& dialog, const char* file) {
        dialog.show();
        settle();
        ok = save(dialog.grab(), outDir, file) && ok;
        dialog.hide();
    };
    if (gateway != nullptr && !gateway->sharedImports().empty()) {
        dialogs::ScaleImportDlg scale(*gateway->sharedImports().front(), &frame);
        shoot(scale, "dialog-scale-import.png");
        std::vector<RFImport*> shared;
        for (const auto& point : gateway->sharedImports()) {
            if (auto* rf = dynamic_cast<RFImport*>(point.get())) {
                shared.push_back(rf);
            }
        }
        dialogs::MapImportsDlg map(gateway->getName(), shared, app.settings(), &frame);
        shoot(map, "dialog-map-imports.png");
        dialogs::EditStartingRegisterDlg startingRegister(gateway->startingRegister, &frame);
        shoot(startingRegister, "dialog-starting-register.png");
    }
    {
        dialogs::ExportIntervalDlg interval(3725, &frame);
        shoot(interval, "dialog-export-interval.png");
        dialogs::WriteImportDlg newWriteImport(app.settings(), &frame);
        newWriteImport.nameBox().setText("Setpoint_2");
        shoot(newWriteImport, "dialog-write-import.png");
        dialogs::WriteImportDlg modifyWriteImport(app.settings(), "Speed", true, &frame);
        shoot(modifyWriteImport, "dialog-modify-write-import.png");
        dialogs::OutputNameDlg pointName("Flow", &frame);
        shoot(pointName, "dialog-point-name.png");
        NullNotificationSink nobody;
        dialogs::UserOptionsDlg userOptions(app.settings(), nobody,
                                            {{"ttyS0", "ttyUSB0"}, std::nullopt}, &frame);
        shoot(userOptions, "dialog-user-options.png");
        dialogs::NewSiteDlg newSite(Site{}, false, &frame);
        shoot(newSite, "dialog-new-site.png");
        if (Site* active = app.document().root()->activeSite()) {
            dialogs::NewSiteDlg editSite(*active, true, &frame);
            shoot(editSite, "dialog-edit-site.png");
        }
    }

    // The gateway's property sheet as Edit... opens it, one picture per page.
    if (gateway != nullptr) {
        QTimer::singleShot(0, &frame, [&] {
            gateway::ui::NodePropertySheet* sheet = nullptr;
            const bool shown = waitUntil([&] {
                sheet = qobject_cast<gateway::ui::NodePropertySheet*>(
                    QApplication::activeModalWidget());
                return sheet != nullptr && sheet->isVisible();
            });
            if (!shown) {
                ok = false;
                if (sheet != nullptr) {
                    sheet->reject();
                }
                return;
            }
            const char* files[] = {"gateway-radio.png", "gateway-config-port.png",
                                   "gateway-rtu-port.png"};
            for (int page = 0; page < 3 && page < sheet->pageCount(); ++page) {
                sheet->setCurrentPage(page);
                settle();
                ok = save(sheet->grab(), outDir, files[page]) && ok;
            }
            // The IO Bus page with the demo's 4-20 mA module selected, and the IO Module
            // dialog on that module and on a new digital one.
            auto* bus = sheet->findChild<gateway::ui::IOBusPage*>();
            if (bus == nullptr || bus->modules().empty()) {
                std::fprintf(stderr, "quillan-screenshots: no IO Bus page with modules\n");
                ok = false;
                sheet->reject();
                return;
            }
            int analog = 0;
            for (size_t i = 0; i < bus->modules().size(); ++i) {
                if (bus->modules()[i]->getIoKind() == 1) {
                    analog = static_cast<int>(i);
                }
            }
            sheet->tabs().setCurrentWidget(bus);
            bus->selectModuleRow(analog);
            settle();
            ok = save(sheet->grab(), outDir, "gateway-io-bus.png") && ok;
            gateway::ui::ZAVModuleDlg edit(*gateway, bus->modules()[analog].get(), bus->modules(),
                                           app.settings(), sheet);
            edit.show();
            settle();
            ok = save(edit.grab(), outDir, "io-module-dialog.png") && ok;
            edit.hide();
            gateway::ui::ZAVModuleDlg digital(*gateway, nullptr, bus->modules(), app.settings(),
                                              sheet);
            digital.typeList().setCurrentIndex(2);
            digital.show();
            settle();
            ok = save(digital.grab(), outDir, "io-module-digital.png") && ok;
            digital.hide();
            sheet->reject();
        });
        (void)gateway::ui::showNodeProperties(app, *gateway, &frame);
    }

    // The Modbus module's property sheet as Edit... opens it, one picture a page.
    if (gateway != nullptr && !gateway->childModules().empty()) {
        if (auto* module = dynamic_cast<MBModule*>(gateway->childModules().front().get())) {
            const char* pages[] = {"module-io-bus.png", "module-inputs.png", "module-outputs.png"};
            QTimer poll;
            poll.setInterval(20);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                auto* sheet = qobject_cast<quillan::gateway::ui::NodePropertySheet*>(
                    QApplication::activeModalWidget());
                if (sheet == nullptr || !sheet->isVisible()) {
                    return;
                }
                poll.stop();
                for (int page = 0; page < sheet->pageCount() && page < 3; ++page) {
                    sheet->setCurrentPage(page);
                    settle();
                    ok = save(sheet->grab(), outDir, pages[page]) && ok;
                }
                sheet->reject();
            });
            poll.start();
            (void)quillan::gateway::ui::showNodeProperties(app, *module, &frame);
        }
    }

    ok = save(iconSheet(), outDir, "icons.png") && ok;

    app.prompts().setStandIn(nullptr);
    return ok ? 0 : 1;
}
