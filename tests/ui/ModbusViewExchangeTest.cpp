// Poll and Write of the Modbus tab against the simulated gateway, configured as Update Device
// leaves it for a project whose CONFIG port is a Modbus slave: the replies fill the rows while
// the window keeps answering, a failed read leaves the rows after it alone, and an extended
// slave id sends nothing.

#include "ViewTestSupport.h"
#include "device/MemorySerialLink.h"
#include "device/modbus/ModbusTab.h"
#include "device/modbus/ui/MBWriteDlg.h"
#include "device/modbus/ui/ModbusView.h"
#include "model/SerialPortDefinition.h"
#include "sim/GatewaySimulator.h"
#include "sim/ModbusSlave.h"
#include "sim/SimulatorLink.h"
#include "ui/ProjectFixture.h"
#include "views/OutputWnd.h"
#include "views/TarnView.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;
using device::modbus::MBWriteDlg;
using device::modbus::ModbusView;
using shell::Command;
using views::TarnView;

namespace {

// Long enough for a few requests against the simulated gateway on a loaded machine.
constexpr int kExchangeTimeoutMs = 60'000;
constexpr int kValueColumn = 5;
constexpr uint16_t kSlaveId = 3;

// North_GW with its CONFIG port a Modbus slave (id 3) and the map: integer table SP1 3001 and
// SP2 3002 (write imports), VIN 3003 with its refresh row 3004; floating-point table F1 7001
// (a write import) and VIN 7002. The Modbus tab shows it.
struct ExchangeFixture {
    ProjectFixture f;
    TarnView& view = f.frame.tarnView();
    ModbusView& map = view.modbusView();
    QStringList debugLines;
    std::shared_ptr<sim::GatewaySimulator> gateway;

    ExchangeFixture()
    {
        ZAVGateway& g = *f.g1;
        SerialPortDefinition& config = *g.getPort0();
        config.protocol = protocolModbusSlave;
        config.recordWord8 = kSlaveId;
        (void)addNewWriteImport(g, "SP1", false);
        (void)addNewWriteImport(g, "SP2", false);
        (void)pasteToModbusMap(g, {pointNamed(g, "VIN")}, false);
        g.mapIntegerList().back()->hasRefreshTime = true;
        (void)addNewWriteImport(g, "F1", true);
        (void)pasteToModbusMap(g, {pointNamed(g, "VIN")}, true);
        f.app.notifications().setHandler(Receiver::mainWindow, [this](const Notification& n) {
            if (n.code == MSG_DEBUG_LINE) {
                debugLines << QString::fromStdString(n.text);
            }
        });
        f.select(f.g1);
        f.frame.openNode(*f.g1, TarnView::modbusTab);
    }

    // The simulated gateway holds the compiled configuration, as after Update Device.
    bool attachSimulator()
    {
        sim::SimulatorOptions options;
        options.state.image = f.g1->compileImage().image;
        gateway = sim::addSimulatorPort(f.app.linkFactory(), options);
        return f.app.attachPort("sim");
    }
    void setRegisterValue(uint16_t reg, double value)
    {
        const sim::ModbusSlave slave(gateway->state().image);
        gateway->setPointValue(slave.registers().at(reg).point, value);
    }

    [[nodiscard]] QStringList column(int c) const
    {
        QStringList texts;
        for (int row = 0; row < map.rows().rowCount(); ++row) {
            texts << map.rows().index(row, c).data().toString().trimmed();
        }
        return texts;
    }
    [[nodiscard]] int rowOf(const QString& reg) const
    {
        return static_cast<int>(column(2).indexOf(reg));
    }
    [[nodiscard]] QString valueOf(const QString& reg) const
    {
        return column(kValueColumn).at(rowOf(reg));
    }
    [[nodiscard]] ModbusMap& entryOf(const QString& reg) const
    {
        return *map.rows().itemAt<ModbusMap>(rowOf(reg));
    }
    [[nodiscard]] QStringList linesStarting(const QString& start) const
    {
        QStringList found;
        for (const QString& line : debugLines) {
            if (line.startsWith(start)) {
                found << line;
            }
        }
        return found;
    }
    bool enabled(Command command) { return view.commandEnabled(command).value_or(false); }
};

} // namespace

class ModbusViewExchangeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pollFillsTheRowsWhileTheWindowAnswers()
    {
        ExchangeFixture x;
        QVERIFY(x.attachSimulator());
        x.setRegisterValue(3001, 1234);
        x.setRegisterValue(3002, 65535);
        x.setRegisterValue(3003, 12.4); // VIN, also at 7002
        x.setRegisterValue(7001, 2.5);
        x.map.selectAll();

        int ticksWhileExchanging = 0;
        QTimer timer;
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, [&] {
            if (x.map.isExchanging()) {
                ++ticksWhileExchanging;
            }
        });
        timer.start();
        QSignalSpy finished(&x.map, &ModbusView::exchangeFinished);

        QVERIFY(x.enabled(Command::mapPoll));
        x.f.frame.routeCommand(Command::mapPoll);
        QVERIFY(x.map.isExchanging());
        // The port is held: no second exchange, no device operation, no debug listener.
        QVERIFY(x.f.app.portBusy());
        QVERIFY(!x.enabled(Command::mapPoll));
        QVERIFY(!x.enabled(Command::mapWrite));
        QVERIFY(!x.f.enabled(Command::nodeUpdateDevice));
        QVERIFY(!x.f.frame.outputWnd().isActive());

        QVERIFY(finished.wait(kExchangeTimeoutMs));
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(ticksWhileExchanging > 0);
        QCOMPARE(x.linesStarting("Modbus Request"),
                 QStringList({"Modbus Request: id 3, registers 3001 to 3004...",
                              "Modbus Request: id 3, registers 7001 to 7002..."}));
        const QStringList values = x.column(kValueColumn);
        QCOMPARE(values.mid(0, 3), QStringList({"1234", "1.#INF", "12"}));
        // The refresh row shows the seconds since VIN was set.
        QVERIFY2(QRegularExpression("^[0-9]+$").match(values.at(3)).hasMatch(),
                 qPrintable(values.at(3)));
        QCOMPARE(values.mid(4), QStringList({"2.5000", "12.4000"}));
        // The entries keep the texts for the next fill.
        QCOMPARE(x.entryOf("3001").valueText, std::string("1234"));
        QCOMPARE(QString::fromStdString(x.entryOf("3004").refreshText), values.at(3));
        QCOMPARE(x.entryOf("3004").valueText, std::string("12"));

        QVERIFY(!x.f.app.portBusy());
        QVERIFY(x.f.frame.outputWnd().isActive());
        QVERIFY(x.enabled(Command::mapPoll));
        QVERIFY(x.f.enabled(Command::nodeUpdateDevice));
    }

    void aFailedReadLeavesTheLaterRowsAlone()
    {
        ExchangeFixture x;
        QVERIFY(x.attachSimulator());
        // The project now says slave 4; the gateway still answers as 3.
        x.f.g1->getPort0()->recordWord8 = 4;
        for (const auto& entry : x.f.g1->mapIntegerList()) {
            entry->valueText = "9";
        }
        for (const auto& entry : x.f.g1->mapFloatList()) {
            entry->valueText = "9";
        }
        x.map.refill();
        // Runs 3001-3002 and 7001-7002; 7001 closes the first, so it is marked before the
        // first read fails.
        x.map.selectRows({x.rowOf("3001"), x.rowOf("3002"), x.rowOf("7001"), x.rowOf("7002")});
        QSignalSpy finished(&x.map, &ModbusView::exchangeFinished);
        x.f.frame.routeCommand(Command::mapPoll);
        QVERIFY(finished.wait(kExchangeTimeoutMs));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(x.linesStarting("Modbus Re"),
                 QStringList({"Modbus Request: id 4, registers 3001 to 3002...",
                              "Modbus Response error: no response received."}));
        QCOMPARE(x.column(kValueColumn), QStringList({"--", "--", "9", "", "--", "9"}));
        QCOMPARE(x.entryOf("7001").valueText, std::string("--"));
        QVERIFY(!x.f.app.portBusy());
    }

    void closingTheWindowEndsARunningPoll()
    {
        ExchangeFixture x;
        QVERIFY(x.attachSimulator());
        // A silent slave keeps the worker waiting for a reply.
        x.f.g1->getPort0()->recordWord8 = 4;
        x.map.selectAll();
        x.f.frame.routeCommand(Command::mapPoll);
        QVERIFY(x.map.isExchanging());
        QVERIFY(x.f.app.portBusy());
        x.f.window.reset();
        QVERIFY(!x.f.app.portBusy());
        // The port is usable again: the cancel that ended the wait was taken back.
        device::SerialLink& port = x.f.app.port();
        QVERIFY(port.isOpen());
        uint8_t buffer[8];
        const device::ReadResult read = port.read(buffer, sizeof buffer, 0);
        QVERIFY(read.status != device::ReadStatus::cancelled);
    }

    void writeSendsTheDialogsValue_data()
    {
        QTest::addColumn<QString>("reg");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("debugLine");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("stored");
        QTest::newRow("integer, from the command")
            << "3001"
            << "command"
            << "1234"
            << "SP1"
            << "Modbus Write: id 3, register 3001, value 1234..."
            << "1234" << 1234.0;
        QTest::newRow("float, by a double click")
            << "7001"
            << "double click"
            << "1.5"
            << "F1"
            << "Modbus Write: id 3, register 7001, value 1.500000..."
            << "1.5000" << 1.5;
        QTest::newRow("largest integer, by Enter")
            << "3002"
            << "enter"
            << "32767"
            << "SP2"
            << "Modbus Write: id 3, register 3002, value 32767..."
            << "32767" << 32767.0;
    }
    void writeSendsTheDialogsValue()
    {
        QFETCH(QString, reg);
        QFETCH(QString, how);
        QFETCH(QString, typed);
        QFETCH(QString, point);
        QFETCH(QString, debugLine);
        QFETCH(QString, shown);
        QFETCH(double, stored);
        ExchangeFixture x;
        QVERIFY(x.attachSimulator());
        x.f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&x.f.frame));
        const int row = x.rowOf(reg);
        x.map.selectRows({row});

        QString title;
        QString frame;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<MBWriteDlg*>(modal);
            if (dialog == nullptr) {
                modal->close();
                return;
            }
            title = dialog->windowTitle();
            frame = dialog->findChild<QGroupBox*>()->title();
            QTest::keyClicks(&dialog->valueEdit(), typed);
            QTest::keyClick(&dialog->valueEdit(), Qt::Key_Return);
        });
        QSignalSpy finished(&x.map, &ModbusView::exchangeFinished);
        if (how == "command") {
            x.f.frame.routeCommand(Command::mapWrite);
        } else if (how == "double click") {
            const QPoint at = x.map.visualRect(x.map.rows().index(row, 4)).center();
            QTest::mouseClick(x.map.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(x.map.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(x.map.viewport(), Qt::LeftButton, {}, at);
        } else {
            x.map.setFocus();
            QTest::keyClick(&x.map, Qt::Key_Return);
        }
        QVERIFY(finished.wait(kExchangeTimeoutMs));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(title, QString("Send Modbus Write (Register %1)").arg(reg));
        QCOMPARE(frame, point);
        QCOMPARE(x.linesStarting("Modbus Write"), QStringList{debugLine});
        QCOMPARE(x.valueOf(reg), shown);
        QCOMPARE(QString::fromStdString(x.entryOf(reg).valueText), shown);
        const sim::ModbusSlave slave(x.gateway->state().image);
        QCOMPARE(x.gateway->pointValue(slave.registers().at(reg.toUShort()).point), stored);
    }

    void anExtendedSlaveIdSendsNothing()
    {
        ExchangeFixture x;
        device::MemorySerialLink* line = nullptr;
        x.f.app.linkFactory().addVirtualPort("line", [&line] {
            auto link = std::make_unique<device::MemorySerialLink>();
            line = link.get();
            return link;
        });
        QVERIFY(x.f.app.attachPort("line"));
        QVERIFY(line != nullptr);
        x.f.g1->getPort0()->recordWord10 |= portFlagExtended;
        x.f.g1->getPort0()->recordWord8 = 300;
        x.map.selectRows({0});
        // Any dialog that opened would be the fault; it is counted and closed.
        int dialogs = 0;
        QTimer closer;
        closer.setInterval(5);
        connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++dialogs;
                modal->close();
            }
        });
        closer.start();

        for (Command command : {Command::mapPoll, Command::mapWrite}) {
            x.debugLines.clear();
            QVERIFY(x.enabled(command));
            x.f.frame.routeCommand(command);
            QVERIFY(!x.map.isExchanging());
            QVERIFY(!x.f.app.portBusy());
            QCOMPARE(x.debugLines, QStringList{device::modbus::EXTENDED_SLAVE_ID_ERROR});
        }
        QCOMPARE(dialogs, 0);
        QVERIFY(line->written().empty());
        QVERIFY(x.f.frame.outputWnd().isActive());
        QCOMPARE(x.column(kValueColumn).at(0), QString());
    }
};

QTEST_MAIN(ModbusViewExchangeTest)
#include "ModbusViewExchangeTest.moc"
