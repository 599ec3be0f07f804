// The list commands of the tabbed view: the point clipboard flows, Import Points with its
// dialog, the output sources, scaling and intervals, and the root's site commands.

#include "ViewTestSupport.h"
#include "controls/CSpinEdit.h"
#include "dialogs/ExportIntervalDlg.h"
#include "dialogs/MapImportsDlg.h"
#include "dialogs/ScaleImportDlg.h"
#include "model/FileNode.h"
#include "shell/CommandActions.h"
#include "shell/MainFrame.h"
#include "views/TarnView.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QTimeEdit>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;
using shell::Command;
using views::TarnView;

namespace {

std::vector<const Import*> mappedPoints(const ZAVGateway::List<ModbusMap>& list)
{
    std::vector<const Import*> points;
    for (const auto& entry : list) {
        points.push_back(entry->point);
    }
    return points;
}

} // namespace

class TarnViewCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copyPutsTheSelectedPointsInListOrder()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        QCOMPARE(view.commandEnabled(Command::copy), std::optional<bool>(false));
        view.list(TarnView::importsTab).selectRows({3, 0});
        QVERIFY(view.runCommand(Command::copy));
        const std::vector<Import*> expected{pointNamed(*p.g1, "VIN"), pointNamed(*p.g1, "Temp")};
        QCOMPARE(t.app.importClipboard(), expected);
        QCOMPARE(views::importClipboardSource(t.app.importClipboard()), p.g1);
    }

    // The Imports tab's "Paste to Integer Table" and "Paste to Float Table": copy, then paste.
    void pasteToATableMapsTheSelection()
    {
        TestApp t;
        PlantProject p(t.doc);
        (void)addNewWriteImport(*p.g1, "Setpoint", false);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        auto& imports = view.list(TarnView::importsTab);
        auto* toFloat = view.findChild<QAction*>("pasteToFloatTable");
        QVERIFY(toFloat != nullptr);
        QCOMPARE(toFloat->text(), QString("Paste to Float Table"));
        const size_t integersBefore = p.g1->mapIntegerList().size();

        imports.selectRows({0, 4}); // VIN and the write import
        toFloat->trigger();
        QVERIFY(p.g1->mapFloatList().empty());
        QVERIFY(t.app.importClipboard().empty());

        imports.selectRows({0, 2});
        toFloat->trigger();
        const std::vector<const Import*> expected{pointNamed(*p.g1, "VIN"),
                                                  pointNamed(*p.g1, "Level")};
        QCOMPARE(mappedPoints(p.g1->mapFloatList()), expected);
        QCOMPARE(p.g1->mapIntegerList().size(), integersBefore);
        QVERIFY(t.doc.isModified());
        // The Modbus tab shows the new entries at once.
        const auto& modbus = view.list(TarnView::modbusTab);
        QCOMPARE(findRow(modbus, 4, "Base:VIN"), 1);
        QCOMPARE(modbus.rows().index(1, 2).data().toString(), QString("7001"));
    }

    // "Paste Integer" and "Paste Float" of the Modbus Map menu are the Modbus tab's paste of
    // the copied points, whichever tab is active; the Imports tab's selection plays no part.
    void mapPasteReachesTheModbusTabFromEveryTab_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("Device") << int(TarnView::deviceTab);
        QTest::newRow("Imports") << int(TarnView::importsTab);
        QTest::newRow("Exports") << int(TarnView::exportsTab);
        QTest::newRow("Outputs") << int(TarnView::outputsTab);
        QTest::newRow("Modbus") << int(TarnView::modbusTab);
    }
    void mapPasteReachesTheModbusTabFromEveryTab()
    {
        QFETCH(int, tab);
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(tab);
        view.list(TarnView::importsTab).selectRows({2}); // Level, not what was copied
        const size_t integers = p.g1->mapIntegerList().size();
        const size_t floats = p.g1->mapFloatList().size();
        QCOMPARE(view.commandEnabled(Command::mapPasteInteger), std::optional<bool>(false));

        Import* vin = pointNamed(*p.g1, "VIN");
        t.app.importClipboard() = {vin};
        QCOMPARE(view.commandEnabled(Command::mapPasteInteger), std::optional<bool>(true));
        QCOMPARE(view.commandEnabled(Command::mapPasteFloat), std::optional<bool>(true));
        QVERIFY(view.runCommand(Command::mapPasteInteger));
        QCOMPARE(p.g1->mapIntegerList().size(), integers + 1);
        QCOMPARE(p.g1->mapIntegerList().back()->point, vin);
        QCOMPARE(p.g1->mapFloatList().size(), floats);
        QCOMPARE(view.commandChecked(Command::mapPasteInteger), std::optional<bool>(true));
        QCOMPARE(t.app.importClipboard(), std::vector<Import*>{vin});

        QVERIFY(view.runCommand(Command::mapPasteFloat));
        QCOMPARE(p.g1->mapFloatList().size(), floats + 1);
        QCOMPARE(p.g1->mapFloatList().back()->point, vin);
        QCOMPARE(view.commandChecked(Command::mapPasteFloat), std::optional<bool>(true));
        QCOMPARE(view.currentIndex(), tab);
        QVERIFY(findRow(view.list(TarnView::modbusTab), 4, "Base:VIN") >= 0);
    }

    void modbusPasteNeedsPointsOfTheShownGateway()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g2, nullptr);
        t.app.importClipboard() = {pointNamed(*p.g1, "VIN")};
        view.setCurrentIndex(TarnView::modbusTab);
        QCOMPARE(view.commandEnabled(Command::paste), std::optional<bool>(false));
        QCOMPARE(view.commandEnabled(Command::mapPasteInteger), std::optional<bool>(false));
        view.pasteTo(*p.g2, false);
        QVERIFY(p.g2->mapIntegerList().empty());

        t.app.importClipboard() = {pointNamed(*p.g2, "VIN")};
        QCOMPARE(view.commandEnabled(Command::paste), std::optional<bool>(true));
        QVERIFY(view.runCommand(Command::paste)); // the floating-point table until chosen
        QCOMPARE(p.g2->mapFloatList().size(), size_t{1});
        QVERIFY(view.runCommand(Command::mapPasteInteger));
        QCOMPARE(p.g2->mapIntegerList().size(), size_t{1});
        QCOMPARE(view.list(TarnView::modbusTab).rows().rowCount(), 2);
    }

    void pasteNotificationGoesToTheTargetGateway()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g2, nullptr);
        view.targetSelected(p.g1);
        t.app.importClipboard() = {pointNamed(*p.g1, "VIN")};
        Notification paste;
        paste.code = MSG_PASTE_INT_TO;
        view.handleNotification(paste);
        paste.code = MSG_PASTE_FLOAT_TO;
        view.handleNotification(paste);
        QCOMPARE(p.g1->mapIntegerList().size(), size_t{1});
        QCOMPARE(p.g1->mapFloatList().size(), size_t{1});
        // The Modbus tab still shows Gateway_2's empty map.
        QCOMPARE(view.list(TarnView::modbusTab).rows().rowCount(), 0);
    }

    void importPointsCancelledRemovesWhatItCreated()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        auto& imports = view.list(TarnView::importsTab);
        imports.selectRows({3});
        QVERIFY(view.runCommand(Command::copy));
        const std::vector<Import*> clipboard = t.app.importClipboard();
        imports.selectRows({0, 1});
        view.targetSelected(p.g2);
        QCOMPARE(view.commandEnabled(Command::importPoints), std::optional<bool>(true));

        QString title;
        whenModal([&title](QWidget* modal) {
            auto* dialog = qobject_cast<dialogs::MapImportsDlg*>(modal);
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            QCOMPARE(dialog->pointList().rows().rowCount(), 2);
            QCOMPARE(dialog->pointList().selectedRows(), (std::vector<int>{0, 1}));
            QCOMPARE(rowTexts(dialog->pointList(), 1), (QStringList{"Gateway", "MBModule:Flow"}));
            dialog->floatBox().setChecked(true);
            dialog->reject();
        });
        QVERIFY(view.runCommand(Command::importPoints));

        QCOMPARE(title, QString("Map Imports to Gateway_2's Modbus"));
        QVERIFY(p.g2->sharedImports().empty());
        QVERIFY(p.g1->exports().empty());
        QVERIFY(p.g2->mapFloatList().empty());
        QCOMPARE(t.app.importClipboard(), clipboard);
        QCOMPARE(view.list(TarnView::exportsTab).rows().rowCount(), 0);
        // The choice is kept even so.
        QCOMPARE(t.app.settings().pasteOptions() & 2, 2);
    }

    void importPointsConfirmedMapsIntoBothTables()
    {
        TestApp t;
        PlantProject p(t.doc);
        t.app.settings().setPasteOptions(0);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        view.list(TarnView::importsTab).selectRows({0, 2});

        whenModal([](QWidget* modal) {
            auto* dialog = qobject_cast<dialogs::MapImportsDlg*>(modal);
            QVERIFY(dialog != nullptr);
            dialog->integerBox().setChecked(true);
            dialog->floatBox().setChecked(true);
            dialog->accept();
        });
        view.importPointsTo(*p.g2);

        QCOMPARE(p.g2->sharedImports().size(), size_t{2});
        const Import* vin = p.g2->sharedImports()[0].get();
        const Import* level = p.g2->sharedImports()[1].get();
        QCOMPARE(vin->getSource(), pointNamed(*p.g1, "VIN"));
        QCOMPARE(level->getSource(), pointNamed(*p.g1, "Level"));
        const std::vector<const Import*> created{vin, level};
        QCOMPARE(mappedPoints(p.g2->mapIntegerList()), created);
        QCOMPARE(mappedPoints(p.g2->mapFloatList()), created);
        QCOMPARE(views::importClipboardSource(t.app.importClipboard()), p.g2);
        QCOMPARE(t.app.importClipboard().size(), size_t{2});
        QCOMPARE(t.app.settings().pasteOptions(), 3);
        QVERIFY(t.doc.isModified());
        // Gateway's lists were refilled: it now exports both points.
        const auto& exports = view.list(TarnView::exportsTab);
        QCOMPARE(exports.rows().rowCount(), 2);
        QCOMPARE(rowTexts(exports, 1),
                 (QStringList{"002", "MBModule:Level", "On Change", "Gateway_2"}));
    }

    void importPointsNeedsAnotherGatewayAndASelection()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        QVERIFY(!view.canImportPointsTo(*p.g2));
        view.list(TarnView::importsTab).selectRows({0});
        QVERIFY(view.canImportPointsTo(*p.g2));
        QVERIFY(!view.canImportPointsTo(*p.g1));
        QVERIFY(!view.canImportPointsTo(*t.doc.root()));
        QVERIFY(!view.canImportPointsTo(*p.module));
    }

    void removeSharedPoint()
    {
        TestApp t;
        PlantProject p(t.doc, 3);
        ZAVGateway* g3 = dynamic_cast<ZAVGateway*>(t.doc.nodes().at(3).get());
        const auto shared = importPoints(*p.g2, *p.g1, {pointNamed(*p.g2, "VIN")});
        (void)importPoints(*p.g2, *p.g1, {pointNamed(*p.g2, "VIN")});
        // Gateway relays the first shared point on to Gateway_3.
        (void)importPoints(*p.g1, *g3, {shared.front()});
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        auto& imports = view.list(TarnView::importsTab);
        QCOMPARE(imports.rows().rowCount(), 6);

        imports.selectRows({0});
        QCOMPARE(view.commandEnabled(Command::removeSharedPoint), std::optional<bool>(false));
        imports.selectRows({4});
        QCOMPARE(view.commandEnabled(Command::removeSharedPoint), std::optional<bool>(false));
        imports.selectRows({4, 5});
        QCOMPARE(view.commandEnabled(Command::removeSharedPoint), std::optional<bool>(false));

        imports.selectRows({5});
        QVERIFY(view.runCommand(Command::copy));
        QCOMPARE(view.commandEnabled(Command::removeSharedPoint), std::optional<bool>(true));
        QVERIFY(view.runCommand(Command::removeSharedPoint));
        QCOMPARE(imports.rows().rowCount(), 5);
        QCOMPARE(p.g1->sharedImports().size(), size_t{1});
        QVERIFY(t.app.importClipboard().empty());
        QVERIFY(t.doc.isModified());
        // Gateway_2 still sends VIN for the remaining shared point.
        QCOMPARE(p.g2->exports().size(), size_t{1});
        QCOMPARE(p.g2->exports().front()->useCount, 1);
    }

    void pasteOutputSourceAssignsInListOrder()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        view.list(TarnView::importsTab).selectRows({1, 2, 3});
        QVERIFY(view.runCommand(Command::copy));

        view.setCurrentIndex(TarnView::outputsTab);
        auto& outputs = view.list(TarnView::outputsTab);
        outputs.selectRows({0, 2});
        QCOMPARE(view.commandEnabled(Command::outputPasteSource), std::optional<bool>(false));
        QCOMPARE(view.commandEnabled(Command::paste), std::optional<bool>(false));
        QCOMPARE(view.commandEnabled(Command::outputRemoveSource), std::optional<bool>(false));

        outputs.selectRows({2, 0, 1});
        QCOMPARE(view.commandEnabled(Command::paste), std::optional<bool>(true));
        QVERIFY(view.runCommand(Command::outputPasteSource));
        QCOMPARE(rowTexts(outputs, 0).mid(3), (QStringList{"Gateway", "MBModule:Flow"}));
        QCOMPARE(rowTexts(outputs, 1).mid(3), (QStringList{"Gateway", "MBModule:Level"}));
        QCOMPARE(rowTexts(outputs, 2).mid(3), (QStringList{"Gateway", "MBModule:Temp"}));
        QVERIFY(t.doc.isModified());

        outputs.selectRows({1, 2});
        QCOMPARE(view.commandEnabled(Command::outputRemoveSource), std::optional<bool>(true));
        QVERIFY(view.runCommand(Command::outputRemoveSource));
        QCOMPARE(rowTexts(outputs, 0).mid(3), (QStringList{"Gateway", "MBModule:Flow"}));
        QCOMPARE(rowTexts(outputs, 1).mid(3), (QStringList{"", ""}));
        QCOMPARE(rowTexts(outputs, 2).mid(3), (QStringList{"", ""}));
    }

    void pasteOutputSourceNeedsPointsOfTheSameGateway()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::outputsTab);
        view.list(TarnView::outputsTab).selectRows({0});
        t.app.importClipboard() = {pointNamed(*p.g2, "VIN")};
        QCOMPARE(view.commandEnabled(Command::outputPasteSource), std::optional<bool>(false));
        t.app.importClipboard() = {pointNamed(*p.g1, "VIN")};
        QCOMPARE(view.commandEnabled(Command::outputPasteSource), std::optional<bool>(true));
    }

    void scalingStoresGainAndOffset()
    {
        TestApp t;
        PlantProject p(t.doc);
        (void)importPoints(*p.g2, *p.g1, {pointNamed(*p.g2, "VIN")});
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        auto& imports = view.list(TarnView::importsTab);
        imports.selectRows({0});
        QCOMPARE(view.commandEnabled(Command::importScaling), std::optional<bool>(false));
        imports.selectRows({4});
        QCOMPARE(view.commandEnabled(Command::importScaling), std::optional<bool>(true));

        QString title;
        whenModal([&title](QWidget* modal) {
            auto* dialog = qobject_cast<dialogs::ScaleImportDlg*>(modal);
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            dialog->offsetBox().setValue(1.5);
            dialog->gainBox().setValue(2.125);
            dialog->accept();
        });
        QVERIFY(view.runCommand(Command::importScaling));
        QCOMPARE(title, QString("Scale Import - ( Gateway_2:Base:VIN )"));
        const Import& shared = *p.g1->sharedImports().front();
        QCOMPARE(shared.gain, 2.125f);
        QCOMPARE(shared.offset, 1.5f);
        QCOMPARE(imports.rows().index(4, 4).data().toString(),
                 QString("Offset = 1.50, Gain = 2.1250"));
        QVERIFY(t.doc.isModified());
    }

    void cancelledScalingChangesNothing()
    {
        TestApp t;
        PlantProject p(t.doc);
        (void)importPoints(*p.g2, *p.g1, {pointNamed(*p.g2, "VIN")});
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        view.list(TarnView::importsTab).selectRows({4});
        const Import& shared = *p.g1->sharedImports().front();
        const float gain = shared.gain;
        whenModal([](QWidget* modal) {
            auto* dialog = qobject_cast<dialogs::ScaleImportDlg*>(modal);
            dialog->gainBox().setValue(9.0);
            dialog->reject();
        });
        QVERIFY(view.runCommand(Command::importScaling));
        QCOMPARE(shared.gain, gain);
        QVERIFY(!t.doc.isModified());
    }

    void intervalAppliesToEverySelectedRow_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("Exports") << int(TarnView::exportsTab);
        QTest::newRow("Outputs") << int(TarnView::outputsTab);
    }

    void intervalAppliesToEverySelectedRow()
    {
        QFETCH(int, tab);
        TestApp t;
        PlantProject p(t.doc);
        (void)importPoints(
            *p.g1, *p.g2,
            {pointNamed(*p.g1, "VIN"), pointNamed(*p.g1, "Flow"), pointNamed(*p.g1, "Level")});
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(tab);
        auto& list = view.list(static_cast<TarnView::Tab>(tab));
        const Command command =
            tab == TarnView::exportsTab ? Command::exportInterval : Command::outputInterval;
        QCOMPARE(view.commandEnabled(command), std::optional<bool>(false));
        list.selectRows({0, 2});

        whenModal([](QWidget* modal) {
            auto* dialog = qobject_cast<dialogs::ExportIntervalDlg*>(modal);
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->windowTitle(), QString("Export Interval"));
            dialog->picker().setTime(QTime(1, 2, 5));
            dialog->accept();
        });
        QVERIFY(view.runCommand(command));
        const auto& entries =
            tab == TarnView::exportsTab ? p.g1->exports() : *p.module->getModuleOutputs();
        QCOMPARE(entries[0]->interval, 3725u);
        QCOMPARE(entries[2]->interval, 3725u);
        QVERIFY(entries[1]->interval != 3725u);
        QCOMPARE(list.rows().index(2, 2).data().toString(), QString("01:02:05"));
        QVERIFY(t.doc.isModified());
    }

    void siteCommandsOfTheRoot()
    {
        TestApp t;
        PlantProject p(t.doc);
        for (const char* name : {"North", "South"}) {
            Site site;
            site.setSiteName(name);
            site.setBand(band900);
            t.doc.insertSite(site);
        }
        t.doc.setModifiedFlag(false);
        FileNode& root = *t.doc.root();
        TarnView view(t.app);
        view.nodeSelected(&root, nullptr);
        view.setCurrentIndex(TarnView::deviceTab);
        auto& device = view.list(TarnView::deviceTab);
        const auto enabled = [&view](Command c) { return view.commandEnabled(c); };

        device.selectRows({0}); // "Project": no site behind it
        QCOMPARE(enabled(Command::siteActivate), std::optional<bool>(false));
        QCOMPARE(enabled(Command::siteProperties), std::optional<bool>(false));
        device.selectRows({3}); // Site_1: first and active
        QCOMPARE(enabled(Command::siteActivate), std::optional<bool>(false));
        QCOMPARE(enabled(Command::siteRemove), std::optional<bool>(false));
        QCOMPARE(enabled(Command::siteProperties), std::optional<bool>(true));

        device.selectRows({4}); // North
        QCOMPARE(enabled(Command::siteActivate), std::optional<bool>(true));
        QVERIFY(view.runCommand(Command::siteActivate));
        QCOMPARE(root.activeSite()->getSiteName(), std::string("North"));
        QCOMPARE(device.rows().rowAt(4)->image, 1);
        QCOMPARE(device.rows().rowAt(3)->image, 2);
        QVERIFY(t.doc.isModified());

        device.selectRows({4}); // North is now active
        QCOMPARE(enabled(Command::siteRemove), std::optional<bool>(false));
        device.selectRows({5}); // South
        QCOMPARE(enabled(Command::siteRemove), std::optional<bool>(true));
        QVERIFY(view.runCommand(Command::siteRemove));
        QCOMPARE(root.sites().size(), size_t{2});
        QCOMPARE(device.rows().rowCount(), 5);
        QCOMPARE(root.activeSite()->getSiteName(), std::string("North"));

        // A gateway's Device tab has no site commands.
        view.nodeSelected(p.g1, nullptr);
        device.selectRows({0});
        QCOMPARE(enabled(Command::siteActivate), std::optional<bool>(false));
    }

    void theMainWindowsActionsReachTheActiveTab()
    {
        TestApp t;
        PlantProject p(t.doc);
        shell::MainFrame frame(t.app);
        TarnView& view = frame.tarnView();
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        view.list(TarnView::importsTab).selectRows({2});
        frame.actions().refreshEnabled();
        QAction* copy = frame.actions().action(Command::copy);
        QVERIFY(copy->isEnabled());
        copy->trigger();
        QCOMPARE(t.app.importClipboard(), std::vector<Import*>{pointNamed(*p.g1, "Level")});

        view.setCurrentIndex(TarnView::outputsTab);
        view.list(TarnView::outputsTab).selectRows({1});
        frame.actions().refreshEnabled();
        QVERIFY(!copy->isEnabled());
        frame.actions().action(Command::paste)->trigger();
        QCOMPARE(rowTexts(view.list(TarnView::outputsTab), 1).mid(3),
                 (QStringList{"Gateway", "MBModule:Level"}));
    }

    void commandsOfOtherTabsAreNotTaken()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::exportsTab);
        QCOMPARE(view.commandEnabled(Command::copy), std::nullopt);
        QCOMPARE(view.commandEnabled(Command::outputInterval), std::nullopt);
        QCOMPARE(view.commandEnabled(Command::mapMoveUp), std::nullopt);
        QVERIFY(!view.runCommand(Command::copy));
        view.setCurrentIndex(TarnView::modbusTab);
        QCOMPARE(view.commandEnabled(Command::copy), std::nullopt);
        QCOMPARE(view.commandEnabled(Command::save), std::nullopt);
    }
};

QTEST_MAIN(TarnViewCommandsTest)
#include "TarnViewCommandsTest.moc"
