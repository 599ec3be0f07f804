#include "gateway/ImageComparison.h"
#include "gateway/ui/DeviceWindow.h"
#include "model/Site.h"
#include "shell/ConnectStatusDlg.h"
#include "sim/GatewaySimulator.h"
#include "sim/SimulatorLink.h"
#include "support/TempDir.h"
#include "ui/ModalAnswers.h"
#include "ui/ProjectFixture.h"
#include "views/DeviceOperations.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>
#include <fstream>
#include <iterator>

using namespace quillan;
using quillan::shell::Command;
using quillan::test::ProjectFixture;
using quillan::views::DeviceOperations;

namespace {

// Long enough for any operation against the simulated gateway on a loaded machine.
constexpr int kOperationTimeoutMs = 60'000;

// What reaches the main window, with the progress still drawn by its progress window.
struct MainWindowRecord {
    QStringList lines;
    QList<int> codes;

    explicit MainWindowRecord(ProjectFixture& f)
    {
        shell::ConnectStatusDlg* progress = &f.frame.progressWindow();
        f.app.notifications().setHandler(
            Receiver::mainWindow, [this, progress](const Notification& n) {
                codes << n.code;
                if (n.code == MSG_OUTPUT_LINE) {
                    lines << QString::fromStdString(n.text);
                }
                (void)progress->handle(n);
            });
    }
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A simulated gateway with this state behind the port "sim", attached.
std::shared_ptr<sim::GatewaySimulator> attachSimulator(ProjectFixture& f,
                                                       sim::SimulatorState state)
{
    sim::SimulatorOptions options;
    options.state = std::move(state);
    auto gateway = sim::addSimulatorPort(f.app.linkFactory(), options);
    if (!f.app.attachPort("sim")) {
        return nullptr;
    }
    return gateway;
}

} // namespace

class DeviceOperationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void updateDeviceRunsWhileTheWindowKeepsAnswering()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        auto gateway = attachSimulator(f, sim::SimulatorState::newGateway());
        QVERIFY(gateway != nullptr);
        const ConfigImage compiled = f.g1->compileImage().image;
        QVERIFY(firstImageDifference(compiled, gateway->state().image).has_value());

        DeviceOperations& ops = f.pane().deviceOperations();
        int ticksWhileRunning = 0;
        QTimer timer;
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, [&] {
            if (ops.isRunning()) {
                ++ticksWhileRunning;
            }
        });
        timer.start();
        QSignalSpy finished(&ops, &DeviceOperations::finished);

        f.select(f.g1);
        f.frame.routeCommand(Command::nodeUpdateDevice);
        QVERIFY(ops.isRunning());
        QVERIFY(f.app.connectionOpen());
        // Its gateway is communicating; the other gateway only waits for the port.
        QVERIFY(!f.enabled(Command::nodeUpdateDevice));
        QVERIFY(!f.enabled(Command::nodeRename));
        QVERIFY(!f.enabled(Command::nodeCopy));
        f.select(f.g2);
        QVERIFY(f.enabled(Command::nodeRename));
        QVERIFY(!f.enabled(Command::nodeUpdateDevice));
        QVERIFY(!f.enabled(Command::nodeSaveFileToGateway));
        f.select(f.g1);

        QVERIFY(finished.wait(kOperationTimeoutMs));
        QVERIFY(ticksWhileRunning > 0);
        QCOMPARE(record.lines.last(), QString("North_GW - Configuration download Ok."));
        QVERIFY(record.codes.contains(MSG_UPDATE_START));
        QVERIFY(record.codes.contains(MSG_WRITE_PROGRESS));
        QCOMPARE(record.codes.last(), int(MSG_OUTPUT_LINE));
        QVERIFY(record.codes.contains(MSG_SESSION_DONE));
        QVERIFY(!f.frame.progressWindow().isVisible());
        QVERIFY(!firstImageDifference(compiled, gateway->state().image).has_value());
        QVERIFY(!f.app.connectionOpen());
        QVERIFY(f.enabled(Command::nodeUpdateDevice));
    }

    void updateDeviceOfAnotherDeviceTypeFails()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        sim::SimulatorState state = sim::SimulatorState::newGateway();
        state.deviceType = 11;
        QVERIFY(attachSimulator(f, state) != nullptr);
        QSignalSpy finished(&f.pane().deviceOperations(), &DeviceOperations::finished);
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeUpdateDevice);
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QCOMPARE(record.lines,
                 QStringList{"North_GW - ZAV Gateway Module update failure, a Base Unit was "
                             "detected."});
        QVERIFY(record.codes.contains(MSG_SESSION_FAILED));
        QVERIFY(!f.frame.progressWindow().isVisible());
        QVERIFY(f.enabled(Command::nodeUpdateDevice));
    }

    void connectHoldsTheOperationUntilTheDeviceWindowCloses()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        QVERIFY(attachSimulator(f, sim::SimulatorState::newGateway()) != nullptr);
        DeviceOperations& ops = f.pane().deviceOperations();
        QSignalSpy opened(&ops, &DeviceOperations::deviceWindowOpened);
        QSignalSpy finished(&ops, &DeviceOperations::finished);
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeConnect);
        QVERIFY(f.app.connectionOpen());
        QVERIFY(opened.wait(kOperationTimeoutMs));
        gateway::ui::DeviceWindow* window = ops.deviceWindow();
        QVERIFY(window != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(window->configurationRead(), kOperationTimeoutMs);
        QVERIFY(record.codes.contains(MSG_SESSION_START));
        QVERIFY(record.codes.contains(MSG_READ_PROGRESS));
        QVERIFY(record.codes.contains(MSG_SESSION_DONE));
        QVERIFY(!f.frame.progressWindow().isVisible());
        QVERIFY(ops.isRunning());
        QVERIFY(f.app.connectionOpen());

        window->reject();
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QVERIFY(record.lines.isEmpty());
        QVERIFY(!f.app.connectionOpen());
    }

    void readSiteSecurityKeyTakesTheDevicesKey_data()
    {
        QTest::addColumn<uint>("deviceKey");
        QTest::addColumn<QString>("line");
        QTest::addColumn<uint>("siteKey");
        QTest::addColumn<bool>("securityOn");
        QTest::newRow("device has a key") << 0x5678u << "North_GW - Site Security Key Updated."
                                          << 0x5678u << true;
        QTest::newRow("device has none") << 0u << "North_GW - Site Security is Disabled."
                                         << 0x1234u << false;
    }
    void readSiteSecurityKeyTakesTheDevicesKey()
    {
        QFETCH(uint, deviceKey);
        QFETCH(QString, line);
        QFETCH(uint, siteKey);
        QFETCH(bool, securityOn);
        ProjectFixture f;
        MainWindowRecord record(f);
        Site& site = *f.g1->getSite();
        site.setSecurityEnabled(true);
        site.setSecurityKey(0x1234);
        f.doc().setModifiedFlag(false);
        sim::SimulatorState state = sim::SimulatorState::newGateway();
        state.setSiteKey(deviceKey);
        QVERIFY(attachSimulator(f, state) != nullptr);
        QSignalSpy finished(&f.pane().deviceOperations(), &DeviceOperations::finished);
        f.select(f.g1);
        QVERIFY(f.enabled(Command::nodeReadSiteKey));
        f.frame.routeCommand(Command::nodeReadSiteKey);
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QCOMPARE(record.lines, QStringList{line});
        QCOMPARE(site.getSecurityKey(), siteKey);
        QCOMPARE(site.isSecurityEnabled(), securityOn);
        QVERIFY(f.doc().isModified());
        // No progress window for this one.
        QVERIFY(!record.codes.contains(MSG_UPDATE_START));
    }

    void aStoredProjectFileComesBackTheSame()
    {
        test::TempDir dir;
        QVERIFY(dir.valid());
        ProjectFixture f;
        MainWindowRecord record(f);
        f.app.settings().setWizardDefaultLoc(dir.path().string());
        const std::string stored = dir.file("Plant.zavproj");
        const std::string retrieved = dir.file("Copy.zavproj");
        QVERIFY(f.doc().saveDocument(stored).ok);
        QVERIFY(attachSimulator(f, sim::SimulatorState::newGateway()) != nullptr);
        DeviceOperations& ops = f.pane().deviceOperations();
        std::string suggestion;
        ops.setFileChooser([&](DeviceOperations::FileChoice choice,
                               const std::string& name) -> std::optional<std::string> {
            if (choice == DeviceOperations::FileChoice::projectToStore) {
                return stored;
            }
            suggestion = name;
            return retrieved;
        });
        QSignalSpy finished(&ops, &DeviceOperations::finished);
        QSignalSpy opened(&ops, &DeviceOperations::projectFileRetrieved);

        const auto upload = test::answerNextBox(QMessageBox::Ok);
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeSaveFileToGateway);
        QVERIFY(upload->shown);
        QCOMPARE(upload->title, QString("Upload Project File"));
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QCOMPARE(record.lines.last(), QString("North_GW - File successfully uploaded."));

        QVERIFY(f.frame.isCommandEnabled(Command::retrieveProjectFile));
        f.frame.routeCommand(Command::retrieveProjectFile);
        QVERIFY(f.app.connectionOpen());
        QVERIFY(!f.frame.isCommandEnabled(Command::retrieveProjectFile));
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QCOMPARE(record.lines.last(), QString("Gateway - File successfully downloaded."));
        QCOMPARE(suggestion, std::string("Plant"));
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.first().first().toString(), QString::fromStdString(retrieved));
        QCOMPARE(readFile(retrieved), readFile(stored));
        QVERIFY(!std::filesystem::exists(dir.file("tmp.zavprojtemp")));
        // The retrieved copy is now the open project.
        QCOMPARE(QFileInfo(QString::fromStdString(f.doc().path())).canonicalFilePath(),
                 QFileInfo(QString::fromStdString(retrieved)).canonicalFilePath());
    }

    void cancellingTheSavePromptStoresNothing()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        QVERIFY(f.doc().isModified());
        bool asked = false;
        f.pane().deviceOperations().setFileChooser(
            [&](DeviceOperations::FileChoice, const std::string&) -> std::optional<std::string> {
                asked = true;
                return std::nullopt;
            });
        const auto save = test::answerNextBox(QMessageBox::Cancel);
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeSaveFileToGateway);
        QVERIFY(save->shown);
        QCOMPARE(save->text, QString("Save changes to Untitled before selecting a file to store?"));
        QVERIFY(!asked);
        QVERIFY(!f.pane().deviceOperations().isRunning());
        QVERIFY(record.lines.isEmpty());
    }

    // Never saved, "Save changes ...?" answered Yes offers Save As. A Save As cancelled or
    // failed stops the store and says so; one that goes through goes on to the file to store.
    void aProjectNeverSavedIsSavedAsBeforeTheStore()
    {
        test::TempDir dir;
        QVERIFY(dir.valid());
        ProjectFixture f;
        MainWindowRecord record(f);
        QVERIFY(f.doc().path().empty());
        QVERIFY(f.doc().isModified());
        int chosen = 0;
        f.pane().deviceOperations().setFileChooser(
            [&](DeviceOperations::FileChoice, const std::string&) -> std::optional<std::string> {
                ++chosen;
                return std::nullopt;
            });
        const QString notStored("North_GW - The project was not saved, so no file was stored.");
        f.select(f.g1);

        QString saveAsTitle;
        auto question = test::answerNextBox(QMessageBox::Yes);
        test::answerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
            saveAsTitle = dialog.windowTitle();
            dialog.reject();
        });
        f.frame.routeCommand(Command::nodeSaveFileToGateway);
        QVERIFY(question->shown);
        QCOMPARE(saveAsTitle, QString("Save As"));
        QCOMPARE(record.lines, QStringList{notStored});
        QCOMPARE(chosen, 0);

        std::shared_ptr<test::SeenBox> failure;
        question = test::answerNextBox(QMessageBox::Yes);
        test::answerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
            failure = test::answerNextBox(QMessageBox::Ok);
            dialog.selectFile(QString::fromStdString(dir.file("missing/Plant.zavproj")));
            static_cast<QDialog&>(dialog).accept();
        });
        f.frame.routeCommand(Command::nodeSaveFileToGateway);
        QVERIFY(question->shown);
        QVERIFY(failure != nullptr && failure->shown);
        QVERIFY2(failure->text.startsWith("Failed to save document."), qPrintable(failure->text));
        QCOMPARE(record.lines, (QStringList{notStored, notStored}));
        QCOMPARE(chosen, 0);
        QVERIFY(f.doc().isModified());

        const std::string saved = dir.file("Plant.zavproj");
        question = test::answerNextBox(QMessageBox::Yes);
        test::answerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString(saved));
            static_cast<QDialog&>(dialog).accept();
        });
        f.frame.routeCommand(Command::nodeSaveFileToGateway);
        QVERIFY(question->shown);
        QCOMPARE(chosen, 1);
        QVERIFY(!f.doc().isModified());
        QVERIFY(std::filesystem::exists(saved));
        QCOMPARE(record.lines.size(), 2);
    }

    void aStopEndsTheOperationAndFreesThePort()
    {
        ProjectFixture f;
        MainWindowRecord record(f);
        QVERIFY(attachSimulator(f, sim::SimulatorState::newGateway()) != nullptr);
        DeviceOperations& ops = f.pane().deviceOperations();
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeUpdateDevice);
        QTRY_VERIFY_WITH_TIMEOUT(record.codes.contains(MSG_WRITE_PROGRESS), kOperationTimeoutMs);
        ops.stop();
        QVERIFY(!ops.isRunning());
        QVERIFY(!f.app.connectionOpen());
        QVERIFY(!f.frame.progressWindow().isVisible());
        QVERIFY(!record.lines.contains("North_GW - Configuration download Ok."));

        QSignalSpy finished(&ops, &DeviceOperations::finished);
        f.frame.routeCommand(Command::nodeUpdateDevice);
        QVERIFY(finished.wait(kOperationTimeoutMs));
        QCOMPARE(record.lines.last(), QString("North_GW - Configuration download Ok."));
    }

    void closingTheWindowDuringAnOperationDoesNotHang()
    {
        ProjectFixture f;
        bool started = false;
        f.app.notifications().setHandler(Receiver::mainWindow, [&](const Notification& n) {
            started = started || n.code == MSG_WRITE_PROGRESS;
        });
        QVERIFY(attachSimulator(f, sim::SimulatorState::newGateway()) != nullptr);
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeUpdateDevice);
        QTRY_VERIFY_WITH_TIMEOUT(started, kOperationTimeoutMs);
        f.window.reset();
        QVERIFY(!f.app.connectionOpen());
        // The port answers again.
        auto* port = f.app.link();
        QVERIFY(port != nullptr);
        QVERIFY(port->configure(device::DEVICE_LINE_SETTINGS));
        uint8_t byte = 0;
        QVERIFY(port->read(&byte, 1, 0).status != device::ReadStatus::cancelled);
    }
};

QTEST_MAIN(DeviceOperationTest)
#include "DeviceOperationTest.moc"
