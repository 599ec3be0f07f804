// The Modbus tab without a gateway on the line: which commands are enabled when, moving,
// deleting and dragging map entries, the "Modbus" menu, the write-import and starting-register
// dialogs and the write dialog.

#include "device/modbus/ui/ModbusView.h"

#include "ViewTestSupport.h"
#include "controls/ClampSpinBox.h"
#include "device/modbus/ui/MBWriteDlg.h"
#include "dialogs/EditStartingRegisterDlg.h"
#include "dialogs/WriteImportDlg.h"
#include "model/FileNode.h"
#include "ui/ModalAnswers.h"
#include "ui/ProjectFixture.h"
#include "views/TarnView.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;
using device::modbus::MBWriteDlg;
using device::modbus::ModbusView;
using dialogs::EditStartingRegisterDlg;
using dialogs::WriteImportDlg;
using shell::Command;
using views::TarnView;

namespace {

constexpr int kPointColumn = 4;
constexpr int kRegisterColumn = 2;

const std::pair<Command, const char*> kMapCommands[] = {
    {Command::mapMoveUp, "Move Up"},
    {Command::mapMoveDown, "Move Down"},
    {Command::mapAddRefreshTime, "Add Refresh Time"},
    {Command::mapRemoveRefreshTime, "Remove Refresh Time"},
    {Command::mapDelete, "Delete"},
    {Command::mapPasteInteger, "Paste Integer"},
    {Command::mapPasteFloat, "Paste Float"},
    {Command::mapNewWriteImport, "New Write Import..."},
    {Command::mapModifyWriteImport, "Modify Write Import..."},
    {Command::mapEditStartingRegister, "Edit Starting Register..."},
    {Command::mapPoll, "Poll Modbus Register(s)"},
    {Command::mapWrite, "Write Value to Register"},
};

// Plant's Gateway with the map: integer table VIN 3001, Flow 3002, Level 3003 (its refresh
// row 3004 when asked for) and the write import Setpoint after it; floating-point table Temp
// 7001. The tabbed view shows the gateway on its Modbus tab.
struct MapFixture {
    TestApp t;
    PlantProject p{t.doc};
    TarnView view{t.app};
    ModbusView& map = view.modbusView();
    MBCommand* setpoint = nullptr;

    explicit MapFixture(bool levelRefresh)
    {
        ZAVGateway& g = *p.g1;
        (void)pasteToModbusMap(
            g, {pointNamed(g, "VIN"), pointNamed(g, "Flow"), pointNamed(g, "Level")}, false);
        setpoint = &addNewWriteImport(g, "Setpoint", false);
        (void)pasteToModbusMap(g, {pointNamed(g, "Temp")}, true);
        g.mapIntegerList()[2]->hasRefreshTime = levelRefresh;
        t.doc.setModifiedFlag(false);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::modbusTab);
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
        return static_cast<int>(column(kRegisterColumn).indexOf(reg));
    }
    void select(const QString& registers)
    {
        std::vector<int> rows;
        for (const QString& reg : registers.split(',', Qt::SkipEmptyParts)) {
            rows.push_back(rowOf(reg));
        }
        map.selectRows(rows);
    }
    [[nodiscard]] QStringList selectedRegisters() const
    {
        QStringList registers;
        for (int row : map.selectedRows()) {
            registers << column(kRegisterColumn).at(row);
        }
        return registers;
    }
    [[nodiscard]] QStringList enabledCommands()
    {
        QStringList enabled;
        for (const auto& [command, name] : kMapCommands) {
            if (view.commandEnabled(command).value_or(false)) {
                enabled << name;
            }
        }
        return enabled;
    }
    // The row's centre in the list's viewport.
    [[nodiscard]] QPoint centreOf(int row) const
    {
        return map.visualRect(map.rows().index(row, kPointColumn)).center();
    }
};

} // namespace

class ModbusViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theMapIsListedWithItsRefreshRows()
    {
        MapFixture f(true);
        QCOMPARE(f.column(kRegisterColumn),
                 QStringList({"3001", "3002", "3003", "3004", "3005", "7001"}));
        QCOMPARE(f.column(kPointColumn),
                 QStringList({"Base:VIN", "MBModule:Flow", "MBModule:Level",
                              "MBModule:Level:Refresh", "Setpoint", "MBModule:Temp"}));
        QCOMPARE(f.column(1),
                 QStringList({"Integer (16-bit)", "", "", "", "", "Floating Point (32-bit)"}));
        QVERIFY(f.map.isColumnHidden(6));
    }

    void commandsAreEnabledByTheirRules_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("enabled");
        const QStringList rowCommands{"Delete", "Poll Modbus Register(s)",
                                      "Write Value to Register"};
        // Any shown gateway takes a new write import and a new starting register.
        const QStringList gatewayCommands{"New Write Import...", "Edit Starting Register..."};
        QTest::newRow("nothing selected") << ""
                                          << "" << gatewayCommands;
        QTest::newRow("top row") << "3001"
                                 << ""
                                 << QStringList{"Move Down", "Add Refresh Time"} + rowCommands +
                                        gatewayCommands;
        QTest::newRow("refresh row")
            << "3004"
            << ""
            << QStringList{"Move Up", "Move Down", "Remove Refresh Time"} + rowCommands +
                   gatewayCommands;
        QTest::newRow("write import")
            << "3005"
            << ""
            << QStringList{"Move Up", "Add Refresh Time", "Modify Write Import..."} +
                   rowCommands + gatewayCommands;
        QTest::newRow("only float entry")
            << "7001"
            << "" << QStringList{"Add Refresh Time"} + rowCommands + gatewayCommands;
        QTest::newRow("two rows, the first without refresh time")
            << "3002,3003"
            << ""
            << QStringList{"Add Refresh Time", "Delete", "Poll Modbus Register(s)"} +
                   gatewayCommands;
        QTest::newRow("two rows, the first with refresh time")
            << "3003,3005"
            << ""
            << QStringList{"Remove Refresh Time", "Delete", "Poll Modbus Register(s)"} +
                   gatewayCommands;
        QTest::newRow("two rows, the first a write import")
            << "3005,7001"
            << ""
            << QStringList{"Add Refresh Time", "Delete", "Modify Write Import...",
                           "Poll Modbus Register(s)"} +
                   gatewayCommands;
        QTest::newRow("device connection open")
            << "3002"
            << "connection"
            << QStringList{"Move Up", "Move Down", "Add Refresh Time", "Delete"} + gatewayCommands;
        QTest::newRow("port held by another exchange")
            << "3002"
            << "port busy"
            << QStringList{"Move Up", "Move Down", "Add Refresh Time", "Delete"} + gatewayCommands;
        QTest::newRow("points copied from this gateway")
            << ""
            << "clipboard Gateway"
            << QStringList{"Paste Integer", "Paste Float"} + gatewayCommands;
        QTest::newRow("points copied from another gateway")
            << ""
            << "clipboard Gateway_2" << gatewayCommands;
        QTest::newRow("project root shown") << ""
                                            << "root" << QStringList();
    }
    void commandsAreEnabledByTheirRules()
    {
        QFETCH(QString, selected);
        QFETCH(QString, state);
        QFETCH(QStringList, enabled);
        MapFixture f(true);
        f.select(selected);
        if (state == "connection") {
            f.t.app.setConnectionOpen(true);
        } else if (state == "port busy") {
            f.t.app.setPortBusy(true);
        } else if (state == "clipboard Gateway") {
            f.t.app.importClipboard() = {pointNamed(*f.p.g1, "VIN")};
        } else if (state == "clipboard Gateway_2") {
            f.t.app.importClipboard() = {pointNamed(*f.p.g2, "VIN")};
        } else if (state == "root") {
            f.view.nodeSelected(f.t.doc.root(), nullptr);
        }
        QStringList expected; // in menu order
        for (const auto& [command, name] : kMapCommands) {
            if (enabled.contains(name)) {
                expected << name;
            }
        }
        QCOMPARE(f.enabledCommands(), expected);
        // A disabled command does nothing, and says it was taken.
        QVERIFY(f.view.runCommand(Command::mapDelete));
        QCOMPARE(f.t.doc.isModified(), enabled.contains("Delete"));
    }

    void pasteShowsItsTargetTableChecked()
    {
        MapFixture f(false);
        QCOMPARE(f.view.commandChecked(Command::mapPasteFloat), std::optional<bool>(true));
        QCOMPARE(f.view.commandChecked(Command::mapPasteInteger), std::optional<bool>(false));
        f.t.app.importClipboard() = {pointNamed(*f.p.g1, "Flow")};
        QVERIFY(f.view.runCommand(Command::mapPasteInteger));
        QCOMPARE(f.view.commandChecked(Command::mapPasteFloat), std::optional<bool>(false));
        QCOMPARE(f.view.commandChecked(Command::mapPasteInteger), std::optional<bool>(true));
        // "&Paste" follows the last choice.
        QVERIFY(f.view.runCommand(Command::paste));
        QCOMPARE(f.column(kPointColumn).count("MBModule:Flow"), 3);
        QCOMPARE(f.p.g1->mapFloatList().size(), size_t{1});
    }

    void moveTakesTheEntryWithItsRefreshRow_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("Flow up") << "3002" << true
                                 << QStringList{"MBModule:Flow",  "Base:VIN",
                                                "MBModule:Level", "MBModule:Level:Refresh",
                                                "Setpoint",       "MBModule:Temp"}
                                 << "3001";
        QTest::newRow("Level down from its refresh row")
            << "3004" << false
            << QStringList{"Base:VIN",       "MBModule:Flow",          "Setpoint",
                           "MBModule:Level", "MBModule:Level:Refresh", "MBModule:Temp"}
            << "3004";
        QTest::newRow("Setpoint up past Level's two rows")
            << "3005" << true
            << QStringList{"Base:VIN",       "MBModule:Flow",          "Setpoint",
                           "MBModule:Level", "MBModule:Level:Refresh", "MBModule:Temp"}
            << "3003";
    }
    void moveTakesTheEntryWithItsRefreshRow()
    {
        QFETCH(QString, selected);
        QFETCH(bool, up);
        QFETCH(QStringList, points);
        QFETCH(QString, selectedAfter);
        MapFixture f(true);
        f.select(selected);
        QVERIFY(f.view.runCommand(up ? Command::mapMoveUp : Command::mapMoveDown));
        QCOMPARE(f.column(kPointColumn), points);
        QCOMPARE(f.column(kRegisterColumn),
                 QStringList({"3001", "3002", "3003", "3004", "3005", "7001"}));
        QCOMPARE(f.selectedRegisters(), QStringList{selectedAfter});
        QVERIFY(f.t.doc.isModified());
    }

    void refreshTimeShiftsTheRegistersAfterIt()
    {
        MapFixture f(true);
        f.select("3002,3005");
        QVERIFY(f.view.runCommand(Command::mapAddRefreshTime));
        QCOMPARE(f.column(kPointColumn),
                 QStringList({"Base:VIN", "MBModule:Flow", "MBModule:Flow:Refresh",
                              "MBModule:Level", "MBModule:Level:Refresh", "Setpoint",
                              "Setpoint:Refresh", "MBModule:Temp"}));
        QCOMPARE(f.column(6), QStringList({"", "", "Refresh", "", "Refresh", "", "Refresh", ""}));
        // The entries stay selected, with their new refresh rows.
        QCOMPARE(f.selectedRegisters(), QStringList({"3002", "3003", "3006", "3007"}));
        QVERIFY(f.t.doc.isModified());

        QVERIFY(f.view.runCommand(Command::mapRemoveRefreshTime));
        QCOMPARE(f.column(kRegisterColumn),
                 QStringList({"3001", "3002", "3003", "3004", "3005", "7001"}));
        QCOMPARE(f.selectedRegisters(), QStringList({"3002", "3005"}));
    }

    void deleteUnlinksAWriteImportEverywhere()
    {
        MapFixture f(true);
        // Gateway_2 imports the write import, and it is on the clipboard.
        const std::vector<RFImport*> imported = importPoints(*f.p.g1, *f.p.g2, {f.setpoint});
        QCOMPARE(imported.size(), size_t{1});
        const auto importsOfSetpoint = [&] {
            return std::count_if(f.p.g2->sharedImports().begin(), f.p.g2->sharedImports().end(),
                                 [&](const auto& p) { return p.get() == imported.front(); });
        };
        QCOMPARE(importsOfSetpoint(), 1);
        f.t.app.importClipboard() = {f.setpoint};
        QSignalSpy viewsChanged(&f.map, &ModbusView::viewsChanged);

        // Level's two rows stand for one entry.
        f.select("3001,3003,3004,3005");
        QVERIFY(f.view.runCommand(Command::mapDelete));
        QCOMPARE(f.column(kPointColumn), QStringList({"MBModule:Flow", "MBModule:Temp"}));
        QCOMPARE(f.column(kRegisterColumn), QStringList({"3001", "7001"}));
        QVERIFY(f.p.g1->writeImports().empty());
        QCOMPARE(importsOfSetpoint(), 0);
        QVERIFY(f.t.app.importClipboard().empty());
        QCOMPARE(viewsChanged.count(), 1);
        QVERIFY(f.t.doc.isModified());

        // A plain entry leaves the other tabs as they are.
        f.select("3001");
        QVERIFY(f.view.runCommand(Command::mapDelete));
        QCOMPARE(f.column(kPointColumn), QStringList({"MBModule:Temp"}));
        QCOMPARE(viewsChanged.count(), 1);
    }

    void draggingMovesTheSelectedEntriesTogether()
    {
        MapFixture f(false);
        f.view.resize(700, 300);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QWidget* viewport = f.map.viewport();
        const int step = f.map.verticalHeader()->defaultSectionSize();
        f.select("3001,3002"); // VIN and Flow
        const QPoint start = f.centreOf(1);

        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QCOMPARE(f.selectedRegisters(), QStringList({"3001", "3002"}));
        QTest::mouseMove(viewport, start + QPoint(0, step + 2));
        QCOMPARE(f.column(kPointColumn), QStringList({"MBModule:Level", "Base:VIN", "MBModule:Flow",
                                                      "Setpoint", "MBModule:Temp"}));
        QTest::mouseMove(viewport, start + QPoint(0, 2 * step + 2));
        QCOMPARE(f.column(kPointColumn), QStringList({"MBModule:Level", "Setpoint", "Base:VIN",
                                                      "MBModule:Flow", "MBModule:Temp"}));
        // Flow is the last integer entry: the pair goes no further, nor into the float table.
        QTest::mouseMove(viewport, start + QPoint(0, 4 * step + 2));
        QCOMPARE(f.column(kPointColumn), QStringList({"MBModule:Level", "Setpoint", "Base:VIN",
                                                      "MBModule:Flow", "MBModule:Temp"}));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, start + QPoint(0, 4 * step + 2));
        QCOMPARE(f.selectedRegisters(), QStringList({"3003", "3004"}));
        QVERIFY(f.t.doc.isModified());

        // A click without a drag on one of the selected rows selects it alone.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, f.centreOf(3));
        QCOMPARE(f.selectedRegisters(), QStringList{"3004"});
    }

    void draggingARefreshRowMovesItsEntry()
    {
        MapFixture f(true);
        f.view.resize(700, 300);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QWidget* viewport = f.map.viewport();
        const int step = f.map.verticalHeader()->defaultSectionSize();
        const QPoint start = f.centreOf(f.rowOf("3004"));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, start);
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QTest::mouseMove(viewport, start - QPoint(0, step + 2));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, start - QPoint(0, step + 2));
        QCOMPARE(f.column(kPointColumn),
                 QStringList({"Base:VIN", "MBModule:Level", "MBModule:Level:Refresh",
                              "MBModule:Flow", "Setpoint", "MBModule:Temp"}));
        QCOMPARE(f.selectedRegisters(), QStringList({"3002", "3003"}));
    }

    void theContextMenuOffersTheMapCommands()
    {
        ProjectFixture f;
        ZAVGateway& g = *f.g1;
        (void)pasteToModbusMap(g, {pointNamed(g, "VIN")}, false);
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        f.frame.openNode(*f.g1, TarnView::modbusTab);
        TarnView& view = f.frame.tarnView();
        QCOMPARE(view.currentIndex(), int(TarnView::modbusTab));
        ModbusView& map = view.modbusView();
        map.selectRows({0});
        const QPoint at = map.visualRect(map.rows().index(0, 4)).center();
        const auto menu = closeNextMenu();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, map.viewport()->mapToGlobal(at));
        QApplication::sendEvent(map.viewport(), &event);
        QVERIFY(menu->shown);
        QStringList all;
        for (const auto& [command, name] : kMapCommands) {
            all << name;
        }
        QCOMPARE(menu->all, all);
        // No gateway is attached: Poll and Write still go, and report the closed port.
        QCOMPARE(menu->enabled,
                 QStringList({"Add Refresh Time", "Delete", "New Write Import...",
                              "Edit Starting Register...", "Poll Modbus Register(s)",
                              "Write Value to Register"}));
    }

    // The three dialog commands, each answered as a user would.
    void writeImportsAndTheStartingRegisterGoThroughTheirDialogs()
    {
        MapFixture f(false);
        // New: a float write import goes after Temp in the floating-point table.
        answerNextDialog<WriteImportDlg>([](WriteImportDlg& dialog) {
            dialog.floatButton().click();
            QTest::keyClicks(&dialog.nameBox(), "Pump");
            QTest::keyClick(&dialog.nameBox(), Qt::Key_Return);
        });
        QVERIFY(f.view.runCommand(Command::mapNewWriteImport));
        QCOMPARE(f.column(kRegisterColumn),
                 QStringList({"3001", "3002", "3003", "3004", "7001", "7002"}));
        QCOMPARE(f.column(kPointColumn).last(), QString("Pump"));
        QVERIFY(f.t.doc.isModified());

        // Modify: Setpoint is renamed and stays in the integer table, whatever the type shown.
        f.select("3004");
        answerNextDialog<WriteImportDlg>([](WriteImportDlg& dialog) {
            QVERIFY(dialog.isModify());
            QVERIFY(dialog.integerButton().isChecked());
            QVERIFY(!dialog.floatButton().isEnabled());
            dialog.nameBox().setText("Valve");
            dialog.okButton().click();
        });
        QVERIFY(f.view.runCommand(Command::mapModifyWriteImport));
        QCOMPARE(f.column(kPointColumn).at(3), QString("Valve"));
        QCOMPARE(f.column(kRegisterColumn).at(3), QString("3004"));

        // Starting register: the integer table renumbers from it; Cancel changes nothing.
        answerNextDialog<EditStartingRegisterDlg>([](EditStartingRegisterDlg& dialog) {
            QCOMPARE(dialog.startingRegister(), 3001);
            dialog.registerBox().setValue(100);
            dialog.accept();
        });
        QVERIFY(f.view.runCommand(Command::mapEditStartingRegister));
        QCOMPARE(f.column(kRegisterColumn),
                 QStringList({"100", "101", "102", "103", "7001", "7002"}));
        answerNextDialog<EditStartingRegisterDlg>([](EditStartingRegisterDlg& dialog) {
            dialog.registerBox().setValue(5);
            dialog.reject();
        });
        QVERIFY(f.view.runCommand(Command::mapEditStartingRegister));
        QCOMPARE(f.column(kRegisterColumn).first(), QString("100"));
    }

    void sendIsEnabledOnlyForAValueTheRegisterTakes_data()
    {
        QTest::addColumn<int>("reg");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << 3001 << "" << false;
        QTest::newRow("zero") << 3001 << "0" << true;
        QTest::newRow("largest integer") << 3001 << "32767" << true;
        QTest::newRow("above 32767") << 3001 << "32768" << false;
        QTest::newRow("far above") << 3001 << "40000" << false;
        QTest::newRow("leading zeros") << 3001 << "00012" << true;
        QTest::newRow("fraction on an integer register") << 3001 << "1.5" << false;
        QTest::newRow("sign") << 3001 << "-1" << false;
        QTest::newRow("last integer register") << 7000 << "1.5" << false;
        QTest::newRow("fraction on a float register") << 7001 << "1.5" << true;
        QTest::newRow("leading point") << 7001 << ".5" << true;
        QTest::newRow("trailing point") << 7001 << "15." << true;
        QTest::newRow("point alone") << 7001 << "." << false;
        QTest::newRow("two points") << 7001 << "1.2.3" << false;
        QTest::newRow("large float") << 7001 << "99999" << true;
        QTest::newRow("beyond a float") << 7001 << QString(41, '9') << false;
    }
    void sendIsEnabledOnlyForAValueTheRegisterTakes()
    {
        QFETCH(int, reg);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        MBWriteDlg dialog(static_cast<uint16_t>(reg), QString::number(reg), "Base:VIN");
        dialog.valueEdit().setMaxLength(64);
        dialog.valueEdit().setText(text);
        QCOMPARE(dialog.sendButton().isEnabled(), enabled);
        QCOMPARE(dialog.value().has_value(), enabled);
    }

    void theWriteDialogTakesTheKeyboard()
    {
        MBWriteDlg dialog(3001, "3001", "Base:VIN");
        QCOMPARE(dialog.windowTitle(), QString("Send Modbus Write (Register 3001)"));
        QVERIFY(dialog.findChild<QGroupBox*>() != nullptr);
        QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QString("Base:VIN"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(QApplication::focusWidget(), &dialog.valueEdit());
        // The integer register takes digits only.
        QTest::keyClicks(&dialog.valueEdit(), "-1.5x");
        QCOMPARE(dialog.valueEdit().text(), QString("15"));
        QTest::keyClicks(&dialog.valueEdit(), "00000");
        QVERIFY(!dialog.sendButton().isEnabled());
        QTest::keyClick(&dialog.valueEdit(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        dialog.valueEdit().setText("1500");
        QTest::keyClick(&dialog.valueEdit(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.value()->integer, uint16_t{1500});

        MBWriteDlg cancelled(7001, "7001", "Speed");
        cancelled.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cancelled));
        QTest::keyClicks(&cancelled.valueEdit(), "2.5");
        QCOMPARE(cancelled.valueEdit().text(), QString("2.5"));
        QTest::keyClick(&cancelled.valueEdit(), Qt::Key_Escape);
        QVERIFY(!cancelled.isVisible());
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(ModbusViewTest)
#include "ModbusViewTest.moc"
