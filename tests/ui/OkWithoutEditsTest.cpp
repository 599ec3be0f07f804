// Looking changes nothing: every dialog and property page, opened on a project that has
// something for each of its fields, walked through with Tab as a person reads it and closed with
// OK without an edit, leaves the project's bytes and the settings as they were. A value a field
// cannot hold is shown at the end of its range, and that is what OK writes.

#include "ModalAnswers.h"
#include "ViewTestSupport.h"
#include "controls/ClampSpinBox.h"
#include "device/modbus/ui/ModbusView.h"
#include "dialogs/EditStartingRegisterDlg.h"
#include "dialogs/ExportIntervalDlg.h"
#include "dialogs/MapImportsDlg.h"
#include "dialogs/NewSiteDlg.h"
#include "dialogs/OutputNameDlg.h"
#include "dialogs/ScaleImportDlg.h"
#include "dialogs/UserOptionsDlg.h"
#include "dialogs/WriteImportDlg.h"
#include "gateway/IoModuleRules.h"
#include "gateway/ui/ConfigPortPage.h"
#include "gateway/ui/IOBusPage.h"
#include "gateway/ui/IoPortPage.h"
#include "gateway/ui/MBInputPage.h"
#include "gateway/ui/MBOutputPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "gateway/ui/P2PortPage.h"
#include "gateway/ui/RFPage.h"
#include "gateway/ui/ZAVModuleDlg.h"
#include "model/FileNode.h"
#include "model/Site.h"
#include "views/TarnView.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimeEdit>
#include <QtTest>
#include <algorithm>
#include <functional>

using namespace quillan;
using namespace quillan::test;
using gateway::ui::NodePropertySheet;
using shell::Command;
using views::TarnView;

namespace {

// Plant with something for every field: offsets of 0.25 and a gain of 0.009765625, neither shown
// exactly at the scale dialog's decimals, on Flow and on Gateway_2's import of VIN (which makes
// an export on Gateway); an I/O module of each kind, map entries in both tables, a write import and
// module outputs of different intervals.
struct Fixture {
    TestApp t;
    PlantProject p{t.doc};
    TarnView view{t.app};
    NullNotificationSink sink;
    MBModule& module = dynamic_cast<MBModule&>(*p.module);

    Fixture()
    {
        ZAVGateway& g = *p.g1;
        Import& vin = *pointNamed(g, "VIN");
        pointNamed(g, "Flow")->offset = 0.25f;
        for (uint8_t kind : {ioKindAm1, ioKindAm2, ioKindDm}) {
            IoModuleChoices choices;
            choices.kind = kind;
            choices.address = kind;
            choices.interval = 65;
            choices.inputUnits = kind == ioKindAm2 ? 1 : 0;
            choices.output1Units = 3;
            choices.output2Units = 2;
            choices.groups = groupInputs | groupCounts;
            choices.mapOptions = 3;
            QCOMPARE(QString::fromStdString(addNewIoModule(g, choices)), QString());
        }
        RFImport& shared = *importPoints(g, *p.g2, {&vin}).front();
        shared.gain = 0.009765625f;
        shared.offset = 0.25f;
        QCOMPARE(QString::fromStdString(pasteToModbusMap(g, {&vin, pointNamed(g, "Flow")}, false)),
                 QString());
        QCOMPARE(QString::fromStdString(pasteToModbusMap(g, {pointNamed(g, "Temp")}, true)),
                 QString());
        (void)addNewWriteImport(g, "Setpoint", true);
        // Two outputs with different intervals: OK must not give the second the first's.
        module.getModuleOutputs()->at(1)->interval = 120;
        // Settings as a user who has closed Options with OK has them: OK writes them all.
        ProjectSettings& settings = t.app.settings();
        settings.setDefaultConfigPortMode(settings.defaultConfigPortMode());
        settings.setDumpEnabled(settings.isDumpEnabled());
        // Showing a map numbers its entries; the project is taken as the program shows it.
        for (Node* gateway : {static_cast<Node*>(p.g1), static_cast<Node*>(p.g2)}) {
            show(gateway, TarnView::modbusTab);
        }
        t.doc.setModifiedFlag(false);
    }

    void show(Node* node, TarnView::Tab tab)
    {
        view.nodeSelected(node, nullptr);
        view.setCurrentIndex(tab);
    }
};

// The first row of the list with cells of those texts.
int rowWith(const views::PointListView& list, const QStringList& texts)
{
    for (int row = 0; row < list.rows().rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < list.rows().columnCount(); ++c) {
            cells << list.rows().index(row, c).data().toString().trimmed();
        }
        if (std::all_of(texts.begin(), texts.end(),
                        [&cells](const QString& text) { return cells.contains(text); })) {
            return row;
        }
    }
    return -1;
}

// Tab from the focused field round to where it started, so that every field has the focus once.
void tabRound()
{
    QWidget* start = QApplication::focusWidget();
    QVERIFY(start != nullptr);
    for (int i = 0; i < 80; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == start) {
            return;
        }
    }
    QFAIL("Tab does not come round");
}

QPushButton& okOf(QDialog& dialog)
{
    if (auto* sheet = qobject_cast<NodePropertySheet*>(&dialog)) {
        return sheet->okButton();
    }
    for (auto* box : dialog.findChildren<QDialogButtonBox*>()) {
        if (box->window() == &dialog) {
            return *box->button(QDialogButtonBox::Ok);
        }
    }
    qFatal("the dialog has no OK");
}

// Each field of the dialog, or of each page of a sheet, has the focus in turn; then a nested
// dialog may be looked at (inside) before OK is clicked.
template <class D> void lookAtNext(bool& accepted, std::function<void(D&)> inside = {})
{
    answerNextDialog<D>([&accepted, inside](D& dialog) {
        if (QTest::qWaitForWindowActive(&dialog)) {
            if (auto* sheet = qobject_cast<NodePropertySheet*>(&dialog)) {
                for (int i = 0; i < sheet->pageCount(); ++i) {
                    sheet->setCurrentPage(i);
                    sheet->tabs().tabBar()->setFocus(Qt::TabFocusReason);
                    tabRound();
                }
            } else {
                tabRound();
            }
            if (inside) {
                inside(dialog);
            }
            okOf(dialog).click();
            accepted = dialog.result() == QDialog::Accepted;
        }
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
}

using Look = std::function<bool(Fixture&)>;

// Where two saves of the project part, for the failure message.
QByteArray firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) {
        ++at;
    }
    if (at == a.size() && at == b.size()) {
        return {};
    }
    return QString("%1 and %2 bytes, first difference at %3")
        .arg(a.size())
        .arg(b.size())
        .arg(at)
        .toLatin1();
}

bool atPage(NodePropertySheet& sheet, const char* title)
{
    for (int i = 0; i < sheet.pageCount(); ++i) {
        if (sheet.tabs().tabText(i) == title) {
            sheet.setCurrentPage(i);
            return true;
        }
    }
    return false;
}

bool scale(Fixture& f, ZAVGateway& gateway, const QStringList& point)
{
    f.show(&gateway, TarnView::importsTab);
    auto& list = f.view.list(TarnView::importsTab);
    list.selectRows({rowWith(list, point)});
    bool accepted = false;
    lookAtNext<dialogs::ScaleImportDlg>(accepted);
    (void)f.view.runCommand(Command::importScaling);
    return accepted;
}

const std::pair<const char*, Look> kLooks[] = {
    {"scale a module input", [](Fixture& f) { return scale(f, *f.p.g1, {"MBModule:Flow"}); }},
    {"scale a shared import",
     [](Fixture& f) {
         return scale(f, *f.p.g2, {"Gateway", "Base:VIN"});
     }},
    {"export interval",
     [](Fixture& f) {
         f.show(f.p.g1, TarnView::exportsTab);
         f.view.list(TarnView::exportsTab).selectRows({0});
         bool accepted = false;
         lookAtNext<dialogs::ExportIntervalDlg>(accepted);
         (void)f.view.runCommand(Command::exportInterval);
         return accepted;
     }},
    {"output interval",
     [](Fixture& f) {
         f.show(f.p.g1, TarnView::outputsTab);
         f.view.list(TarnView::outputsTab).selectRows({0, 1});
         bool accepted = false;
         lookAtNext<dialogs::ExportIntervalDlg>(accepted);
         (void)f.view.runCommand(Command::outputInterval);
         return accepted;
     }},
    {"modify write import",
     [](Fixture& f) {
         f.show(f.p.g1, TarnView::modbusTab);
         auto& map = f.view.modbusView();
         map.selectRows({rowWith(map, {"Setpoint"})});
         bool accepted = false;
         lookAtNext<dialogs::WriteImportDlg>(accepted);
         (void)f.view.runCommand(Command::mapModifyWriteImport);
         return accepted;
     }},
    {"starting register",
     [](Fixture& f) {
         f.show(f.p.g1, TarnView::modbusTab);
         bool accepted = false;
         lookAtNext<dialogs::EditStartingRegisterDlg>(accepted);
         (void)f.view.runCommand(Command::mapEditStartingRegister);
         return accepted;
     }},
    {"edit site",
     [](Fixture& f) {
         f.show(f.t.doc.root(), TarnView::deviceTab);
         auto& list = f.view.list(TarnView::deviceTab);
         for (int row = 0; row < list.rows().rowCount(); ++row) {
             if (list.rows().itemAt<Site>(row) != nullptr) {
                 list.selectRows({row});
                 break;
             }
         }
         bool accepted = false;
         lookAtNext<dialogs::NewSiteDlg>(accepted);
         (void)f.view.runCommand(Command::siteProperties);
         return accepted;
     }},
    {"user options",
     [](Fixture& f) {
         dialogs::UserOptionsDlg dialog(f.t.app.settings(), f.sink,
                                        dialogs::UserOptionsDlg::Ports{{"ttyS0"}, std::nullopt});
         bool accepted = false;
         lookAtNext<dialogs::UserOptionsDlg>(accepted);
         (void)dialog.exec();
         return accepted;
     }},
    {"gateway sheet",
     [](Fixture& f) {
         bool accepted = false;
         lookAtNext<NodePropertySheet>(accepted);
         (void)gateway::ui::showGatewayProperties(f.t.app, *f.p.g1, nullptr);
         return accepted;
     }},
    {"IO module dialog of each kind",
     [](Fixture& f) {
         bool accepted = false;
         bool allModules = true;
         lookAtNext<NodePropertySheet>(accepted, [&allModules](NodePropertySheet& sheet) {
             allModules = atPage(sheet, "IO Bus");
             auto* page = qobject_cast<gateway::ui::IOBusPage*>(sheet.currentPage());
             for (int row = 0; page != nullptr && row < 3; ++row) {
                 bool moduleAccepted = false;
                 lookAtNext<gateway::ui::ZAVModuleDlg>(moduleAccepted);
                 page->selectModuleRow(row);
                 page->moduleList().setFocus();
                 // Enter opens the module, as a double-click does.
                 QTest::keyClick(&page->moduleList(), Qt::Key_Return);
                 allModules = allModules && moduleAccepted;
             }
         });
         (void)gateway::ui::showGatewayProperties(f.t.app, *f.p.g1, nullptr);
         return accepted && allModules;
     }},
    {"Modbus module sheet",
     [](Fixture& f) {
         bool accepted = false;
         lookAtNext<NodePropertySheet>(accepted);
         (void)gateway::ui::showModbusModuleProperties(f.t.app, f.module, nullptr);
         return accepted;
     }},
    {"output name of an input and an output",
     [](Fixture& f) {
         bool accepted = false;
         bool named = true;
         lookAtNext<NodePropertySheet>(accepted, [&named](NodePropertySheet& sheet) {
             named = atPage(sheet, "Modbus Inputs");
             auto* inputs = qobject_cast<gateway::ui::MBInputPage*>(sheet.currentPage());
             bool inputNamed = false;
             lookAtNext<dialogs::OutputNameDlg>(inputNamed);
             inputs->list().selectRows({1});
             inputs->editName();
             named = named && inputNamed && atPage(sheet, "Modbus Outputs");
             auto* outputs = qobject_cast<gateway::ui::MBOutputPage*>(sheet.currentPage());
             bool outputNamed = false;
             lookAtNext<dialogs::OutputNameDlg>(outputNamed);
             outputs->list().selectRows({2});
             outputs->editName();
             named = named && outputNamed;
         });
         (void)gateway::ui::showModbusModuleProperties(f.t.app, f.module, nullptr);
         return accepted && named;
     }},
};

} // namespace

class OkWithoutEditsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lookingChangesNothing_data()
    {
        QTest::addColumn<int>("look");
        for (size_t i = 0; i < std::size(kLooks); ++i) {
            QTest::newRow(kLooks[i].first) << int(i);
        }
    }
    void lookingChangesNothing()
    {
        QFETCH(int, look);
        Fixture f;
        const std::vector<uint8_t> before = f.t.doc.toBytes();
        const MemorySettingsStore::Values settings = f.t.store.values();
        QVERIFY2(kLooks[look].second(f), "not every dialog was closed with OK");
        QCOMPARE(firstDifference(before, f.t.doc.toBytes()), QByteArray());
        QVERIFY(f.t.store.values() == settings);
    }

    // Import Points makes points by design; walking its dialog must add nothing to that.
    void lookingAtMapImportsAddsNothingToWhatOkDoes()
    {
        const auto importVin = [](bool look) {
            Fixture f;
            f.show(f.p.g1, TarnView::importsTab);
            f.view.list(TarnView::importsTab)
                .selectRows({rowWith(f.view.list(TarnView::importsTab), {"MBModule:Flow"})});
            f.view.targetSelected(f.p.g2);
            bool accepted = false;
            if (look) {
                lookAtNext<dialogs::MapImportsDlg>(accepted);
            } else {
                answerNextDialog<dialogs::MapImportsDlg>([&accepted](dialogs::MapImportsDlg& d) {
                    okOf(d).click();
                    accepted = true;
                });
            }
            (void)f.view.runCommand(Command::importPoints);
            return std::make_pair(accepted, f.t.doc.toBytes());
        };
        const auto [okAccepted, ok] = importVin(false);
        const auto [lookAccepted, looked] = importVin(true);
        QVERIFY(okAccepted && lookAccepted);
        QCOMPARE(firstDifference(ok, looked), QByteArray());
    }

    void okWritesWhatThePageShows_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("written");
        QTest::newRow("Config Port slave id 0") << "config slave id" << 0 << "1" << 1;
        // Shown, though disabled, in Debug mode too.
        QTest::newRow("Config Port slave id 300, Debug")
            << "config slave id, debug" << 300 << "247" << 247;
        QTest::newRow("RTU slave id 300 without Extended") << "rtu slave id" << 300 << "247" << 247;
        QTest::newRow("RTU slave id 300 with Extended")
            << "rtu slave id, extended" << 300 << "300" << 300;
        QTest::newRow("2.4 GHz retries word 10") << "2.4 GHz retries" << 10 << "21" << 6;
        QTest::newRow("2.4 GHz AES site, retries word 4") << "2.4 GHz AES retries" << 4 << "3" << 0;
        QTest::newRow("868 MHz retries word 0") << "868 MHz retries" << 0 << "1" << 1;
        QTest::newRow("900 MHz retries word 40") << "900 MHz retries" << 40 << "32" << 32;
        QTest::newRow("module slave id 250") << "module slave id" << 250 << "247" << 247;
        QTest::newRow("module interval 0") << "module interval" << 0 << "00:00:01" << 1;
        QTest::newRow("module interval of two days")
            << "module interval" << 172800 << "23:59:59" << 86399;
        QTest::newRow("module 200 registers of int 16")
            << "module registers" << 200 << "125" << 125;
    }
    void okWritesWhatThePageShows()
    {
        QFETCH(QString, field);
        QFETCH(int, stored);
        QFETCH(QString, shown);
        QFETCH(int, written);
        Fixture f;
        ZAVGateway& g = *f.p.g1;
        Site& site = *f.t.doc.root()->activeSite();
        const bool onModule = field.startsWith("module");
        const bool onConfig = field.startsWith("config");
        const auto value = static_cast<uint16_t>(stored);
        if (field.endsWith("retries")) {
            site.setBand(field.startsWith("2.4")   ? band2400
                         : field.startsWith("868") ? band868
                                                   : band900);
            site.setAesEnabled(field.contains("AES"));
            g.setRetries(value);
        } else if (onConfig || field.startsWith("rtu")) {
            PortRecord r = g.port(onConfig ? 0 : 2)->portRecord();
            r.protocol = field.endsWith("debug") ? PortProtocol::debug : PortProtocol::modbusSlave;
            r.slaveId = value;
            r.flags = static_cast<uint16_t>(field.endsWith("extended")
                                                ? r.flags | PortRecord::kExtendedMode
                                                : r.flags & ~PortRecord::kExtendedMode);
            g.port(onConfig ? 0 : 2)->setPortRecord(r);
        } else if (field == "module slave id") {
            f.module.slaveId = static_cast<uint8_t>(stored);
        } else if (field == "module interval") {
            f.module.pollInterval = static_cast<uint32_t>(stored);
        } else if (field == "module registers") {
            f.module.registerCount = static_cast<uint8_t>(stored);
        }

        QString seen;
        answerNextDialog<NodePropertySheet>([&](NodePropertySheet& sheet) {
            for (int i = 0; i < sheet.pageCount(); ++i) {
                gateway::ui::PropertyPage* page = sheet.page(i);
                if (auto* radio = qobject_cast<gateway::ui::RFPage*>(page);
                    radio && field.endsWith("retries")) {
                    seen = radio->retriesBox().text();
                } else if (auto* config = qobject_cast<gateway::ui::ConfigPortPage*>(page);
                           config && onConfig) {
                    seen = config->slaveFields().slaveIdBox().text();
                } else if (auto* rtu = qobject_cast<gateway::ui::P2PortPage*>(page);
                           rtu && field.startsWith("rtu")) {
                    seen = rtu->slaveFields().slaveIdBox().text();
                } else if (auto* port = qobject_cast<gateway::ui::IoPortPage*>(page);
                           port && field == "module slave id") {
                    seen = port->slaveIdBox().text();
                } else if (auto* inputs = qobject_cast<gateway::ui::MBInputPage*>(page); inputs) {
                    if (field == "module interval") {
                        seen = inputs->intervalBox().text();
                    } else if (field == "module registers") {
                        seen = inputs->countBox().text();
                    }
                }
            }
            sheet.okButton().click();
        });
        const int result = onModule
                               ? gateway::ui::showModbusModuleProperties(f.t.app, f.module, nullptr)
                               : gateway::ui::showGatewayProperties(f.t.app, g, nullptr);
        QCOMPARE(result, NodePropertySheet::resultOk);
        QCOMPARE(seen, shown);
        int now = -1;
        if (field.endsWith("retries")) {
            now = g.getRetries();
        } else if (onConfig || field.startsWith("rtu")) {
            now = g.port(onConfig ? 0 : 2)->portRecord().slaveId;
        } else if (field == "module slave id") {
            now = f.module.slaveId;
        } else if (field == "module interval") {
            now = static_cast<int>(f.module.pollInterval);
        } else if (field == "module registers") {
            now = f.module.registerCount;
        }
        QCOMPARE(now, written);
    }
};

QTEST_MAIN(OkWithoutEditsTest)
#include "OkWithoutEditsTest.moc"
