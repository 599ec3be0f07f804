// The device property window Connect opens, against the simulated gateway: the Device page
// filled from what the gateway holds, Flash, Dump and Compare, and the end of the session. The
// expected texts are worked out by hand from the values written into the simulator.
#include "gateway/ui/DeviceWindow.h"

#include "device/DeviceFrame.h"
#include "gateway/ui/BasePage.h"
#include "gateway/ui/ComparisonModel.h"
#include "gateway/ui/DeviceCompareDlg.h"
#include "gateway/ui/FlashFileDlg.h"
#include "model/FileNode.h"
#include "model/Site.h"
#include "shell/ConnectStatusDlg.h"
#include "sim/GatewaySimulator.h"
#include "sim/SimulatorLink.h"
#include "support/TempDir.h"
#include "ui/ModalAnswers.h"
#include "ui/ProjectFixture.h"
#include "views/DeviceOperations.h"
#include "views/OutputWnd.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>
#include <fstream>
#include <memory>

using namespace quillan;
using quillan::gateway::ui::BasePage;
using quillan::gateway::ui::DeviceCompareDlg;
using quillan::gateway::ui::DeviceWindow;
using quillan::gateway::ui::FlashFileDlg;
using quillan::shell::Command;
using quillan::test::ProjectFixture;
using quillan::views::DeviceOperations;

namespace {

// Long enough for any operation against the simulated gateway on a loaded machine.
constexpr int kOperationTimeoutMs = 60'000;

// What reaches the main window, with the progress still drawn by its progress window.
struct MainWindowRecord {
    QStringList lines;
    QStringList debugLines;

    explicit MainWindowRecord(ProjectFixture& f)
    {
        shell::ConnectStatusDlg* progress = &f.frame.progressWindow();
        views::OutputWnd* output = &f.frame.outputWnd();
        f.app.notifications().setHandler(Receiver::mainWindow,
                                         [this, progress, output](const Notification& n) {
                                             if (n.code == MSG_OUTPUT_LINE) {
                                                 lines << QString::fromStdString(n.text);
                                             } else if (n.code == MSG_DEBUG_LINE) {
                                                 debugLines << QString::fromStdString(n.text);
                                             }
                                             (void)progress->handle(n);
                                             if (n.code == MSG_OUTPUT_LINE) {
                                                 output->addOutputLine(n.text);
                                             }
                                         });
    }
};

// The simulated gateway behind "sim", with the link it is reached by in sight.
struct SimulatedPort {
    std::shared_ptr<sim::GatewaySimulator> gateway;
    sim::SimulatorLink* link = nullptr;
};

std::shared_ptr<SimulatedPort> attachSimulator(ProjectFixture& f, sim::SimulatorState state)
{
    auto port = std::make_shared<SimulatedPort>();
    port->gateway = std::make_shared<sim::GatewaySimulator>(std::move(state));
    f.app.linkFactory().addVirtualPort(device::SIMULATOR_PORT_NAME, [port] {
        auto link = std::make_unique<sim::SimulatorLink>(port->gateway);
        port->link = link.get();
        return link;
    });
    if (!f.app.attachPort(device::SIMULATOR_PORT_NAME)) {
        return nullptr;
    }
    return port;
}

// Group 10, node 3 on 900 MHz channel 5: 100 mW (power 2) at 9600 bit/s (bit 7), AES asked
// for (bit 6), 3 retries; site key 4321.
sim::SimulatorState gatewayState()
{
    sim::SimulatorState state = sim::SimulatorState::newGateway();
    RadioRecord radio;
    radio.address = 10 << 6 | 3;
    radio.retries = 3;
    radio.groupMask = 0xFFFF;
    radio.channel = 5;
    radio.flags = 0xC2;
    state.image.setRadio(radio);
    state.setSiteKey(4321);
    return state;
}

// Connect on the first gateway; the window as it opens.
DeviceWindow* openDeviceWindow(ProjectFixture& f)
{
    DeviceOperations& ops = f.pane().deviceOperations();
    QSignalSpy opened(&ops, &DeviceOperations::deviceWindowOpened);
    f.select(f.g1);
    f.frame.routeCommand(Command::nodeConnect);
    if (opened.isEmpty() && !opened.wait(kOperationTimeoutMs)) {
        return nullptr;
    }
    return ops.deviceWindow();
}

// ... and once it shows the configuration.
DeviceWindow* connected(ProjectFixture& f)
{
    DeviceWindow* window = openDeviceWindow(f);
    if (window == nullptr) {
        return nullptr;
    }
    QSignalSpy shown(window, &DeviceWindow::configurationShown);
    if (!window->configurationRead() && !shown.wait(kOperationTimeoutMs)) {
        return nullptr;
    }
    return window;
}

std::string writeText(const test::TempDir& dir, const std::string& name, const std::string& text)
{
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// 0x08000000: DE AD BE EF. Checksums by hand: 02+00+00+04+08+00 = 0x0E, so F2; 04+00+00+00+
// DE+AD+BE+EF = 0x33C, so C4.
const char* const kFirmware = ":020000040800F2\n:04000000DEADBEEFC4\n:00000001FF\n";

} // namespace

class DeviceWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectFillsTheDevicePageWhileTheWindowKeepsAnswering()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        f.app.settings().setDumpEnabled(true);
        Site& site = *f.doc().root()->activeSite();
        site.setAesEnabled(true);
        site.setSecurityEnabled(true);
        site.setSecurityKey(1234);
        QVERIFY(attachSimulator(f, gatewayState()) != nullptr);

        DeviceWindow* window = openDeviceWindow(f);
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QString("North_GW"));
        QVERIFY(window->isModal());
        QVERIFY(f.app.connectionOpen());
        QVERIFY(!f.enabled(Command::nodeConnect));
        // Until the read is done: the Device page alone, every button off.
        QCOMPARE(window->pageCount(), 1);
        QCOMPARE(window->page(0)->title(), QString("Device"));
        QVERIFY(window->dumpButton() != nullptr);
        for (QPushButton* button :
             {&window->flashButton(), window->dumpButton(), &window->compareButton(),
              &window->okButton(), &window->cancelButton()}) {
            QVERIFY2(!button->isEnabled(), qPrintable(button->text()));
        }

        int ticksWhileReading = 0;
        QTimer timer;
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, [&] {
            if (!window->configurationRead()) {
                ++ticksWhileReading;
            }
        });
        timer.start();
        QSignalSpy shown(window, &DeviceWindow::configurationShown);
        QVERIFY(shown.wait(kOperationTimeoutMs));
        QVERIFY(ticksWhileReading > 0);

        const BasePage& page = window->basePage();
        QCOMPARE(page.type(), QString("ZAV Gateway Module"));
        QCOMPARE(page.version(), QString("1.5.0.14"));
        QCOMPARE(page.id(), QString("3"));
        QCOMPARE(page.channel(), QString("5"));
        QCOMPARE(page.group(), QString("10"));
        QCOMPARE(page.vevaDorId(), QString("0"));
        QCOMPARE(page.txPower().currentText(), QString("100 mW"));
        QCOMPARE(page.txPower().count(), 5);
        QVERIFY(!page.txPower().isEnabled());
        QCOMPARE(page.retries(), QString("3"));
        QCOMPARE(page.bitRate().currentText(), QString("9600"));
        QVERIFY(!page.bitRate().isEnabled());
        QCOMPARE(page.siteSecurity(), QString("AES On : ESS On (Key: 1234)"));
        // Version 1.5.0.14 is below "2.0": bit 6 does not make it AES.
        QCOMPARE(page.deviceSecurity(), QString("AES Off : ESS On (Key: 4321)"));
        for (QPushButton* button :
             {&window->flashButton(), window->dumpButton(), &window->compareButton(),
              &window->okButton(), &window->cancelButton()}) {
            QVERIFY2(button->isEnabled(), qPrintable(button->text()));
        }
        QVERIFY(!f.frame.progressWindow().isVisible());
    }

    void closingEndsTheSessionAndGivesThePortBack_data()
    {
        QTest::addColumn<bool>("afterRead");
        QTest::newRow("after the read") << true;
        QTest::newRow("while reading") << false;
    }
    void closingEndsTheSessionAndGivesThePortBack()
    {
        QFETCH(bool, afterRead);
        ProjectFixture f;
        MainWindowRecord record(f);
        auto port = attachSimulator(f, gatewayState());
        QVERIFY(port != nullptr);
        DeviceOperations& ops = f.pane().deviceOperations();
        DeviceWindow* window = afterRead ? connected(f) : openDeviceWindow(f);
        QVERIFY(window != nullptr);
        QVERIFY(!f.frame.outputWnd().isActive());
        QVERIFY(port->link != nullptr && port->link->rts());
        QSignalSpy finished(&ops, &DeviceOperations::finished);
        QPointer<DeviceWindow> gone(window);

        // Esc works whether or not Cancel is enabled yet.
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QVERIFY(gone.isNull() || !gone->isVisible());
        QVERIFY(ops.deviceWindow() == nullptr || !ops.deviceWindow()->isVisible());
        QVERIFY(!f.app.connectionOpen());
        QVERIFY(f.enabled(Command::nodeConnect));
        QVERIFY(f.frame.outputWnd().isActive());
        QVERIFY(!port->link->rts());
        QVERIFY(!f.frame.progressWindow().isVisible());
        // The port takes the next operation at once.
        QSignalSpy shown(&ops, &DeviceOperations::deviceWindowOpened);
        f.frame.routeCommand(Command::nodeConnect);
        QVERIFY(shown.wait(kOperationTimeoutMs));
        ops.stop();
        QVERIFY(!f.app.connectionOpen());
        QVERIFY(!port->link->rts());
    }

    void anotherDeviceTypeOpensNoWindow()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        sim::SimulatorState state = gatewayState();
        state.deviceType = 11;
        QVERIFY(attachSimulator(f, state) != nullptr);
        DeviceOperations& ops = f.pane().deviceOperations();
        QSignalSpy opened(&ops, &DeviceOperations::deviceWindowOpened);
        QSignalSpy finished(&ops, &DeviceOperations::finished);
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeConnect);
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QCOMPARE(opened.count(), 0);
        QCOMPARE(record.lines,
                 QStringList{"North_GW - ZAV Gateway Module connect failure, a Base Unit was "
                             "detected."});
        QVERIFY(!f.app.connectionOpen());
    }

    void flashingAHexFileWritesItToTheGateway()
    {
        test::TempDir dir;
        QVERIFY(dir.valid());
        const std::string path = writeText(dir, "tiny.a79", kFirmware);
        ProjectFixture f;
        MainWindowRecord record(f);
        auto port = attachSimulator(f, gatewayState());
        QVERIFY(port != nullptr);
        DeviceOperations& ops = f.pane().deviceOperations();
        DeviceWindow* window = connected(f);
        QVERIFY(window != nullptr);
        window->setFirmwareChooser([path] { return std::optional<std::string>(path); });
        QSignalSpy finished(&ops, &DeviceOperations::finished);

        const auto question = test::answerNextBox(QMessageBox::Ok);
        window->flashButton().click();
        QVERIFY(question->shown);
        QCOMPARE(question->title, QString("Flash File Ok"));
        QCOMPARE(question->text,
                 QString("Download  %1  to the ZAV Gateway Module?").arg(path.c_str()));
        FlashFileDlg* flash = window->flashDialog();
        QVERIFY(flash != nullptr);
        QCOMPARE(flash->windowTitle(), QString("Flash in progress..."));
        QSignalSpy ended(flash, &FlashFileDlg::transferEnded);
        // Not while the gateway's flash memory is being written.
        QTest::keyClick(flash, Qt::Key_Escape);
        QVERIFY(ended.count() > 0 || flash->isVisible());
        QVERIFY(ended.count() > 0 || ended.wait(kOperationTimeoutMs));
        QVERIFY(flash->succeeded());
        QCOMPARE(flash->text(), QString("Flash complete..."));
        QCOMPARE(record.lines.last(), QString("Flash complete..."));

        // The window closes itself after the dialog, and the session and link end.
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QVERIFY(!f.app.connectionOpen());
        const sim::FirmwareMemory firmware = port->gateway->state().firmware;
        QCOMPARE(firmware.size(), size_t(4));
        QCOMPARE(firmware.byteAt(0x08000000), std::optional<uint8_t>(0xDE));
        QCOMPARE(firmware.byteAt(0x08000003), std::optional<uint8_t>(0xEF));
    }

    void aFlashThatFailsSaysSoAndWaits()
    {
        test::TempDir dir;
        QVERIFY(dir.valid());
        const std::string path = writeText(dir, "tiny.a79", kFirmware);
        ProjectFixture f;
        MainWindowRecord record(f);
        auto port = attachSimulator(f, gatewayState());
        QVERIFY(port != nullptr);
        DeviceWindow* window = connected(f);
        QVERIFY(window != nullptr);
        sim::FaultOptions faults;
        faults.nak.insert(device::CMD_FLASH_DATA);
        port->gateway->setFaults(faults);
        window->setFirmwareChooser([path] { return std::optional<std::string>(path); });

        (void)test::answerNextBox(QMessageBox::Ok);
        window->flash();
        FlashFileDlg* flash = window->flashDialog();
        QVERIFY(flash != nullptr);
        QSignalSpy ended(flash, &FlashFileDlg::transferEnded);
        QVERIFY(ended.wait(kOperationTimeoutMs));
        QVERIFY(!flash->succeeded());
        QVERIFY2(flash->text().startsWith("Flash failed at chunk 1 of 1 (address 0x08000000)"),
                 qPrintable(flash->text()));
        QCOMPARE(record.lines.last(), flash->text());
        // It stays until the user has read it.
        QVERIFY(flash->isVisible());
        QVERIFY(window->isVisible());
        QSignalSpy finished(&f.pane().deviceOperations(), &DeviceOperations::finished);
        QTest::keyClick(flash, Qt::Key_Escape);
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QVERIFY(!f.app.connectionOpen());
    }

    void aDamagedFirmwareFileIsRefusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        QTest::newRow("wrong checksum")
            << ":020000040800F2\n:04000000DEADBEEFC5\n"
            << "line 2 is not a valid Intel HEX record: the checksum is wrong";
        QTest::newRow("no data") << ":020000040800F2\n:00000001FF\n"
                                 << "the file holds no firmware data";
    }
    void aDamagedFirmwareFileIsRefusedBeforeAnythingIsSent()
    {
        QFETCH(QString, text);
        QFETCH(QString, why);
        test::TempDir dir;
        QVERIFY(dir.valid());
        const std::string path = writeText(dir, "bad.a79", text.toStdString());
        ProjectFixture f;
        MainWindowRecord record(f);
        auto port = attachSimulator(f, gatewayState());
        QVERIFY(port != nullptr);
        DeviceWindow* window = connected(f);
        QVERIFY(window != nullptr);
        window->setFirmwareChooser([path] { return std::optional<std::string>(path); });
        const uint64_t frames = port->gateway->framesReceived();

        const auto error = test::answerNextBox(QMessageBox::Ok);
        window->flash();
        QVERIFY(error->shown);
        QCOMPARE(error->title, QString("Firmware File"));
        QCOMPARE(error->text,
                 QString("%1 cannot be flashed: %2.\n\nNothing was sent to the gateway.")
                     .arg(path.c_str(), why));
        QVERIFY(window->flashDialog() == nullptr);
        QVERIFY(window->isVisible());
        QCOMPARE(port->gateway->framesReceived(), frames);
        QVERIFY(port->gateway->state().firmware.empty());
        f.pane().deviceOperations().stop();
    }

    void compareShowsWhereTheDeviceDiffersFromTheProject_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::newRow("slave id changed") << true;
        QTest::newRow("nothing changed") << false;
    }
    void compareShowsWhereTheDeviceDiffersFromTheProject()
    {
        QFETCH(bool, changed);
        ProjectFixture f;
        MainWindowRecord record(f);
        Site& site = *f.doc().root()->activeSite();
        site.setSecurityEnabled(true);
        site.setSecurityKey(1234);
        f.g1->port(0)->recordWord8 = 4;
        // The gateway holds what Update Device would have written.
        sim::SimulatorState state = sim::SimulatorState::newGateway();
        state.image = f.g1->compileImage().image;
        state.setSiteKey(1234);
        QVERIFY(attachSimulator(f, state) != nullptr);
        if (changed) {
            f.g1->port(0)->recordWord8 = 9;
        }
        DeviceWindow* window = connected(f);
        QVERIFY(window != nullptr);

        DeviceCompareDlg* compare = window->compare();
        QVERIFY(compare != nullptr);
        QVERIFY(compare->isVisible());
        QCOMPARE(compare->windowTitle(), QString("Compare - North_GW"));
        if (changed) {
            QCOMPARE(compare->model().rows(),
                     (std::vector<ComparisonRow>{
                         {"Serial ports", "COM1", "Slave ID: 4", "Slave ID: 9"}}));
            QCOMPARE(compare->model().rowCount(), 1);
            QCOMPARE(compare->model()
                         .index(0, gateway::ui::ComparisonModel::projectColumn)
                         .data()
                         .toString(),
                     QString("Slave ID: 9"));
            QVERIFY(compare->table().isVisible());
        } else {
            QCOMPARE(compare->summary(), QString("The device holds the project's configuration."));
            QVERIFY(!compare->table().isVisible());
        }
        QTest::keyClick(compare, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!compare->isVisible(), kOperationTimeoutMs);
        // Compare changes nothing.
        QCOMPARE(f.g1->port(0)->slaveId(), uint16_t(changed ? 9 : 4));
        f.pane().deviceOperations().stop();
    }

    void dumpWritesTheConfigurationRead()
    {
        test::TempDir dir;
        QVERIFY(dir.valid());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QString::fromStdString(dir.path().string())));
        ProjectFixture f;
        MainWindowRecord record(f);
        f.app.settings().setDumpEnabled(true);
        QVERIFY(attachSimulator(f, gatewayState()) != nullptr);
        DeviceWindow* window = connected(f);
        QVERIFY(window != nullptr && window->dumpButton() != nullptr);
        window->dumpButton()->click();
        std::ifstream dump(dir.file("Dump.txt"));
        std::string first;
        std::string second;
        std::getline(dump, first);
        std::getline(dump, second);
        QCOMPARE(first, std::string("RF Config:"));
        QCOMPARE(second, std::string("FREQ: 900 MHz, GRP: 0x000A, NODE: 0x0003, MASK: 0xFFFF"));
        QCOMPARE(record.debugLines.last(),
                 QString("Dump.txt was created at location '%1'.")
                     .arg(QDir(QString::fromStdString(dir.path().string())).canonicalPath()));
        f.pane().deviceOperations().stop();
        QVERIFY(QDir::setCurrent(previous));
    }

    void withoutTheDumpSettingThereIsNoDumpButton()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        f.app.settings().setDumpEnabled(false);
        QVERIFY(attachSimulator(f, gatewayState()) != nullptr);
        DeviceWindow* window = openDeviceWindow(f);
        QVERIFY(window != nullptr);
        QVERIFY(window->dumpButton() == nullptr);
        f.pane().deviceOperations().stop();
        QVERIFY(!f.app.connectionOpen());
    }

    // The page's rules over hand-made identities and radio records.
    void basePageRules_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("retries");
        QTest::addColumn<uint>("key");
        QTest::addColumn<QString>("typeText");
        QTest::addColumn<QStringList>("radio"); // ID, Channel, Group, Tx Power, Retries, Bit Rate
        QTest::addColumn<QString>("device");

        QTest::newRow("gateway 1.5.0.14 with bit 6 is not AES")
            << 12 << "1.5.0.14" << 5 << 0xC2 << (10 << 6 | 3) << 3 << 0u << "ZAV Gateway Module"
            << QStringList{"3", "5", "10", "100 mW", "3", "9600"} << "AES Off : ESS Off";
        QTest::newRow("gateway 2.0 on 2.4 GHz is AES")
            << 12 << "2.0.1.3" << 15 << 0x44 << (999 << 6) << 2 << 77u << "ZAV Gateway Module"
            << QStringList{"0", "15", "999", "63 mW", "9", "250000"} << "AES On : ESS On (Key: 77)";
        QTest::newRow("gateway 2.0 without bit 6")
            << 12 << "2.0" << 0 << 0x04 << 63 << 1 << 0u << "ZAV Gateway Module"
            << QStringList{"63", "0", "0", "1 W", "1", "115200"} << "AES Off : ESS Off";
        QTest::newRow("Hub3 1.0 on 868 MHz")
            << 32 << "1.0" << 35 << 0x47 << (1 << 6) << 4 << 0u << "Hub3"
            << QStringList{"0", "5", "1", "10 mW", "4", "80000"} << "AES On : ESS Off";
        QTest::newRow("Base Unit 1.9 is not AES")
            << 11 << "1.9.9.9" << 20 << 0x40 << 0 << 0 << 5u << "Base Unit"
            << QStringList{"0", "20", "0", "10 mW", "3", "250000"} << "AES Off : ESS On (Key: 5)";
        QTest::newRow("unknown type, channel in no band, group above 999")
            << 7 << "9.9" << 11 << 0x40 << (1000 << 6) << 6 << 0u << ""
            << QStringList{"0", "11", "1000", "", "6", ""} << "AES Off : ESS Off";
    }
    void basePageRules()
    {
        QFETCH(int, type);
        QFETCH(QString, version);
        QFETCH(int, channel);
        QFETCH(int, flags);
        QFETCH(int, address);
        QFETCH(int, retries);
        QFETCH(uint, key);
        QFETCH(QString, typeText);
        QFETCH(QStringList, radio);
        QFETCH(QString, device);
        auto image = std::make_unique<ConfigImage>();
        RadioRecord record;
        record.channel = static_cast<uint8_t>(channel);
        record.flags = static_cast<uint8_t>(flags);
        record.address = static_cast<uint16_t>(address);
        record.retries = static_cast<uint16_t>(retries);
        image->setRadio(record);
        image->setSecurity({key, {}});
        BasePage page;
        page.fill(static_cast<uint16_t>(type), version.toStdString(), *image, nullptr);
        QCOMPARE(page.type(), typeText);
        QCOMPARE(page.version(), version);
        QCOMPARE((QStringList{page.id(), page.channel(), page.group(), page.txPower().currentText(),
                              page.retries(), page.bitRate().currentText()}),
                 radio);
        QCOMPARE(page.vevaDorId(), QString("0"));
        QCOMPARE(page.deviceSecurity(), device);
        QCOMPARE(page.siteSecurity(), QString());
    }
};

QTEST_MAIN(DeviceWindowTest)
#include "DeviceWindowTest.moc"
