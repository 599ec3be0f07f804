// The point dialogs of the Modbus tab and the module pages, and the user options: what each
// starts from, what it hands back and which settings it writes when.

#include "ModalAnswers.h"
#include "ViewTestSupport.h"
#include "controls/ClampSpinBox.h"
#include "dialogs/EditStartingRegisterDlg.h"
#include "dialogs/OutputNameDlg.h"
#include "dialogs/UserOptionsDlg.h"
#include "dialogs/WriteImportDlg.h"
#include "gateway/PointCommands.h"
#include "model/ModbusMap.h"
#include "settings/ProjectSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;

namespace {

struct RecordingSink final : NotificationSink {
    std::vector<int> codes;
    void notify(const Notification& notification) override { codes.push_back(notification.code); }
};

struct Settings {
    MemorySettingsStore store;
    ProjectSettings settings{store};
};

// Shows the dialog as the user gets it, active, with its first field focused.
void showActive(QDialog& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

void pressOn(QWidget* target, Qt::Key key)
{
    QTest::keyClick(target != nullptr ? target : QApplication::focusWidget(), key);
}

const ModbusMap* entryShowing(const ZAVGateway& gateway, const Import& point)
{
    for (const auto* list : {&gateway.mapIntegerList(), &gateway.mapFloatList()}) {
        for (const auto& entry : *list) {
            if (entry->point == &point) {
                return entry.get();
            }
        }
    }
    return nullptr;
}

} // namespace

class PointDialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newWriteImportStartsFromTheLastType_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("startsFloat");
        QTest::newRow("integer last") << 0 << false;
        QTest::newRow("float last") << 1 << true;
    }
    void newWriteImportStartsFromTheLastType()
    {
        QFETCH(int, stored);
        QFETCH(bool, startsFloat);
        Settings s;
        s.settings.setMbWriteImportSettings(stored);
        dialogs::WriteImportDlg dialog(s.settings);
        QCOMPARE(dialog.windowTitle(), QString("Write Import"));
        QCOMPARE(dialog.isFloat(), startsFloat);
        QVERIFY(dialog.nameBox().text().isEmpty());
        QVERIFY(dialog.integerButton().isEnabled());
        QVERIFY(dialog.floatButton().isEnabled());
    }

    void newWriteImportWaitsForANameAndRemembersTheTypeAtOnce()
    {
        Settings s;
        TestApp t;
        PlantProject p(t.doc);
        dialogs::WriteImportDlg dialog(s.settings);
        showActive(dialog);
        QSignalSpy accepted(&dialog, &QDialog::accepted);

        // No name: Enter leaves the dialog open, without a message.
        pressOn(&dialog.nameBox(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(accepted.count(), 0);

        QTest::mouseClick(&dialog.floatButton(), Qt::LeftButton);
        QCOMPARE(s.store.values().at("mbWriteImportSettings"), MemorySettingsStore::Value(1));
        QTest::keyClicks(&dialog.nameBox(), "Setpoint");
        pressOn(&dialog.nameBox(), Qt::Key_Return);
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(dialog.name(), std::string("Setpoint"));
        QVERIFY(dialog.isFloat());

        // What the Modbus tab then makes of it: a float write import in the float table.
        MBCommand& point = addNewWriteImport(*p.g1, dialog.name(), dialog.isFloat());
        QCOMPARE(point.formatWord, int16_t{2});
        QCOMPARE(point.sizeWord, int16_t{4});
        const ModbusMap* entry = entryShowing(*p.g1, point);
        QVERIFY(entry != nullptr);
        QCOMPARE(int(entry->formatCode), 2);
    }

    void aTypeClickedInACancelledDialogIsStillRemembered()
    {
        Settings s;
        s.settings.setMbWriteImportSettings(1);
        dialogs::WriteImportDlg dialog(s.settings);
        showActive(dialog);
        QTest::mouseClick(&dialog.integerButton(), Qt::LeftButton);
        pressOn(&dialog.nameBox(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(s.store.values().at("mbWriteImportSettings"), MemorySettingsStore::Value(0));
    }

    void modifyingAWriteImportKeepsItsType()
    {
        Settings s;
        TestApp t;
        PlantProject p(t.doc);
        MBCommand& point = addNewWriteImport(*p.g1, "Valve", true);
        const ModbusMap* entry = entryShowing(*p.g1, point);
        QVERIFY(entry != nullptr);
        s.settings.setMbWriteImportSettings(0);

        dialogs::WriteImportDlg dialog(s.settings, point.pointName, true);
        showActive(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Modify Write Import"));
        QCOMPARE(dialog.nameBox().text(), QString("Valve"));
        QVERIFY(dialog.floatButton().isChecked());
        QVERIFY(!dialog.integerButton().isEnabled());
        QVERIFY(!dialog.floatButton().isEnabled());

        // Neither a click nor the mnemonic reaches the disabled type.
        QTest::mouseClick(&dialog.integerButton(), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_I, Qt::AltModifier);
        QVERIFY(dialog.isFloat());
        QCOMPARE(s.store.values().at("mbWriteImportSettings"), MemorySettingsStore::Value(0));

        // An emptied name cannot be confirmed.
        dialog.nameBox().clear();
        QVERIFY(!dialog.okButton().isEnabled());
        QTest::keyClicks(&dialog.nameBox(), "Valve_2");
        pressOn(&dialog.nameBox(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(p.g1->editWriteImport(*entry, dialog.name()));
        QCOMPARE(point.pointName, std::string("Valve_2"));
        QCOMPARE(point.formatWord, int16_t{2});
        QCOMPARE(int(entry->formatCode), 2);
    }

    void outputNameNeverHandsBackAnEmptyName()
    {
        dialogs::OutputNameDlg dialog("Flow");
        showActive(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Edit Point Name"));
        QCOMPARE(dialog.nameBox().text(), QString("Flow"));
        QCOMPARE(dialog.nameBox().selectedText(), QString("Flow"));

        QTest::keyClicks(&dialog.nameBox(), "Rate");
        QCOMPARE(dialog.name(), std::string("Rate"));
        dialog.nameBox().selectAll();
        QTest::keyClick(&dialog.nameBox(), Qt::Key_Delete);
        QCOMPARE(dialog.name(), std::string("Rate"));
        QVERIFY(!dialog.okButton().isEnabled());
        pressOn(&dialog.nameBox(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());

        QTest::keyClicks(&dialog.nameBox(), "Total");
        pressOn(&dialog.nameBox(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.name(), std::string("Total"));
    }

    void startingRegisterTakesDigitsWithinItsRange_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("result");
        QTest::newRow("untouched") << 1001 << "" << 1001;
        QTest::newRow("in range") << 1001 << "42" << 42;
        QTest::newRow("above the range") << 1001 << "5000" << 3001;
        QTest::newRow("the highest") << 0 << "3001" << 3001;
        QTest::newRow("a minus sign is no digit") << 1001 << "-7" << 7;
        QTest::newRow("letters are no digits") << 1001 << "1x2" << 12;
        QTest::newRow("emptied keeps the old value") << 77 << "\b" << 77;
    }
    void startingRegisterTakesDigitsWithinItsRange()
    {
        QFETCH(int, start);
        QFETCH(QString, typed);
        QFETCH(int, result);
        dialogs::EditStartingRegisterDlg dialog(start);
        showActive(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Edit Starting Register"));
        QCOMPARE(dialog.startingRegister(), start);
        controls::ClampSpinBox& box = dialog.registerBox();
        QCOMPARE(QApplication::focusWidget(), &box);
        box.selectAll();
        for (const QChar c : typed) {
            if (c == u'\b') {
                QTest::keyClick(&box, Qt::Key_Backspace);
            } else {
                QTest::keyClicks(&box, QString(c));
            }
        }
        pressOn(&box, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.startingRegister(), result);
    }

    void userOptionsOpenFromTheSettings_data()
    {
        QTest::addColumn<bool>("restorePending");
        QTest::addColumn<bool>("dump");
        QTest::addColumn<int>("portMode");
        QTest::newRow("defaults") << false << false << 0;
        QTest::newRow("restore pending, dump, Modbus") << true << true << 1;
    }
    void userOptionsOpenFromTheSettings()
    {
        QFETCH(bool, restorePending);
        QFETCH(bool, dump);
        QFETCH(int, portMode);
        Settings s;
        RecordingSink sink;
        s.settings.setConfigLogFile("/var/log/quillan/trace.log");
        s.settings.setDumpEnabled(dump);
        s.settings.setDefaultConfigPortMode(portMode);
        if (restorePending) {
            s.settings.restoreDefaultView();
        }
        dialogs::UserOptionsDlg dialog(s.settings, sink, {});
        QCOMPARE(dialog.windowTitle(), QString("User Options"));
        QCOMPARE(dialog.logBox().text(), QString("/var/log/quillan/trace.log"));
        QCOMPARE(dialog.restoreViewBox().isChecked(), restorePending);
        QCOMPARE(dialog.restoreViewBox().isEnabled(), !restorePending);
        QCOMPARE(dialog.dumpBox().isChecked(), dump);
        QCOMPARE(dialog.portModeList().currentIndex(), portMode);
        QCOMPARE(dialog.portModeList().currentText(), portMode == 0 ? "Debug" : "Modbus");
    }

    void userOptionsWriteEverythingOnOkOnly()
    {
        Settings s;
        RecordingSink sink;
        s.settings.setConfigLogFile("Debug.log");
        dialogs::UserOptionsDlg dialog(s.settings, sink, {});
        showActive(dialog);

        QTest::mouseClick(&dialog.clearDebugButton(), Qt::LeftButton);
        QCOMPARE(sink.codes, std::vector<int>{MSG_CLEAR_DEBUG});
        QVERIFY(dialog.isVisible());

        dialog.logBox().setText("/tmp/other.log");
        dialog.restoreViewBox().setChecked(true);
        dialog.dumpBox().setChecked(true);
        dialog.portModeList().setCurrentIndex(1);
        QCOMPARE(s.settings.configLogFile(), std::string("Debug.log"));
        QVERIFY(!s.settings.restoreDefaultViewRequested());
        QVERIFY(!s.settings.isDumpEnabled());

        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(s.settings.configLogFile(), std::string("/tmp/other.log"));
        QCOMPARE(s.store.values().at("configLogFile"),
                 MemorySettingsStore::Value(std::string("/tmp/other.log")));
        QCOMPARE(s.store.values().at("defaultConfigPortMode"), MemorySettingsStore::Value(1));
        QVERIFY(s.settings.restoreDefaultViewRequested());
        QVERIFY(s.settings.isDumpEnabled());
    }

    void userOptionsCancelledWriteNothing()
    {
        Settings s;
        RecordingSink sink;
        dialogs::UserOptionsDlg dialog(s.settings, sink, {{"ttyS0"}, std::nullopt});
        const int writes = s.store.writeAttempts();
        dialog.logBox().setText("/tmp/other.log");
        dialog.dumpBox().setChecked(true);
        dialog.simulatorButton().setChecked(true);
        dialog.reject();
        QCOMPARE(s.store.writeAttempts(), writes);
        QCOMPARE(s.settings.portOverride(), std::string());
    }

    void userOptionsRefuseAnEmptyLogPath()
    {
        Settings s;
        RecordingSink sink;
        s.settings.setConfigLogFile("Debug.log");
        dialogs::UserOptionsDlg dialog(s.settings, sink, {});
        showActive(dialog);
        dialog.logBox().clear();
        dialog.dumpBox().setChecked(true);
        const auto seen = answerNextBox(QMessageBox::Ok);
        dialog.accept();
        QVERIFY(seen->shown);
        QCOMPARE(seen->title, QString("User Options"));
        QCOMPARE(seen->text, QString("Please enter the path of the log file."));
        QVERIFY(dialog.isVisible());
        QCOMPARE(s.settings.configLogFile(), std::string("Debug.log"));
        QVERIFY(!s.settings.isDumpEnabled());
    }

    void userOptionsChooseTheGatewayPort_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("startsAs");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("override");
        QTest::newRow("detected to a named port") << ""
                                                  << "detect"
                                                  << "ttyUSB3"
                                                  << "ttyUSB3";
        QTest::newRow("named to the simulator") << "ttyUSB3"
                                                << "named"
                                                << "sim"
                                                << "sim";
        QTest::newRow("simulator to detected") << "sim"
                                               << "simulator"
                                               << "detect"
                                               << "";
        QTest::newRow("a port not in the list") << ""
                                                << "detect"
                                                << "/dev/pts/7"
                                                << "/dev/pts/7";
    }
    void userOptionsChooseTheGatewayPort()
    {
        QFETCH(QString, stored);
        QFETCH(QString, startsAs);
        QFETCH(QString, choice);
        QFETCH(QString, override);
        Settings s;
        RecordingSink sink;
        s.settings.setPortOverride(stored.toStdString());
        dialogs::UserOptionsDlg dialog(s.settings, sink, {{"ttyS0", "ttyUSB3"}, std::nullopt});
        QCOMPARE(dialog.detectButton().isChecked(), startsAs == "detect");
        QCOMPARE(dialog.namedPortButton().isChecked(), startsAs == "named");
        QCOMPARE(dialog.simulatorButton().isChecked(), startsAs == "simulator");
        QCOMPARE(dialog.portNameBox().isEnabled(), startsAs == "named");
        QCOMPARE(dialog.portNameBox().count(), 2);
        if (startsAs == "named") {
            QCOMPARE(dialog.portNameBox().currentText(), stored);
        }

        if (choice == "detect") {
            dialog.detectButton().setChecked(true);
        } else if (choice == "sim") {
            dialog.simulatorButton().setChecked(true);
        } else {
            dialog.namedPortButton().setChecked(true);
            QVERIFY(dialog.portNameBox().isEnabled());
            dialog.portNameBox().setCurrentText(choice);
        }
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(s.settings.portOverride(), override.toStdString());
    }

    void userOptionsRefuseANamedPortWithoutAName()
    {
        Settings s;
        RecordingSink sink;
        dialogs::UserOptionsDlg dialog(s.settings, sink, {});
        showActive(dialog);
        dialog.namedPortButton().setChecked(true);
        const auto seen = answerNextBox(QMessageBox::Ok);
        dialog.accept();
        QVERIFY(seen->shown);
        QCOMPARE(seen->text, QString("Please enter the name of the serial port."));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), &dialog.portNameBox());
    }

    void aPortGivenOnTheCommandLineIsNotChosenHere()
    {
        Settings s;
        RecordingSink sink;
        s.settings.setPortOverride("ttyUSB3");
        dialogs::UserOptionsDlg dialog(s.settings, sink, {{"ttyS0"}, std::string("sim")});
        QVERIFY(dialog.simulatorButton().isChecked());
        for (QWidget* choice : {static_cast<QWidget*>(&dialog.detectButton()),
                                static_cast<QWidget*>(&dialog.namedPortButton()),
                                static_cast<QWidget*>(&dialog.simulatorButton())}) {
            QVERIFY(!choice->isEnabled());
        }
        dialog.accept();
        QCOMPARE(s.settings.portOverride(), std::string("ttyUSB3"));
    }
};

QTEST_MAIN(PointDialogsTest)
#include "PointDialogsTest.moc"
