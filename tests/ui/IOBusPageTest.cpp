// The gateway sheet's IO Bus page and its IO Module dialog: what they show, what OK makes of
// the modules, and that nothing reaches the gateway before the sheet's OK.

#include "ui/FocusNames.h"
#include "gateway/ui/IOBusPage.h"

#include "ModalAnswers.h"
#include "ViewTestSupport.h"
#include "gateway/IoModuleRules.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/ZAVModuleDlg.h"
#include "model/ZAVModule.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;
using gateway::ui::IOBusPage;
using gateway::ui::NodePropertySheet;
using gateway::ui::ZAVModuleDlg;

namespace {

struct Fixture {
    TestApp t;
    PlantProject p{t.doc};
    ZAVGateway& g1 = *p.g1;
    ZAVGateway& g2 = *p.g2;

    ZAVModule& addModule(uint8_t kind, uint8_t address, uint8_t groups = groupInputs,
                         uint32_t mapOptions = 0)
    {
        IoModuleChoices c;
        c.kind = kind;
        c.address = address;
        c.groups = groups;
        c.mapOptions = mapOptions;
        const std::string refusal = addNewIoModule(g1, c);
        if (!refusal.empty()) {
            qFatal("%s", refusal.c_str());
        }
        return dynamic_cast<ZAVModule&>(*g1.ioModules().back());
    }
};

ZAVModule& moduleAt(const ZAVGateway& g, size_t i)
{
    return dynamic_cast<ZAVModule&>(*g.ioModules().at(i));
}

Import& inputOf(const ZAVModule& module, size_t i)
{
    return *module.moduleInputs()->at(i);
}

// Runs act, which opens the IO Module dialog; answer sets it up and presses OK. A dialog that
// is still open after answer (OK disabled) is cancelled; one that never opened fails.
void withModuleDialog(const std::function<void(ZAVModuleDlg&)>& answer,
                      const std::function<void()>& act)
{
    bool seen = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<ZAVModuleDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        timer.stop();
        seen = true;
        answer(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    timer.start();
    act();
    QVERIFY(seen);
}

void pressOk(ZAVModuleDlg& dialog)
{
    QVERIFY(dialog.okButton().isEnabled());
    dialog.okButton().click();
}

// The gateway's sheet, run as Edit... runs it; act works on its IO Bus page and closes it.
int runSheet(Fixture& f, const std::function<void(NodePropertySheet&, IOBusPage&)>& act)
{
    answerNextDialog<NodePropertySheet>([&act](NodePropertySheet& sheet) {
        IOBusPage* page = nullptr;
        for (int i = 0; i < sheet.pageCount(); ++i) {
            page = page != nullptr ? page : qobject_cast<IOBusPage*>(sheet.page(i));
        }
        if (page == nullptr) {
            sheet.reject();
            return;
        }
        sheet.tabs().setCurrentWidget(page);
        act(sheet, *page);
        if (sheet.isVisible()) {
            sheet.reject();
        }
    });
    return gateway::ui::showGatewayProperties(f.t.app, f.g1, nullptr);
}

QStringList pointNames(const IOBusPage& page)
{
    QStringList names;
    for (int row = 0; row < page.points().rowCount(); ++row) {
        names << page.points().index(row, 0).data().toString();
    }
    return names;
}

} // namespace

class IOBusPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void digitalGroupsChooseTheRegistersRead_data()
    {
        QTest::addColumn<bool>("inputs");
        QTest::addColumn<bool>("counts");
        QTest::addColumn<bool>("status");
        QTest::addColumn<int>("startRegister");
        QTest::addColumn<int>("registerCount");
        QTest::addColumn<int>("pointRows");
        QTest::addColumn<QStringList>("firstPoints");
        // pointRows: the groups' inputs and the four outputs; firstPoints: the points list's
        // first row and its fifth.
        QTest::newRow("inputs and output status")
            << true << false << true << 3001 << 8 << 12 << QStringList{"DIN1", "DOUT1_ST"};
        QTest::newRow("inputs and counts")
            << true << true << false << 3001 << 12 << 12 << QStringList{"DIN1", "DIN1_CNT"};
        QTest::newRow("output status and counts")
            << false << true << true << 3005 << 8 << 12 << QStringList{"DOUT1_ST", "DIN1_CNT"};
        QTest::newRow("counts alone")
            << false << true << false << 3009 << 4 << 8 << QStringList{"DIN1_CNT", "DOUT1"};
    }
    void digitalGroupsChooseTheRegistersRead()
    {
        QFETCH(bool, inputs);
        QFETCH(bool, counts);
        QFETCH(bool, status);
        QFETCH(int, startRegister);
        QFETCH(int, registerCount);
        QFETCH(int, pointRows);
        QFETCH(QStringList, firstPoints);
        Fixture f;
        IOBusPage page(f.g1, f.t.app.settings());
        withModuleDialog(
            [&](ZAVModuleDlg& d) {
                d.typeList().setCurrentIndex(2);
                QCOMPARE(d.unitsGroup().title(), QString("Add To Imports Table"));
                QVERIFY(d.inputsBox().isChecked()); // a new module starts with "Inputs"
                d.inputsBox().setChecked(inputs);
                d.countsBox().setChecked(counts);
                d.outputStatusBox().setChecked(status);
                pressOk(d);
            },
            [&] { page.newButton().click(); });

        QCOMPARE(page.modules().size(), size_t{1});
        const Import& first = inputOf(*page.modules()[0], 0);
        QCOMPARE(int(first.detailU16(2)), startRegister);
        QCOMPARE(int(first.details[4]), registerCount);
        QCOMPARE(int(first.details[1]), 1); // address 0, slave id 1
        // The new row is selected and shows the groups in the imports table, then DOUT1-4.
        QCOMPARE(page.selectedModuleRow(), 0);
        QCOMPARE(page.moduleList().model()->index(0, 2).data().toString(),
                 QString("Digital, 9-30V, 4In/4Out, Isolated"));
        const QStringList names = pointNames(page);
        QCOMPARE(names.size(), pointRows);
        QCOMPARE((QStringList{names[0], names[4]}), firstPoints);
        QCOMPARE(names.last(), QString("DOUT4"));
        QCOMPARE(page.points().index(0, 1).data().toString(), QString("On/Off"));
        QVERIFY(f.g1.ioModules().empty());

        page.apply();
        QCOMPARE(f.g1.ioModules().size(), size_t{1});
        QCOMPARE(int(inputOf(moduleAt(f.g1, 0), 0).detailU16(2)), startRegister);
    }

    void uncheckingInputsUnlinksThemEverywhereOnOk()
    {
        Fixture f;
        ZAVModule& dm = f.addModule(ioKindDm, 4, groupInputs, 3);
        Import& din1 = inputOf(dm, 0);
        const auto shared = importPoints(f.g1, f.g2, {&din1});
        QCOMPARE(pasteToModbusMap(f.g2, {shared.front()}, true), std::string());
        QCOMPARE(f.g1.mapIntegerList().size(), size_t{4});
        QCOMPARE(f.g1.exports().size(), size_t{1});
        f.t.doc.setModifiedFlag(false);

        const int result = runSheet(f, [](NodePropertySheet& sheet, IOBusPage& page) {
            QVERIFY(QTest::qWaitForWindowExposed(&page));
            const QRect row = page.moduleList().visualRect(page.moduleList().model()->index(0, 0));
            withModuleDialog(
                [](ZAVModuleDlg& d) {
                    QVERIFY(!d.typeList().isEnabled());
                    QVERIFY(!d.mapGroup().isVisible());
                    QVERIFY(d.inputsBox().isChecked());
                    d.inputsBox().setChecked(false);
                    d.countsBox().setChecked(true);
                    pressOk(d);
                },
                [&] {
                    QWidget* viewport = page.moduleList().viewport();
                    QTest::mouseClick(viewport, Qt::LeftButton, {}, row.center());
                    QTest::mouseDClick(viewport, Qt::LeftButton, {}, row.center());
                });
            QCOMPARE(pointNames(page).first(), QString("DIN1_CNT"));
            sheet.okButton().click();
        });

        QCOMPARE(result, NodePropertySheet::resultOk);
        QVERIFY(f.t.doc.isModified());
        QVERIFY(!din1.inImportTable);
        // VIN, Flow, Level, Temp, then the counts that are now the module's only imports.
        const ListRows imports = f.g1.fillImportList().rows;
        QCOMPARE(imports.size(), size_t{8});
        for (size_t i = 4; i < 8; ++i) {
            QCOMPARE(imports[i].cells[2], "M4:DIN" + std::to_string(i - 3) + "_CNT");
        }
        QVERIFY(f.g2.sharedImports().empty());
        QVERIFY(f.g2.mapFloatList().empty());
        QVERIFY(f.g1.exports().empty());
        // Map entries are made only when a module joins: the inputs' entries go, none come.
        QVERIFY(f.g1.mapIntegerList().empty());
        QVERIFY(f.g1.mapFloatList().empty());
        QCOMPARE(int(din1.detailU16(2)), 3009);
    }

    void newIsOfferedWhileThereIsRoom()
    {
        Fixture f;
        for (uint8_t address = 0; address < 16; ++address) {
            f.addModule(ioKindAm1, address);
        }
        IOBusPage page(f.g1, f.t.app.settings());
        QVERIFY(!page.newButton().isEnabled());
        QVERIFY(!page.removeButton().isEnabled());

        page.selectModuleRow(5);
        QVERIFY(page.removeButton().isEnabled());
        QVERIFY(!page.newButton().isEnabled());
        auto refused = answerNextBox(QMessageBox::No);
        page.removeButton().click();
        QVERIFY(refused->shown);
        QCOMPARE(page.modules().size(), size_t{16});
        // Enter takes No.
        auto entered = enterOnNextBox();
        page.removeButton().click();
        QVERIFY(entered->shown);
        QCOMPARE(page.modules().size(), size_t{16});

        auto seen = answerNextBox(QMessageBox::Yes);
        page.removeButton().click();
        QCOMPARE(seen->title, QString("Remove I/O Module"));
        QCOMPARE(seen->text, QString("Are you sure you would like to remove\nthis I/O Module?"));
        QCOMPARE(page.modules().size(), size_t{15});
        // The row that moved up into place is selected and shown.
        QCOMPARE(page.selectedModuleRow(), 5);
        QCOMPARE(page.moduleList().model()->index(5, 0).data().toString(), QString("6"));
        QVERIFY(page.newButton().isEnabled());
        QVERIFY(page.pointList().isEnabled());

        // Removing the last row leaves nothing selected and the points list empty.
        page.selectModuleRow(14);
        answerNextBox(QMessageBox::Yes);
        page.removeButton().click();
        QCOMPARE(page.selectedModuleRow(), -1);
        QCOMPARE(page.points().rowCount(), 0);
        QVERIFY(!page.pointList().isEnabled());
        QVERIFY(!page.removeButton().isEnabled());
        QVERIFY(page.newButton().isEnabled());
        QCOMPARE(f.g1.ioModules().size(), size_t{16});
    }

    void addressesStayUniqueAndShowInHexadecimal()
    {
        Fixture f;
        for (uint8_t address : {0, 1, 3}) {
            f.addModule(ioKindAm2, address);
        }
        f.addModule(ioKindDm, 10);
        IOBusPage page(f.g1, f.t.app.settings());
        QCOMPARE(page.moduleList().model()->index(3, 0).data().toString(), QString("A"));
        QCOMPARE(page.moduleList().model()->index(3, 1).data().toString(), QString("00:00:01"));

        withModuleDialog(
            [](ZAVModuleDlg& d) {
                QCOMPARE(d.moduleIdBox().value(), 2);
                QCOMPARE(d.nameBox().text(), QString("M2"));
                QVERIFY(!d.nameBox().isEnabled());
                QVERIFY(!d.okButton().isEnabled()); // no type yet
                QCOMPARE(d.unitsGroup().title(), QString());
                d.typeList().setCurrentIndex(1);
                QVERIFY(d.okButton().isEnabled());
                QTest::keyClick(&d.moduleIdBox(), Qt::Key_Down);
                QCOMPARE(d.moduleIdBox().value(), 1);
                QCOMPARE(d.nameBox().text(), QString("M1"));
                QVERIFY(!d.okButton().isEnabled());
                // Typing does not change the address: only the arrows do.
                QTest::keyClicks(&d.moduleIdBox(), "7");
                QCOMPARE(d.moduleIdBox().value(), 1);
                for (int i = 0; i < 3; ++i) {
                    QTest::keyClick(&d.moduleIdBox(), Qt::Key_Up);
                }
                QCOMPARE(d.moduleIdBox().text(), QString("4"));
                QVERIFY(d.okButton().isEnabled());
                d.reject();
            },
            [&] { page.newButton().click(); });
        QCOMPARE(page.modules().size(), size_t{4});

        withModuleDialog(
            [](ZAVModuleDlg& d) {
                QCOMPARE(d.moduleIdBox().text(), QString("A"));
                QCOMPARE(d.nameBox().text(), QString("MA"));
                QCOMPARE(d.typeList().currentText(), QString("Digital I/O Module"));
                // Its own address is no conflict.
                QVERIFY(d.okButton().isEnabled());
                d.moduleIdBox().setValue(15);
                QCOMPARE(d.nameBox().text(), QString("MF"));
                pressOk(d);
            },
            [&] { page.editModule(3); });
        QCOMPARE(page.moduleList().model()->index(3, 0).data().toString(), QString("F"));
        QCOMPARE(page.selectedModuleRow(), 3);
        QCOMPARE(int(inputOf(*page.modules()[3], 0).details[1]), 16);
    }

    void analogOutputChoicesRoundTrip()
    {
        Fixture f;
        IOBusPage page(f.g1, f.t.app.settings());
        withModuleDialog(
            [](ZAVModuleDlg& d) {
                d.typeList().setCurrentIndex(0);
                QCOMPARE(d.unitsGroup().title(), QString("Engineering Units"));
                QCOMPARE(d.output1List().count(), 4);
                QCOMPARE(d.output1List().itemText(3), QString("0.0-100.0 %"));
                QCOMPARE(d.inputUnitsList().itemText(1), QString("0.0-10.0 Volts"));
                d.output1List().setCurrentIndex(3);
                d.output2List().setCurrentIndex(2);
                // A change of type keeps the choices and shows the new kind's texts.
                d.typeList().setCurrentIndex(1);
                QCOMPARE(d.output2List().currentText(), QString("4.0-20.0 mA"));
                d.typeList().setCurrentIndex(0);
                QCOMPARE(d.output1List().currentIndex(), 3);
                d.intervalBox().setTime(QTime(1, 2, 5));
                pressOk(d);
            },
            [&] { page.newButton().click(); });

        const ZAVModule& module = *page.modules().at(0);
        const auto& outputs = *module.moduleOutputs();
        QCOMPARE(int(outputs[0]->detailU16(2)), 7007);
        QCOMPARE(int(outputs[1]->detailU16(2)), 7006);
        QCOMPARE(int(outputs[0]->details[5]), 2);
        QCOMPARE(module.getModuleInterval(), 3725u);
        QCOMPARE(page.moduleList().model()->index(0, 1).data().toString(), QString("01:02:05"));
        QCOMPARE(pointNames(page), (QStringList{"AIN1", "AIN2", "AOUT1", "AOUT2"}));
        QCOMPARE(page.points().index(0, 1).data().toString(), QString("Volts * 1000 [10,000]"));
        QCOMPARE(page.points().index(2, 1).data().toString(), QString("0.0-100.0 %"));
        QCOMPARE(page.points().index(3, 1).data().toString(), QString("0.0-10.0 Volts"));

        withModuleDialog(
            [](ZAVModuleDlg& d) {
                QCOMPARE(d.output1List().currentIndex(), 3);
                QCOMPARE(d.output2List().currentIndex(), 2);
                QCOMPARE(d.inputUnitsList().currentIndex(), 0);
                QCOMPARE(d.intervalBox().time(), QTime(1, 2, 5));
                d.inputUnitsList().setCurrentIndex(1);
                pressOk(d);
            },
            [&] { page.editModule(0); });
        QCOMPARE(int(inputOf(module, 0).detailU16(2)), 7001);
        QCOMPARE(page.points().index(0, 1).data().toString(), QString("0.0-10.0 Volts"));
    }

    void mapToChoiceIsRememberedAndGivesTheEntries()
    {
        Fixture f;
        f.t.app.settings().setPasteOptions(1);
        IOBusPage page(f.g1, f.t.app.settings());
        // Cancelled, the choice is still remembered.
        withModuleDialog(
            [](ZAVModuleDlg& d) {
                QVERIFY(d.mapGroup().isVisible());
                QVERIFY(d.integerBox().isChecked());
                QVERIFY(!d.floatBox().isChecked());
                d.integerBox().setChecked(false);
                d.floatBox().setChecked(true);
                d.reject();
            },
            [&] { page.newButton().click(); });
        QCOMPARE(f.t.app.settings().pasteOptions(), 2);
        QVERIFY(page.modules().empty());

        withModuleDialog(
            [](ZAVModuleDlg& d) {
                QVERIFY(!d.integerBox().isChecked());
                QVERIFY(d.floatBox().isChecked());
                d.typeList().setCurrentIndex(2);
                pressOk(d);
            },
            [&] { page.newButton().click(); });
        QCOMPARE(page.modules().at(0)->getMapOptions(), 2u);
        page.apply();
        // DIN1-4 are in the imports table: four float entries of the gateway's module.
        QCOMPARE(f.g1.mapFloatList().size(), size_t{4});
        QVERIFY(f.g1.mapIntegerList().empty());
        QCOMPARE(f.g1.mapFloatList()[0]->point, &inputOf(moduleAt(f.g1, 0), 0));
    }

    void cancelLeavesTheModulesAndOkRemovesReferences()
    {
        Fixture f;
        ZAVModule& dm = f.addModule(ioKindDm, 0, groupInputs | groupCounts);
        ZAVModule& am = f.addModule(ioKindAm1, 1);
        const auto shared = importPoints(f.g1, f.g2, {&inputOf(dm, 0), &inputOf(dm, 4)});
        f.t.doc.setModifiedFlag(false);

        const int cancelled = runSheet(f, [](NodePropertySheet& sheet, IOBusPage& page) {
            withModuleDialog(
                [](ZAVModuleDlg& d) {
                    d.typeList().setCurrentIndex(1);
                    pressOk(d);
                },
                [&] { page.newButton().click(); });
            page.selectModuleRow(1);
            page.points().renamePoint(0, "Tank");
            page.selectModuleRow(0);
            answerNextBox(QMessageBox::Yes);
            page.removeButton().click();
            QCOMPARE(page.modules().size(), size_t{2});
            sheet.cancelButton().click();
        });
        QCOMPARE(cancelled, NodePropertySheet::resultCancel);
        QCOMPARE(f.g1.ioModules().size(), size_t{2});
        QCOMPARE(&moduleAt(f.g1, 0), &dm);
        QCOMPARE(&moduleAt(f.g1, 1), &am);
        QCOMPARE(inputOf(am, 0).pointName, std::string("AIN1"));
        QCOMPARE(f.g2.sharedImports().size(), size_t{2});
        QVERIFY(!f.t.doc.isModified());
        // The new module's id was taken all the same.
        QCOMPARE(f.g1.moduleIdCounter, uint16_t{4});

        const int removed = runSheet(f, [](NodePropertySheet& sheet, IOBusPage& page) {
            page.selectModuleRow(0);
            answerNextBox(QMessageBox::Yes);
            page.removeButton().click();
            page.points().renamePoint(0, "Tank");
            sheet.okButton().click();
        });
        QCOMPARE(removed, NodePropertySheet::resultOk);
        QCOMPARE(f.g1.ioModules().size(), size_t{1});
        QCOMPARE(&moduleAt(f.g1, 0), &am);
        QCOMPARE(inputOf(am, 0).pointName, std::string("Tank"));
        QVERIFY(f.g2.sharedImports().empty());
        QVERIFY(f.g1.exports().empty());
        QVERIFY(f.t.doc.isModified());
    }

    void moduleListKeys()
    {
        // Enter on the module list opens the module, rather than closing the sheet; Delete
        // asks to remove it.
        Fixture f;
        f.addModule(ioKindAm1, 0);
        f.addModule(ioKindDm, 1);
        IOBusPage page(f.g1, f.t.app.settings());
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        page.selectModuleRow(1);
        page.moduleList().setFocus();
        withModuleDialog(
            [](ZAVModuleDlg& d) {
                QCOMPARE(d.typeList().currentIndex(), 2);
                d.reject();
            },
            [&] { QTest::keyClick(&page.moduleList(), Qt::Key_Return); });
        auto seen = answerNextBox(QMessageBox::Yes);
        QTest::keyClick(&page.moduleList(), Qt::Key_Delete);
        QVERIFY(seen->shown);
        QCOMPARE(page.modules().size(), size_t{1});
        QCOMPARE(page.modules()[0]->getIoKind(), uint8_t{ioKindAm1});
    }

    void pastedTagsNameTheSelectedRowsInOrder_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("rows2to5");
        QTest::newRow("two lines onto rows 3 and 4")
            << "Alpha\r\nBeta" << QList<int>{3, 4}
            << QStringList{"DIN3", "Alpha", "Beta", "DIN2_CNT"};
        QTest::newRow("empty pieces and a NUL")
            << QString("\n\nAlpha\r\r\n") + QChar(0) + "Beta\n"
            << QList<int>{3, 4} << QStringList{"DIN3", "Alpha", "Beta", "DIN2_CNT"};
        QTest::newRow("more names than rows") << "Alpha\nBeta\nGamma" << QList<int>{2, 5}
                                              << QStringList{"Alpha", "DIN4", "DIN1_CNT", "Beta"};
        QTest::newRow("more rows than names")
            << "Solo" << QList<int>{3, 4} << QStringList{"DIN3", "Solo", "DIN1_CNT", "DIN2_CNT"};
        QTest::newRow("1,023 bytes")
            << QString(1023, u'x') << QList<int>{4}
            << QStringList{"DIN3", "DIN4", QString(1023, u'x'), "DIN2_CNT"};
    }
    void pastedTagsNameTheSelectedRowsInOrder()
    {
        QFETCH(QString, clipboard);
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, rows2to5);
        Fixture f;
        f.addModule(ioKindDm, 0, groupInputs | groupCounts);
        IOBusPage page(f.g1, f.t.app.settings());
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.selectModuleRow(0);
        QGuiApplication::clipboard()->setText(clipboard);
        QItemSelection selection;
        for (int row : rows) {
            selection.select(page.points().index(row, 0), page.points().index(row, 1));
        }
        page.pointList().selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);

        // The menu of a selected row offers both entries while the clipboard holds text.
        const QRect cell = page.pointList().visualRect(page.points().index(rows.front(), 0));
        auto menu = closeNextMenu();
        QContextMenuEvent click(QContextMenuEvent::Mouse, cell.center(),
                                page.pointList().viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(page.pointList().viewport(), &click);
        QVERIFY(menu->shown);
        QCOMPARE(menu->all, (QStringList{"Edit Name", "Paste Tag(s)"}));
        QCOMPARE(menu->enabled, menu->all);

        page.pasteTags();
        QCOMPARE(pointNames(page).mid(2, 4), rows2to5);
        page.apply();
        QCOMPARE(QString::fromStdString(inputOf(moduleAt(f.g1, 0), 2).pointName), rows2to5[0]);
        QCOMPARE(QString::fromStdString(inputOf(moduleAt(f.g1, 0), 8).pointName), rows2to5[2]);
    }

    void tooMuchClipboardTextIsRefused()
    {
        Fixture f;
        f.addModule(ioKindDm, 0);
        IOBusPage page(f.g1, f.t.app.settings());
        page.selectModuleRow(0);
        page.pointList().selectRow(0);
        QGuiApplication::clipboard()->setText(QString(1024, u'x'));
        auto seen = answerNextBox(QMessageBox::Ok);
        page.pasteTags();
        QVERIFY(seen->shown);
        QCOMPARE(seen->title, QString("Paste Tag(s)"));
        QCOMPARE(pointNames(page).first(), QString("DIN1"));

        // Nothing to paste: the entry is there, disabled.
        QGuiApplication::clipboard()->clear();
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto menu = closeNextMenu();
        const QRect cell = page.pointList().visualRect(page.points().index(0, 0));
        QContextMenuEvent click(QContextMenuEvent::Mouse, cell.center(),
                                page.pointList().viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(page.pointList().viewport(), &click);
        QVERIFY(menu->shown);
        QCOMPARE(menu->enabled, QStringList{"Edit Name"});
    }

    void pointNamesAreEditedInPlace()
    {
        Fixture f;
        f.addModule(ioKindAm1, 0);
        IOBusPage page(f.g1, f.t.app.settings());
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        page.selectModuleRow(0);
        QTableView& list = page.pointList();
        const auto editor = [&list]() -> QLineEdit* {
            return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr &&
                           list.isAncestorOf(QApplication::focusWidget())
                       ? qobject_cast<QLineEdit*>(QApplication::focusWidget())
                       : nullptr;
        };

        // A double-click on the units of AOUT1 opens its name.
        const QRect units = list.visualRect(page.points().index(2, 1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, units.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, units.center());
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, units.center());
        QTRY_VERIFY(editor() != nullptr);
        QCOMPARE(editor()->text(), QString("AOUT1"));
        editor()->selectAll();
        QTest::keyClicks(editor(), "Valve");
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_VERIFY(editor() == nullptr);
        QCOMPARE(page.points().index(2, 0).data().toString(), QString("Valve"));
        QCOMPARE(page.modules()[0]->moduleOutputs()->at(0)->exportName, std::string("Valve"));

        // Escape takes the edit back; an emptied name keeps the old one.
        list.selectRow(0);
        page.editPointName();
        QTRY_VERIFY(editor() != nullptr);
        QTest::keyClicks(editor(), "Lost");
        QTest::keyClick(editor(), Qt::Key_Escape);
        QTRY_VERIFY(editor() == nullptr);
        QCOMPARE(page.points().index(0, 0).data().toString(), QString("AIN1"));
        QTest::keyClick(&list, Qt::Key_F2);
        QTRY_VERIFY(editor() != nullptr);
        editor()->clear();
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_VERIFY(editor() == nullptr);
        QCOMPARE(page.points().index(0, 0).data().toString(), QString("AIN1"));
        // Nothing reached the gateway.
        QCOMPARE(moduleAt(f.g1, 0).moduleOutputs()->at(0)->exportName, std::string("AOUT1"));
    }

    void dialogTabOrder_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QStringList>("chain");
        // Tab takes the interval's hours, minutes and seconds in turn.
        QTest::newRow("new, no type")
            << 3 << false
            << QStringList{
                   "Type",          "Module ID",     "Interval (In)",        "Interval (In)",
                   "Interval (In)", "Integer Table", "Floating Point Table", "Cancel",
                   "Type"};
        QTest::newRow("new analog") << 0 << false << QStringList{"Type",
                                                                 "Module ID",
                                                                 "Interval (In)",
                                                                 "Interval (In)",
                                                                 "Interval (In)",
                                                                 "Inputs 1 & 2",
                                                                 "Output 1",
                                                                 "Output 2",
                                                                 "Integer Table",
                                                                 "Floating Point Table",
                                                                 "OK",
                                                                 "Cancel",
                                                                 "Type"};
        QTest::newRow("existing digital")
            << 2 << true
            << QStringList{"Module ID", "Interval (In)", "Interval (In)", "Interval (In)",
                           "Inputs",    "Counts",        "Output Status", "OK",
                           "Cancel",    "Module ID"};
    }
    void dialogTabOrder()
    {
        QFETCH(int, kind);
        QFETCH(bool, existing);
        QFETCH(QStringList, chain);
        Fixture f;
        if (existing) {
            f.addModule(static_cast<uint8_t>(kind), 0);
        }
        IOBusPage page(f.g1, f.t.app.settings());
        ZAVModuleDlg dialog(f.g1, existing ? page.modules()[0].get() : nullptr, page.modules(),
                            f.t.app.settings());
        if (!existing && kind < 3) {
            dialog.typeList().setCurrentIndex(kind);
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        if (!existing && kind < 3) {
            dialog.typeList().setFocus();
        }
        QStringList seen{describe(QApplication::focusWidget())};
        while (seen.size() < chain.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << describe(QApplication::focusWidget());
        }
        QCOMPARE(seen, chain);
    }

    void dialogEnterAndEscape()
    {
        Fixture f;
        IOBusPage page(f.g1, f.t.app.settings());
        {
            // Enter does nothing while there is no type; once there is, it is OK.
            ZAVModuleDlg dialog(f.g1, nullptr, page.modules(), f.t.app.settings());
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(dialog.isVisible());
            dialog.typeList().setCurrentIndex(2);
            QTest::keyClick(&dialog.intervalBox(), Qt::Key_Return);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(dialog.takeNewModule() != nullptr);
        }
        {
            ZAVModuleDlg dialog(f.g1, nullptr, page.modules(), f.t.app.settings());
            dialog.typeList().setCurrentIndex(0);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(dialog.takeNewModule() == nullptr);
        }
    }
};

QTEST_MAIN(IOBusPageTest)
#include "IOBusPageTest.moc"
