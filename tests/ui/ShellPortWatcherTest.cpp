#include "ShellTestSupport.h"
#include "device/MemorySerialLink.h"
#include "shell/GatewayIndicator.h"
#include "shell/PortWatcher.h"
#include "views/OutputWnd.h"

#include <QLabel>
#include <QStatusBar>
#include <QtTest>

using namespace quillan;
using namespace quillan::shell;

namespace {

class FakeLister final : public device::PortLister {
public:
    std::vector<device::PortInfo> ports;
    std::vector<device::PortInfo> listPorts() override { return ports; }
};

const device::PortInfo kConverter{"ttyUSB7", device::GATEWAY_VENDOR_ID, device::GATEWAY_PRODUCT_ID,
                                  device::GATEWAY_SERIAL_NUMBER, "USB Serial Port"};

// The application with a gateway's converter that the tests plug in and pull out, and the
// debug lines that reach the main window.
struct WatchedApp {
    explicit WatchedApp(AppOptions options = {}) : app(store, std::move(options))
    {
        app.prompts().setStandIn(&prompts);
        app.linkFactory().addVirtualPort(kConverter.name, [this] {
            auto made = std::make_unique<device::MemorySerialLink>();
            link = made.get();
            return made;
        });
        app.notifications().setHandler(Receiver::mainWindow, [this](const Notification& n) {
            if (n.code == MSG_DEBUG_LINE) {
                debugLines.push_back(n.text);
            }
        });
    }
    ~WatchedApp()
    {
        app.notifications().setHandler(Receiver::mainWindow, {});
        app.prompts().setStandIn(nullptr);
    }

    platform::QtSettingsStore store;
    test::ScriptedPrompts prompts;
    TarnApp app;
    FakeLister lister;
    PortWatcher watcher{app, lister};
    std::vector<std::string> debugLines;
    device::MemorySerialLink* link = nullptr; // the converter's port last opened
};

} // namespace

class ShellPortWatcherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::clearSettings(); }

    void theConverterIsAttachedWhilePluggedIn()
    {
        WatchedApp w;
        w.watcher.start();
        QVERIFY(!w.app.gatewayAttached());
        QVERIFY(w.app.link() == nullptr);

        w.lister.ports = {kConverter};
        w.watcher.poll();
        QVERIFY(w.app.gatewayAttached());
        QCOMPARE(w.app.portName(), kConverter.name);
        QCOMPARE(w.app.settings().configPort(), kConverter.name);

        w.lister.ports.clear();
        w.watcher.poll();
        QVERIFY(!w.app.gatewayAttached());
        QVERIFY(w.app.link() == nullptr);
        QCOMPARE(w.debugLines, (std::vector<std::string>{"Connected to ZAV Gateway",
                                                         "Disconnected from ZAV Gateway"}));
    }

    // A device operation holds the port: a check meanwhile leaves it open, and the one after
    // the operation catches up.
    void aRemovalDuringADeviceOperationWaitsForItsEnd()
    {
        WatchedApp w;
        w.lister.ports = {kConverter};
        w.watcher.start();
        QVERIFY(w.app.gatewayAttached());
        w.app.setConnectionOpen(true);
        w.lister.ports.clear();
        w.watcher.poll();
        QVERIFY(w.app.gatewayAttached());

        w.app.setConnectionOpen(false);
        w.watcher.poll();
        QVERIFY(!w.app.gatewayAttached());
        QCOMPARE(w.debugLines.back(), std::string("Disconnected from ZAV Gateway"));
    }

    // Which port is used: --port, else the portOverride setting, else the converter.
    void thePortNamedByTheUserComesFirst_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("attached");
        QTest::addColumn<QString>("configPort");
        QTest::newRow("converter") << ""
                                   << ""
                                   << "ttyUSB7"
                                   << "ttyUSB7";
        QTest::newRow("setting") << ""
                                 << "sim"
                                 << "sim"
                                 << "COM1";
        QTest::newRow("option over setting") << "sim"
                                             << "ttyUSB7"
                                             << "sim"
                                             << "COM1";
    }
    void thePortNamedByTheUserComesFirst()
    {
        QFETCH(QString, option);
        QFETCH(QString, setting);
        QFETCH(QString, attached);
        QFETCH(QString, configPort);
        AppOptions options;
        if (!option.isEmpty()) {
            options.port = option.toStdString();
        }
        WatchedApp w(options);
        w.app.settings().setPortOverride(setting.toStdString());
        w.lister.ports = {kConverter};
        w.watcher.start();
        QVERIFY(w.app.gatewayAttached());
        QCOMPARE(QString::fromStdString(w.app.portName()), attached);
        // The simulator is never remembered as the configuration port.
        QCOMPARE(QString::fromStdString(w.app.settings().configPort()), configPort);
    }

    // The watcher and the debug listener read the line alike: a parity no line has is refused
    // for the default, the other values stand, and the Debug tab hears of it once.
    void aStoredLineNoPortCanTakeFallsBackToTheDefaultsOnce()
    {
        {
            platform::QtSettingsStore stored;
            QVERIFY(stored.open().ok());
            QVERIFY(stored.writeText("configPort", "COM1").ok());
            QVERIFY(stored.writeNumber("configBaudRate", 19200).ok());
            QVERIFY(stored.writeNumber("configDataBits", 7).ok());
            QVERIFY(stored.writeNumber("configParity", 258).ok());
            QVERIFY(stored.writeNumber("configStopBits", 2).ok());
            stored.close();
        }
        WatchedApp w;
        const device::LineSettings expected{19200, 7, device::PARITY_NONE, device::STOP_BITS_TWO};
        w.lister.ports = {kConverter};
        w.watcher.start();
        QVERIFY(w.link != nullptr);
        QCOMPARE(w.link->settings(), expected);
        w.watcher.poll();
        w.watcher.poll();

        views::OutputWnd output(w.app);
        output.suspend();
        QCOMPARE(w.link->settings(), device::DEVICE_LINE_SETTINGS);
        output.activate();
        QCOMPARE(w.link->settings(), expected);

        // Pulled out and plugged in again: the same line, and still no second word of it.
        w.lister.ports.clear();
        w.watcher.poll();
        w.lister.ports = {kConverter};
        w.watcher.poll();
        QCOMPARE(w.link->settings(), expected);
        QCOMPARE(w.debugLines,
                 (std::vector<std::string>{
                     "The configuration port settings cannot be used as stored: configParity 258 "
                     "is not 0 to 4 (default 0); the defaults stand in for them.",
                     "Connected to ZAV Gateway", "Disconnected from ZAV Gateway",
                     "Connected to ZAV Gateway"}));
    }

    // The status bar's gateway pane follows every check: plugged in, pulled out, and a port
    // named in the options.
    void theStatusBarNamesTheAttachedPort()
    {
        WatchedApp w;
        QStatusBar bar;
        GatewayIndicator indicator(bar);
        connect(&w.watcher, &PortWatcher::attachmentChanged, &indicator, &GatewayIndicator::show);
        const QLabel& pane = indicator.pane();
        QCOMPARE(pane.accessibleName(), QString("Attached gateway"));
        w.watcher.start();
        QCOMPARE(pane.text(), QString("No ZAV Gateway"));
        QVERIFY(!pane.isEnabled());

        w.lister.ports = {kConverter};
        w.watcher.poll();
        QCOMPARE(pane.text(), QString("ZAV Gateway on ttyUSB7"));
        QCOMPARE(pane.accessibleDescription(), pane.text());
        QVERIFY(pane.isEnabled());

        w.lister.ports.clear();
        w.watcher.poll();
        QCOMPARE(pane.text(), QString("No ZAV Gateway"));

        w.app.settings().setPortOverride("sim");
        w.watcher.poll();
        QCOMPARE(pane.text(), QString("ZAV Gateway on sim (simulated)"));
        w.app.settings().setPortOverride("ttyGONE");
        w.watcher.poll();
        QCOMPARE(pane.text(), QString("No ZAV Gateway"));
    }

    void aMissingNamedPortIsReportedOnce()
    {
        AppOptions options;
        options.port = "ttyGONE";
        WatchedApp w(options);
        w.watcher.start();
        w.watcher.poll();
        QVERIFY(!w.app.gatewayAttached());
        QCOMPARE(w.prompts.messages.size(), size_t(1));
        QCOMPARE(w.prompts.messages[0].caption, std::string("USB Serial Port Error"));
    }
};

QTEST_MAIN(ShellPortWatcherTest)
#include "ShellPortWatcherTest.moc"
