// The Modbus module's property sheet: its three pages, what OK writes back into the module, what
// outlasts Cancel, and Insert Modbus Module with the sheet and its roll-back.

#include "ui/FocusNames.h"
#include "ModalAnswers.h"
#include "ProjectFixture.h"
#include "ViewTestSupport.h"
#include "controls/ClampSpinBox.h"
#include "dialogs/OutputNameDlg.h"
#include "gateway/ui/IoPortPage.h"
#include "gateway/ui/MBInputPage.h"
#include "gateway/ui/MBOutputPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/Archive.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTimeEdit>
#include <QtTest>
#include <algorithm>
#include <functional>

using namespace quillan;
using namespace quillan::test;
using gateway::ui::IoPortPage;
using gateway::ui::MBInputPage;
using gateway::ui::MBOutputPage;
using gateway::ui::NodePropertySheet;

namespace {

struct Plant {
    TestApp t;
    PlantProject p{t.doc};
    MBModule& module = dynamic_cast<MBModule&>(*p.module);
};

// Opens the module's sheet and hands it to act; whatever act leaves open is cancelled.
int withSheet(shell::TarnApp& app, MBModule& module,
              const std::function<void(NodePropertySheet&)>& act)
{
    answerNextDialog<NodePropertySheet>([act](NodePropertySheet& sheet) {
        act(sheet);
        if (sheet.isVisible()) {
            sheet.reject();
        }
    });
    return gateway::ui::showModbusModuleProperties(app, module, nullptr);
}

template <class Page> Page& pageOf(NodePropertySheet& sheet)
{
    for (int i = 0; i < sheet.pageCount(); ++i) {
        if (auto* page = qobject_cast<Page*>(sheet.page(i))) {
            sheet.setCurrentPage(i);
            return *page;
        }
    }
    qFatal("the sheet has no such page");
}

// A choice in a drop-down list the way a user makes it, which is what the pages answer.
void choose(QComboBox& list, int index)
{
    list.setFocus();
    // One key a step: the page may refuse the choice and put the list back.
    const int steps = index - list.currentIndex();
    for (int i = 0; i < std::abs(steps); ++i) {
        QTest::keyClick(&list, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
}

void typeInto(QAbstractSpinBox& box, const QString& text)
{
    box.setFocus();
    box.selectAll();
    QTest::keyClicks(&box, text);
}

QStringList column(const views::PointListView& list, int c)
{
    QStringList texts;
    for (int row = 0; row < list.rows().rowCount(); ++row) {
        texts << list.rows().index(row, c).data().toString();
    }
    return texts;
}

QStringList names(const std::vector<std::string>& list)
{
    QStringList texts;
    for (const auto& name : list) {
        texts << QString::fromStdString(name);
    }
    return texts;
}

QStringList inputNames(MBModule& module)
{
    QStringList texts;
    for (const auto& input : *module.getModuleInputs()) {
        texts << QString::fromStdString(input->pointName);
    }
    return texts;
}

QStringList outputNames(MBModule& module)
{
    QStringList texts;
    for (const auto& output : *module.getModuleOutputs()) {
        texts << QString::fromStdString(output->exportName);
    }
    return texts;
}

QList<int> outputRegisters(MBModule& module)
{
    QList<int> registers;
    for (const auto& output : *module.getModuleOutputs()) {
        registers << output->detailU16(2);
    }
    return registers;
}

// Picks the entry of the next popup menu by keyboard, as a user would.
void chooseInNextMenu(const QString& entry)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, entry] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        for (int i = 0; i < menu->actions().size(); ++i) {
            QTest::keyClick(menu, Qt::Key_Down);
            if (menu->activeAction() != nullptr && menu->activeAction()->text() == entry) {
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    timer->start();
}

void rightClickRow(views::PointListView& list, int row)
{
    const QPoint at = list.visualRect(list.rows().index(row, 1)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &event);
}

} // namespace

class ModbusModuleSheetTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QApplication::clipboard()->clear(); }

    void opensOnTheModule()
    {
        Plant f;
        QString caption;
        QStringList titles;
        int slaveId = 0;
        QStringList inputRows;
        QStringList outputRows;
        QList<int> selected;
        withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            caption = sheet.windowTitle();
            for (int i = 0; i < sheet.pageCount(); ++i) {
                titles << sheet.tabs().tabText(i);
            }
            slaveId = pageOf<IoPortPage>(sheet).slaveIdBox().value();
            MBInputPage& inputs = pageOf<MBInputPage>(sheet);
            inputRows = column(inputs.list(), 0) + column(inputs.list(), 1);
            MBOutputPage& outputs = pageOf<MBOutputPage>(sheet);
            for (int c = 0; c < 3; ++c) {
                outputRows << rowTexts(outputs.list(), 0).at(c);
            }
            for (int row : outputs.list().selectedRows()) {
                selected << row;
            }
        });
        QCOMPARE(caption, QString("MBModule - ( Generic Modbus Module )"));
        QCOMPARE(titles, QStringList({"IO Bus", "Modbus Inputs", "Modbus Outputs"}));
        QCOMPARE(slaveId, 5);
        QCOMPARE(inputRows, QStringList({"R100", "R101", "R102", "Flow", "Level", "Temp"}));
        QCOMPARE(outputRows, QStringList({"R200", "Integer (16 bit)", "Output_0"}));
        QCOMPARE(selected, QList<int>{0});
    }

    // The RTU port is offered to a module without a port only while it is a Modbus master.
    void aNewModuleTakesTheRtuPortWhileItIsAMaster_data()
    {
        QTest::addColumn<int>("rtuProtocol");
        QTest::addColumn<QStringList>("portList");
        QTest::addColumn<int>("savedPort");
        QTest::newRow("master") << int(protocolModbusMaster) << QStringList{"RTU"} << 3;
        QTest::newRow("slave") << int(protocolModbusSlave) << QStringList{} << 0;
    }
    void aNewModuleTakesTheRtuPortWhileItIsAMaster()
    {
        QFETCH(int, rtuProtocol);
        QFETCH(QStringList, portList);
        QFETCH(int, savedPort);
        Plant f;
        f.p.g1->port(2)->protocol = static_cast<uint8_t>(rtuProtocol);
        QStringList shown;
        bool listEnabled = true;
        const bool inserted = f.t.doc.insertModbusModule(*f.p.g1, [&](MBModule& module) {
            return withSheet(f.t.app, module, [&](NodePropertySheet& sheet) {
                       QComboBox& list = pageOf<IoPortPage>(sheet).portList();
                       for (int i = 0; i < list.count(); ++i) {
                           shown << list.itemText(i);
                       }
                       listEnabled = list.isEnabled();
                       sheet.okButton().click();
                   }) == NodePropertySheet::resultOk;
        });
        QVERIFY(inserted);
        QCOMPARE(shown, portList);
        QVERIFY(!listEnabled);
        auto& module = dynamic_cast<MBModule&>(*f.p.g1->childModules().back());
        QCOMPARE(int(module.modbusPort), savedPort);
        QCOMPARE(int(module.slaveId), 1);
        QCOMPARE(module.pollInterval, 900u);
        QVERIFY(module.getModuleInputs()->empty());
    }

    void floatAsksBeforeDroppingRegisters_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("count");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("shownFormat");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("formatByte");
        QTest::newRow("100 registers, Yes")
            << 0x00 << 100 << QMessageBox::Yes << "float" << 62 << 62 << 0x02;
        QTest::newRow("100 registers, No")
            << 0x00 << 100 << QMessageBox::No << "int 16" << 100 << 125 << 0x00;
        QTest::newRow("function code 4 kept")
            << 0x80 << 100 << QMessageBox::Yes << "float" << 62 << 62 << 0x82;
        // Nothing to drop, but the cap for float values holds all the same.
        QTest::newRow("10 registers")
            << 0x00 << 10 << QMessageBox::NoButton << "float" << 10 << 62 << 0x02;
    }
    void floatAsksBeforeDroppingRegisters()
    {
        QFETCH(int, format);
        QFETCH(int, count);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, shownFormat);
        QFETCH(int, rows);
        QFETCH(int, maximum);
        QFETCH(int, formatByte);
        ModbusModuleSettings settings;
        settings.registerFormat = static_cast<uint8_t>(format);
        MBInputPage page(settings);
        page.show();
        page.countBox().setValue(count);
        QCOMPARE(page.list().rows().rowCount(), count);

        std::shared_ptr<SeenBox> seen;
        std::unique_ptr<MessageBoxCloser> unexpected;
        if (answer != QMessageBox::NoButton) {
            seen = answerNextBox(answer);
        } else {
            unexpected = std::make_unique<MessageBoxCloser>();
        }
        choose(page.formatList(), 1);
        if (seen) {
            QVERIFY(seen->shown);
            QCOMPARE(seen->title, QString("Delete Modbus Registers"));
            QCOMPARE(seen->text,
                     QString("This change will eliminate 38 Modbus registers.\r\nAre you sure?"));
        } else {
            QCOMPARE(unexpected->captions, QStringList{});
        }
        QCOMPARE(page.formatList().currentText(), shownFormat);
        QCOMPARE(page.list().rows().rowCount(), rows);
        QCOMPARE(page.countBox().value(), rows);
        QCOMPARE(page.countBox().maximum(), maximum);
        QCOMPARE(page.list().rows().index(rows - 1, 1).data().toString(),
                 QString("Point_%1").arg(rows));
        page.apply();
        QCOMPARE(int(settings.registerFormat), formatByte);
        QCOMPARE(int(settings.registerCount), rows);
        QCOMPARE(int(settings.inputNames.size()), rows);

        // Back to 16-bit values: the full block may be read again.
        choose(page.formatList(), 0);
        QCOMPARE(page.countBox().maximum(), 125);
        page.apply();
        QCOMPARE(int(settings.registerFormat), formatByte & 0x80);
    }

    void numberOfRegistersAddsAndDropsNames()
    {
        Plant f;
        ModbusModuleSettings settings = f.module.openingSettings();
        MBInputPage page(settings);
        page.countBox().setValue(5);
        QCOMPARE(names(page.names()), QStringList({"Flow", "Level", "Temp", "Point_4", "Point_5"}));
        QCOMPARE(column(page.list(), 0), QStringList({"R100", "R101", "R102", "R103", "R104"}));
        page.countBox().setValue(2);
        QCOMPARE(column(page.list(), 1), QStringList({"Flow", "Level"}));
        // Raised again, the dropped position is a new point.
        page.countBox().setValue(3);
        QCOMPARE(names(page.names()), QStringList({"Flow", "Level", "Point_3"}));
    }

    // OK reuses the inputs it keeps, makes the ones it lacks, and removes the rest from the
    // whole project: the other gateway's import of it, the map entry and the import clipboard.
    void okWritesTheInputsBack_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("clipboardPoint");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<bool>("clipboardEmptied");
        QTest::newRow("raised to 5")
            << 5 << "Temp" << QStringList{"Flow", "Level", "Temp", "Point_4", "Point_5"} << false;
        QTest::newRow("lowered to 2, Temp on the clipboard")
            << 2 << "Temp" << QStringList{"Flow", "Level"} << true;
        QTest::newRow("lowered to 2, Flow on the clipboard")
            << 2 << "Flow" << QStringList{"Flow", "Level"} << false;
    }
    void okWritesTheInputsBack()
    {
        QFETCH(int, count);
        QFETCH(QString, clipboardPoint);
        QFETCH(QStringList, inputs);
        QFETCH(bool, clipboardEmptied);
        Plant f;
        ZAVGateway& g1 = *f.p.g1;
        ZAVGateway& g2 = *f.p.g2;
        Import* temp = pointNamed(g1, "Temp");
        QVERIFY(temp != nullptr);
        QCOMPARE(importPoints(g1, g2, {temp}).size(), size_t(1));
        QCOMPARE(pasteToModbusMap(g1, {temp}, false), std::string());
        const size_t sharedBefore = g2.sharedImports().size();
        const size_t mapBefore = g1.mapIntegerList().size();
        f.t.app.importClipboard() = {pointNamed(g1, clipboardPoint.toStdString())};
        std::vector<Import*> kept;
        for (const auto& input : *f.module.getModuleInputs()) {
            kept.push_back(input.get());
        }

        const int result = withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            pageOf<IoPortPage>(sheet).slaveIdBox().setValue(9);
            pageOf<MBInputPage>(sheet).countBox().setValue(count);
            sheet.okButton().click();
        });
        QCOMPARE(result, NodePropertySheet::resultOk);
        QCOMPARE(inputNames(f.module), inputs);
        const auto& now = *f.module.getModuleInputs();
        for (size_t i = 0; i < now.size(); ++i) {
            if (i < kept.size()) {
                QCOMPARE(now[i].get(), kept[i]);
            }
            const auto* input = dynamic_cast<const MBImport*>(now[i].get());
            QVERIFY(input != nullptr);
            QCOMPARE(int(input->port()), 2);
            QCOMPARE(int(input->slaveId()), 9);
            QCOMPARE(int(input->startRegister()), 100);
            QCOMPARE(int(input->registerCount()), count);
            QCOMPARE(input->owner, static_cast<Node*>(&f.module));
        }
        QCOMPARE(int(f.module.registerCount), count);
        QCOMPARE(int(f.module.slaveId), 9);
        const bool removed = count < 3;
        QCOMPARE(pointNamed(g1, "Temp") == nullptr, removed);
        QCOMPARE(g2.sharedImports().size(), sharedBefore - (removed ? 1 : 0));
        QCOMPARE(g1.mapIntegerList().size(), mapBefore - (removed ? 1 : 0));
        QCOMPARE(f.t.app.importClipboard().empty(), clipboardEmptied);
        QVERIFY(f.t.doc.isModified());
    }

    // Bits 0-6 choose the value format and alone decide the size: function code 4 does not
    // make a 16-bit value 32 bits wide.
    void formatAndFunctionCodeMakeTheFormatByte_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("formatByte");
        QTest::addColumn<int>("sizeWord");
        QTest::newRow("int 16, 0x03") << 0 << 0 << 0x00 << 2;
        QTest::newRow("int 16, 0x04") << 0 << 1 << 0x80 << 2;
        QTest::newRow("float, 0x03") << 1 << 0 << 0x02 << 4;
        QTest::newRow("float, 0x04") << 1 << 1 << 0x82 << 4;
    }
    void formatAndFunctionCodeMakeTheFormatByte()
    {
        QFETCH(int, format);
        QFETCH(int, function);
        QFETCH(int, formatByte);
        QFETCH(int, sizeWord);
        Plant f;
        withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            MBInputPage& page = pageOf<MBInputPage>(sheet);
            choose(page.formatList(), format);
            choose(page.functionList(), function);
            sheet.okButton().click();
        });
        QCOMPARE(int(f.module.registerFormat), formatByte);
        for (const auto& input : *f.module.getModuleInputs()) {
            QCOMPARE(int(input->formatWord), formatByte);
            QCOMPARE(int(input->sizeWord), sizeWord);
            QCOMPARE(int(input->details[5]), formatByte);
        }
    }

    void intervalAndStartingRegister_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("saved");
        QTest::newRow("in range") << "4000"
                                  << "4000" << 4000;
        QTest::newRow("above the range") << "70000"
                                         << "65535" << 65535;
    }
    void intervalAndStartingRegister()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, saved);
        Plant f;
        QString text;
        QString firstRow;
        withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            MBInputPage& page = pageOf<MBInputPage>(sheet);
            page.intervalBox().setTime(QTime(1, 2, 3));
            typeInto(page.startBox(), typed);
            QTest::keyClick(&page.startBox(), Qt::Key_Tab);
            text = page.startBox().text();
            firstRow = page.list().rows().index(0, 0).data().toString();
            sheet.okButton().click();
        });
        QCOMPARE(text, shown);
        QCOMPARE(firstRow, "R" + shown);
        QCOMPARE(int(f.module.firstRegister), saved);
        QCOMPARE(f.module.pollInterval, 3723u);
        QCOMPARE(f.module.getModuleInputs()->front()->interval, 3723u);
    }

    void pasteTagsNamesTheSelectedRowsInOrder_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("result");
        QTest::addColumn<bool>("refused");
        const QStringList before{"Flow", "Level", "Temp", "Point_4", "Point_5"};
        QTest::newRow("two lines onto rows 3 and 4")
            << "Inlet\r\nOutlet\r\n"
            << QList<int>{3, 4} << QStringList{"Flow", "Level", "Temp", "Inlet", "Outlet"} << false;
        QTest::newRow("more names than rows")
            << "A\nB\nC" << QList<int>{1} << QStringList{"Flow", "A", "Temp", "Point_4", "Point_5"}
            << false;
        QTest::newRow("empty lines dropped, fewer names than rows")
            << "X\r\n\r\n\nY" << QList<int>{0, 2, 4}
            << QStringList{"X", "Level", "Y", "Point_4", "Point_5"} << false;
        QTest::newRow("NUL and CR split")
            << QString::fromLatin1("P\0Q\rR", 5) << QList<int>{2, 3, 4}
            << QStringList{"Flow", "Level", "P", "Q", "R"} << false;
        QTest::newRow("1,023 bytes")
            << QString(1023, u'n') << QList<int>{0}
            << QStringList{QString(1023, u'n'), "Level", "Temp", "Point_4", "Point_5"} << false;
        QTest::newRow("1,024 bytes") << QString(1022, u'n') + "\r\n"
                                     << QList<int>{0} << before << true;
    }
    void pasteTagsNamesTheSelectedRowsInOrder()
    {
        QFETCH(QString, clipboard);
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, result);
        QFETCH(bool, refused);
        Plant f;
        ModbusModuleSettings settings = f.module.openingSettings();
        MBInputPage page(settings);
        page.show();
        page.countBox().setValue(5);
        page.list().selectRows(std::vector<int>(rows.begin(), rows.end()));
        QApplication::clipboard()->setText(clipboard);
        std::shared_ptr<SeenBox> box = refused ? answerNextBox(QMessageBox::Ok) : nullptr;
        chooseInNextMenu("Paste Tag(s)");
        rightClickRow(page.list(), rows.front());
        QCOMPARE(column(page.list(), 1), result);
        QCOMPARE(names(page.names()), result);
        if (refused) {
            QVERIFY(box->shown);
            QCOMPARE(box->title, QString("Paste Tag(s)"));
        }
        QList<int> selected;
        for (int row : page.list().selectedRows()) {
            selected << row;
        }
        QCOMPARE(selected, rows);
    }

    void theMenuOffersPasteWhileTheClipboardHoldsText_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("enabled");
        QTest::newRow("empty") << "" << QStringList{"Edit Name"};
        QTest::newRow("text") << "Inlet" << QStringList{"Edit Name", "Paste Tag(s)"};
    }
    void theMenuOffersPasteWhileTheClipboardHoldsText()
    {
        QFETCH(QString, clipboard);
        QFETCH(QStringList, enabled);
        Plant f;
        ModbusModuleSettings settings = f.module.openingSettings();
        MBOutputPage page(f.module, settings);
        page.show();
        if (!clipboard.isEmpty()) {
            QApplication::clipboard()->setText(clipboard);
        }
        const auto menu = closeNextMenu();
        rightClickRow(page.list(), 0);
        QVERIFY(menu->shown);
        QCOMPARE(menu->all, QStringList({"Edit Name", "Paste Tag(s)"}));
        QCOMPARE(menu->enabled, enabled);

        // Without a selected row there is nothing to name.
        page.list().clearSelection();
        bool popped = false;
        QTimer::singleShot(0, &page, [&popped] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popped = true;
                popup->close();
            }
        });
        rightClickRow(page.list(), 0);
        QCoreApplication::processEvents();
        QVERIFY(!popped);
    }

    void editNameRenamesTheRowsPoint()
    {
        Plant f;
        ModbusModuleSettings settings = f.module.openingSettings();
        MBInputPage page(settings);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QString offered;
        answerNextDialog<dialogs::OutputNameDlg>([&offered](dialogs::OutputNameDlg& dialog) {
            offered = dialog.nameBox().text();
            dialog.nameBox().setText("Inlet");
            dialog.okButton().click();
        });
        const QPoint at = page.list().visualRect(page.list().rows().index(1, 1)).center();
        QTest::mouseClick(page.list().viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(page.list().viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(page.list().viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(offered, QString("Level"));
        QCOMPARE(names(page.names()), QStringList({"Flow", "Inlet", "Temp"}));
        QCOMPARE(column(page.list(), 1), QStringList({"Flow", "Inlet", "Temp"}));
        QCOMPARE(page.list().selectedRows(), std::vector<int>{1});
        // The module is untouched until OK.
        QCOMPARE(inputNames(f.module), QStringList({"Flow", "Level", "Temp"}));
    }

    void addedOutputsAreNumberedAndTakeThePortOnOk()
    {
        Plant f;
        ModbusModuleSettings s;
        s.port = 2;
        s.slaveId = 4;
        QVERIFY(f.t.doc.insertModbusModule(*f.p.g1, std::move(s)));
        auto& module = dynamic_cast<MBModule&>(*f.p.g1->childModules().back());
        QStringList rows;
        withSheet(f.t.app, module, [&](NodePropertySheet& sheet) {
            typeInto(pageOf<IoPortPage>(sheet).slaveIdBox(), "12");
            MBOutputPage& page = pageOf<MBOutputPage>(sheet);
            QVERIFY(!page.formatList().isEnabled());
            QCOMPARE(page.formatList().currentText(), QString("int 16"));
            for (const char* reg : {"300", "301"}) {
                typeInto(page.registerBox(), reg);
                page.addButton().click();
            }
            rows = column(page.list(), 2);
            QCOMPARE(page.list().selectedRows(), std::vector<int>{1});
            sheet.okButton().click();
        });
        QCOMPARE(rows, QStringList({"Output_0", "Output_1"}));
        const auto& outputs = *module.getModuleOutputs();
        QCOMPARE(outputs.size(), size_t(2));
        for (size_t i = 0; i < outputs.size(); ++i) {
            const auto* output = dynamic_cast<const MBExport*>(outputs[i].get());
            QVERIFY(output != nullptr);
            QCOMPARE(QString::fromStdString(output->exportName), QString("Output_%1").arg(i));
            QCOMPARE(int(output->port()), 2);
            QCOMPARE(int(output->slaveId()), 12);
            QCOMPARE(int(output->startRegister()), 300 + int(i));
            QCOMPARE(int(output->registerCount()), 1);
            QCOMPARE(int(output->format()), 0);
            QCOMPARE(output->owner, static_cast<Node*>(&module));
        }
    }

    void registerFollowsTheSelectedRow()
    {
        Plant f;
        ModbusModuleSettings settings = f.module.openingSettings();
        MBOutputPage page(f.module, settings);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QCOMPARE(page.registerBox().value(), 200);
        const QPoint third = page.list().visualRect(page.list().rows().index(2, 2)).center();
        QTest::mouseClick(page.list().viewport(), Qt::LeftButton, {}, third);
        QCOMPARE(page.list().selectedRows(), std::vector<int>{2});
        QCOMPARE(page.registerBox().value(), 202);
        // Several rows: the first of them.
        page.list().selectRows({1, 2});
        QCOMPARE(page.registerBox().value(), 201);
    }

    // The register field shows a row's register and the format list offers "int 16" only, so
    // Update hands the selected rows only what the user entered since the field followed them.
    void updateHandsTheSelectedRowsOnlyWhatWasEntered_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QList<int>>("registers");
        QTest::addColumn<bool>("modified");
        QTest::newRow("nothing entered")
            << "select=0,2 update" << QList<int>{200, 201, 202} << false;
        QTest::newRow("a register entered")
            << "select=0,2 type=500 update" << QList<int>{500, 201, 500} << true;
        QTest::newRow("entered, then other rows chosen")
            << "select=1 type=600 select=0,2 update" << QList<int>{200, 201, 202} << false;
        QTest::newRow("one row, twice")
            << "select=1 type=600 update update" << QList<int>{200, 600, 202} << true;
    }
    void updateHandsTheSelectedRowsOnlyWhatWasEntered()
    {
        QFETCH(QString, script);
        QFETCH(QList<int>, registers);
        QFETCH(bool, modified);
        Plant f;
        // The third output writes a float, which the format list cannot show.
        f.module.getModuleOutputs()->at(2)->details[5] = 2;
        const int result = withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            MBOutputPage& page = pageOf<MBOutputPage>(sheet);
            for (const QString& step : script.split(u' ')) {
                if (step.startsWith("select=")) {
                    std::vector<int> rows;
                    for (const QString& row : step.mid(7).split(u',')) {
                        rows.push_back(row.toInt());
                    }
                    page.list().selectRows(rows);
                } else if (step.startsWith("type=")) {
                    typeInto(page.registerBox(), step.mid(5));
                } else if (step == "update") {
                    page.updateButton().click();
                }
            }
            sheet.cancelButton().click();
        });
        QCOMPARE(result, NodePropertySheet::resultCancel);
        QCOMPARE(outputRegisters(f.module), registers);
        QCOMPARE(int(f.module.getModuleOutputs()->at(2)->details[5]), 2);
        QCOMPARE(f.t.doc.isModified(), modified);
    }

    void addNeverRepeatsANameAfterARemove()
    {
        Plant f;
        withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            MBOutputPage& page = pageOf<MBOutputPage>(sheet);
            page.list().selectRows({0});
            page.removeButton().click();
            // Two left, Output_1 and Output_2: the count would name the next Output_2.
            page.addButton().click();
            page.addButton().click();
            QCOMPARE(column(page.list(), 2),
                     QStringList({"Output_1", "Output_2", "Output_3", "Output_4"}));
            sheet.okButton().click();
        });
        QCOMPARE(outputNames(f.module),
                 QStringList({"Output_1", "Output_2", "Output_3", "Output_4"}));
    }

    // Update, Edit Name and Paste Tag(s) work on the module's outputs themselves; Add and Remove
    // wait for OK.
    void outputChangesAndTheirFateOnCancel_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<QList<int>>("registers");
        QTest::addColumn<bool>("modified");
        const QStringList three{"Output_0", "Output_1", "Output_2"};
        const QList<int> registers{200, 201, 202};
        QTest::newRow("rename, Cancel")
            << "rename" << false << QStringList{"Output_0", "Valve", "Output_2"} << registers
            << true;
        QTest::newRow("update, Cancel")
            << "update" << false << three << QList<int>{500, 201, 500} << true;
        QTest::newRow("paste, Cancel")
            << "paste" << false << QStringList{"Pump", "Output_1", "Fan"} << registers << true;
        QTest::newRow("add, Cancel") << "add" << false << three << registers << false;
        QTest::newRow("remove, Cancel") << "remove" << false << three << registers << false;
        QTest::newRow("add, OK") << "add" << true << three + QStringList{"Output_3"}
                                 << registers + QList<int>{500} << true;
        QTest::newRow("remove, OK")
            << "remove" << true << QStringList{"Output_1"} << QList<int>{201} << true;
    }
    void outputChangesAndTheirFateOnCancel()
    {
        QFETCH(QString, action);
        QFETCH(bool, ok);
        QFETCH(QStringList, outputs);
        QFETCH(QList<int>, registers);
        QFETCH(bool, modified);
        Plant f;
        const Export* second = f.module.getModuleOutputs()->at(1).get();
        const int result = withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            MBOutputPage& page = pageOf<MBOutputPage>(sheet);
            if (action == "rename") {
                page.list().selectRows({1});
                answerNextDialog<dialogs::OutputNameDlg>([](dialogs::OutputNameDlg& dialog) {
                    dialog.nameBox().setText("Valve");
                    dialog.okButton().click();
                });
                chooseInNextMenu("Edit Name");
                rightClickRow(page.list(), 1);
            } else if (action == "update") {
                page.list().selectRows({0, 2});
                typeInto(page.registerBox(), "500");
                page.updateButton().click();
            } else if (action == "paste") {
                page.list().selectRows({0, 2});
                QApplication::clipboard()->setText("Pump\nFan");
                chooseInNextMenu("Paste Tag(s)");
                rightClickRow(page.list(), 0);
            } else if (action == "add") {
                typeInto(page.registerBox(), "500");
                page.addButton().click();
            } else if (action == "remove") {
                page.list().selectRows({0, 2});
                page.removeButton().click();
                QCOMPARE(column(page.list(), 2), QStringList{"Output_1"});
            }
            (ok ? sheet.okButton() : sheet.cancelButton()).click();
        });
        QCOMPARE(result, ok ? NodePropertySheet::resultOk : NodePropertySheet::resultCancel);
        QCOMPARE(outputNames(f.module), outputs);
        QCOMPARE(outputRegisters(f.module), registers);
        QCOMPARE(f.t.doc.isModified(), modified);
        if (outputs.contains("Output_1") || outputs.contains("Valve")) {
            // The module's own output objects, not copies.
            QVERIFY(std::any_of(f.module.getModuleOutputs()->begin(),
                                f.module.getModuleOutputs()->end(),
                                [second](const auto& o) { return o.get() == second; }));
        }
    }

    void insertThenCancelLeavesTheProjectAsItWas()
    {
        ProjectFixture f;
        f.select(f.g1);
        const std::vector<uint8_t> before = f.doc().toBytes();
        const uint32_t nextId = f.doc().nextNodeId();
        const int32_t number = f.g1->modbusModuleCounter;
        const size_t children = f.g1->childModules().size();

        QString caption;
        bool connectionOpen = false;
        answerNextDialog<NodePropertySheet>([&](NodePropertySheet& sheet) {
            caption = sheet.windowTitle();
            connectionOpen = f.app.connectionOpen();
            sheet.cancelButton().click();
        });
        f.frame.routeCommand(shell::Command::insertModbusModule);
        QCOMPARE(caption, QString("MBModule_2 - ( Generic Modbus Module )"));
        QVERIFY(connectionOpen);
        QVERIFY(!f.app.connectionOpen());
        QCOMPARE(f.g1->childModules().size(), children);
        QCOMPARE(f.doc().nextNodeId(), nextId);
        QCOMPARE(f.g1->modbusModuleCounter, number);
        QCOMPARE(f.model().rowCount(f.indexOf(f.g1)), int(children));
        QVERIFY(f.doc().toBytes() == before);

        // The next one gets the same name and id, and is kept on OK.
        answerNextDialog<NodePropertySheet>([&](NodePropertySheet& sheet) {
            caption = sheet.windowTitle();
            pageOf<MBInputPage>(sheet).countBox().setValue(2);
            sheet.okButton().click();
        });
        f.frame.routeCommand(shell::Command::insertModbusModule);
        QCOMPARE(caption, QString("MBModule_2 - ( Generic Modbus Module )"));
        QCOMPARE(f.g1->childModules().size(), children + 1);
        auto& added = dynamic_cast<MBModule&>(*f.g1->childModules().back());
        QCOMPARE(QString::fromStdString(added.getName()), QString("MBModule_2"));
        QCOMPARE(added.getId(), nextId);
        QCOMPARE(inputNames(added), QStringList({"Point_1", "Point_2"}));
        QCOMPARE(f.model().rowCount(f.indexOf(f.g1)), int(children + 1));
    }

    void tabGoesRoundEachPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("IO Bus") << 0
                                << QStringList{"Slave ID", "OK", "Cancel", "page tabs", "Slave ID"};
        // Tab takes the time field's hours, minutes and seconds in turn.
        QTest::newRow("Modbus Inputs") << 1
                                       << QStringList{"Interval",
                                                      "Interval",
                                                      "Interval",
                                                      "Starting Register",
                                                      "Number of Registers",
                                                      "Register Format",
                                                      "Function Code",
                                                      "quillan::views::PointListView",
                                                      "OK",
                                                      "Cancel",
                                                      "page tabs",
                                                      "Interval"};
        // The format list is fixed, so Tab passes it by.
        QTest::newRow("Modbus Outputs")
            << 2
            << QStringList{
                   "Register", "Add",    "Update",  "Remove",  "quillan::views::PointListView",
                   "OK",       "Cancel", "page tabs", "Register"};
    }
    void tabGoesRoundEachPage()
    {
        QFETCH(int, page);
        QFETCH(QStringList, chain);
        Plant f;
        QStringList seen;
        QString startsAt;
        withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            QVERIFY(QTest::qWaitForWindowActive(&sheet));
            startsAt = describe(QApplication::focusWidget());
            sheet.setCurrentPage(page);
            sheet.tabs().tabBar()->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << describe(QApplication::focusWidget());
            while (seen.size() < chain.size()) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                seen << describe(QApplication::focusWidget());
            }
        });
        QCOMPARE(startsAt, QString("Slave ID"));
        QCOMPARE(seen, chain);
    }

    void enterTakesOkAndEscapeCancels_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("saved");
        QTest::newRow("Enter") << int(Qt::Key_Return) << NodePropertySheet::resultOk << 42;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << NodePropertySheet::resultCancel << 100;
    }
    void enterTakesOkAndEscapeCancels()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        QFETCH(int, saved);
        Plant f;
        const int answered = withSheet(f.t.app, f.module, [&](NodePropertySheet& sheet) {
            QVERIFY(QTest::qWaitForWindowActive(&sheet));
            controls::ClampSpinBox& start = pageOf<MBInputPage>(sheet).startBox();
            typeInto(start, "42");
            QTest::keyClick(&start, static_cast<Qt::Key>(key));
        });
        QCOMPARE(answered, result);
        QCOMPARE(int(f.module.firstRegister), saved);
    }
};

QTEST_MAIN(ModbusModuleSheetTest)
#include "ModbusModuleSheetTest.moc"
