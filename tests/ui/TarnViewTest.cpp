// The tabbed view's lists and bookkeeping: columns, rows, which node is shown, when the lists
// refill, the scroll position and the limit warnings.

#include "views/TarnView.h"

#include "ViewTestSupport.h"
#include "document/DocumentObserver.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;
using views::TarnView;

class TarnViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsOfEachTab_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("Device") << int(TarnView::deviceTab) << QStringList{"Parameter", "Value"}
                                << QList<int>{200, 500};
        QTest::newRow("Imports") << int(TarnView::importsTab)
                                 << QStringList{"Select All", "Source", "Point", "Interval",
                                                "Scaling"}
                                 << QList<int>{60, 100, 200, 80, 200};
        QTest::newRow("Exports") << int(TarnView::exportsTab)
                                 << QStringList{"", "Point", "Interval", "Destination"}
                                 << QList<int>{30, 200, 80, 100};
        QTest::newRow("Outputs") << int(TarnView::outputsTab)
                                 << QStringList{"", "Output", "Interval", "Source", "Point"}
                                 << QList<int>{30, 200, 80, 100, 200};
        QTest::newRow("Modbus") << int(TarnView::modbusTab)
                                << QStringList{"Select All", "Type",  "Register", "Source",
                                               "Point",      "Value", ""}
                                << QList<int>{60, 120, 55, 100, 200, 100};
    }

    void columnsOfEachTab()
    {
        QFETCH(int, tab);
        QFETCH(QStringList, titles);
        QFETCH(QList<int>, widths);
        TestApp t;
        TarnView view(t.app);
        const views::PointListView& list = view.list(static_cast<TarnView::Tab>(tab));
        QCOMPARE(list.rows().columnCount(), titles.size());
        for (int c = 0; c < titles.size(); ++c) {
            QCOMPARE(list.rows().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                     titles[c]);
        }
        // The last column stretches over what is left; the others start at their widths, or
        // wider where this font needs more room for the title.
        for (int c = 0; c + 1 < widths.size(); ++c) {
            QVERIFY2(list.columnWidth(c) >= widths[c], qPrintable(titles[c]));
            const int title = list.horizontalHeader()->fontMetrics().horizontalAdvance(titles[c]);
            QVERIFY2(list.columnWidth(c) >= title, qPrintable(titles[c]));
        }
        QVERIFY(list.showGrid());
        QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void gatewayListsShowTheCoreRows()
    {
        TestApp t;
        PlantProject p(t.doc);
        (void)importPoints(*p.g2, *p.g1, {pointNamed(*p.g2, "VIN")});
        QVERIFY(pasteToModbusMap(*p.g1, {pointNamed(*p.g1, "VIN")}, false).empty());
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);

        QCOMPARE(view.tabText(TarnView::deviceTab), QString("Gateway"));
        const auto& device = view.list(TarnView::deviceTab);
        QCOMPARE(rowTexts(device, 0), (QStringList{"Type", "ZAV Gateway Module"}));
        QCOMPARE(rowTexts(device, 1), (QStringList{"Name", "Gateway"}));

        // VIN, the module's three inputs, then the point shared from Gateway_2.
        const auto& imports = view.list(TarnView::importsTab);
        QCOMPARE(imports.rows().rowCount(), 5);
        QCOMPARE(rowTexts(imports, 0), (QStringList{"001", "Gateway", "Base:VIN", "00:00:01", ""}));
        QCOMPARE(rowTexts(imports, 1).mid(0, 3), (QStringList{"002", "Gateway", "MBModule:Flow"}));
        QCOMPARE(rowTexts(imports, 4).mid(0, 4),
                 (QStringList{"005", "Gateway_2", "Base:VIN", "On Change"}));
        QVERIFY(!imports.rows().index(0, 0).data(Qt::DecorationRole).value<QPixmap>().isNull());

        const auto& outputs = view.list(TarnView::outputsTab);
        QCOMPARE(outputs.rows().rowCount(), 3);
        QCOMPARE(rowTexts(outputs, 0).mid(0, 2), (QStringList{"001", "MBModule:Output_0"}));
        QCOMPARE(rowTexts(outputs, 2).mid(3, 2), (QStringList{"", ""}));

        const auto& modbus = view.list(TarnView::modbusTab);
        QCOMPARE(modbus.rows().rowCount(), 1);
        QCOMPARE(rowTexts(modbus, 0).mid(0, 5),
                 (QStringList{"001", "Integer (16-bit)", "3001", "Gateway", "Base:VIN"}));
        QVERIFY(modbus.isColumnHidden(6));
        QVERIFY(modbus.columnWidth(1) >=
                modbus.fontMetrics().horizontalAdvance("Floating Point (32-bit)"));

        // Gateway_2 sends its VIN to Gateway.
        view.nodeSelected(p.g2, nullptr);
        const auto& exports = view.list(TarnView::exportsTab);
        QCOMPARE(exports.rows().rowCount(), 1);
        QCOMPARE(rowTexts(exports, 0), (QStringList{"001", "Base:VIN", "On Change", "Gateway"}));
    }

    void headerClickAndCtrlASelectEveryImport()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.resize(800, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        auto& imports = view.list(TarnView::importsTab);
        const std::vector<int> all{0, 1, 2, 3};

        QHeaderView* header = imports.horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QCOMPARE(imports.selectedRows(), all);

        imports.selectRows({1});
        imports.setFocus();
        QTest::keyClick(&imports, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(imports.selectedRows(), all);
    }

    void rootDeviceTabListsTheSites()
    {
        TestApp t;
        PlantProject p(t.doc);
        Site second;
        second.setSiteName("North");
        second.setBand(band900);
        second.setSiteChannel(3);
        second.setFirstGroup(20);
        second.setSecurityEnabled(false);
        t.doc.insertSite(second);
        TarnView view(t.app);
        view.nodeSelected(t.doc.root(), nullptr);

        QCOMPARE(view.tabText(TarnView::deviceTab), QString("Plant"));
        const auto& device = view.list(TarnView::deviceTab);
        QCOMPARE(device.rows().rowCount(), 5);
        QCOMPARE(rowTexts(device, 0), (QStringList{"Project", "Plant"}));
        QCOMPARE(rowTexts(device, 2), (QStringList{"Location", ""}));
        QCOMPARE(rowTexts(device, 4),
                 (QStringList{"North", "CH 3  :  GP  20  :  BR  9600  :  AES  Off  :  ESS  Off"
                                       "  :  900 MHz"}));
        QCOMPARE(device.rows().rowAt(3)->image, 1); // the active site
        QCOMPARE(device.rows().rowAt(4)->image, 2);
        QVERIFY(!device.rows().index(0, 0).data(Qt::DecorationRole).value<QPixmap>().isNull());
        // The root has no point lists.
        for (auto tab : {TarnView::importsTab, TarnView::exportsTab, TarnView::outputsTab,
                         TarnView::modbusTab}) {
            QCOMPARE(view.list(tab).rows().rowCount(), 0);
        }
    }

    void selectingNothingKeepsTheShownNode()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.nodeSelected(nullptr, nullptr);
        QCOMPARE(view.shownNode(), p.g1);
        QVERIFY(view.list(TarnView::importsTab).rows().rowCount() > 0);
    }

    void aModuleShowsItsOwnDeviceRowsAndNoLists()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, p.module);
        QCOMPARE(view.shownNode(), p.module);
        QCOMPARE(view.tabText(TarnView::deviceTab), QString("MBModule"));
        QCOMPARE(rowTexts(view.list(TarnView::deviceTab), 0),
                 (QStringList{"Type", "Generic Modbus Module"}));
        QCOMPARE(view.list(TarnView::importsTab).rows().rowCount(), 0);
        QCOMPARE(view.list(TarnView::outputsTab).rows().rowCount(), 0);
    }

    void targetIsTheLastRootOrGatewaySelected()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.targetSelected(p.g2);
        QCOMPARE(view.targetGateway(), p.g2);
        view.targetSelected(p.module);
        QCOMPARE(view.targetGateway(), p.g2);
        view.targetSelected(t.doc.root());
        QCOMPARE(view.targetGateway(), t.doc.root());
    }

    void openingAnotherNodeEmptiesTheImportClipboard()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        view.list(TarnView::importsTab).selectRows({0, 1});
        QVERIFY(view.runCommand(shell::Command::copy));
        QCOMPARE(t.app.importClipboard().size(), size_t{2});

        // A refill of the same node keeps it.
        view.nodeChanged(p.g1, nullptr);
        QCOMPARE(t.app.importClipboard().size(), size_t{2});
        view.nodeSelected(p.g2, nullptr);
        QVERIFY(t.app.importClipboard().empty());
    }

    void deletingTheShownNodeEmptiesEveryTab()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.targetSelected(p.g1);
        QVERIFY(view.list(TarnView::importsTab).rows().rowCount() > 0);

        struct Observer final : DocumentObserver {
            TarnView* view;
            explicit Observer(TarnView* v) : view(v) {}
            void nodeDeleted(const Node& node) override { view->nodeDeleted(&node); }
        } observer(&view);
        t.doc.setObserver(&observer);
        t.doc.deleteNode(*p.g1);
        t.doc.setObserver(nullptr);

        QCOMPARE(view.shownNode(), nullptr);
        QCOMPARE(view.targetGateway(), nullptr);
        QCOMPARE(view.tabText(TarnView::deviceTab), QString("Device"));
        for (int tab = TarnView::deviceTab; tab <= TarnView::modbusTab; ++tab) {
            QCOMPARE(view.list(static_cast<TarnView::Tab>(tab)).rows().rowCount(), 0);
        }
    }

    void deletingAGatewayForgetsItsShownModule()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, p.module);
        view.nodeDeleted(p.g1);
        QCOMPARE(view.shownNode(), nullptr);
    }

    void documentReplacedShowsNothing()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.documentReplaced();
        QCOMPARE(view.shownNode(), nullptr);
        QCOMPARE(view.tabText(TarnView::deviceTab), QString("Device"));
        QCOMPARE(view.list(TarnView::deviceTab).rows().rowCount(), 0);
        QCOMPARE(view.list(TarnView::importsTab).viewNode(), nullptr);
    }

    void aChangedSourceGatewayRefillsTheLists()
    {
        TestApp t;
        PlantProject p(t.doc);
        (void)importPoints(*p.g2, *p.g1, {pointNamed(*p.g2, "VIN")});
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        const auto& imports = view.list(TarnView::importsTab);
        QCOMPARE(imports.rows().index(4, 1).data().toString(), QString("Gateway_2"));

        p.g2->setName("Tank");
        view.nodeChanged(p.g2, nullptr);
        QCOMPARE(imports.rows().index(4, 1).data().toString(), QString("Tank"));
        QCOMPARE(view.tabText(TarnView::deviceTab), QString("Gateway"));

        // The shown node itself renamed: the Device tab follows.
        p.g1->setName("Pump");
        view.nodeChanged(p.g1, nullptr);
        QCOMPARE(view.tabText(TarnView::deviceTab), QString("Pump"));
    }

    void theRootChangingRefreshesItsDeviceTab()
    {
        TestApp t;
        PlantProject p(t.doc);
        TarnView view(t.app);
        view.nodeSelected(t.doc.root(), nullptr);
        QCOMPARE(view.list(TarnView::deviceTab).rows().rowCount(), 4);
        Site site;
        site.setSiteName("East");
        t.doc.insertSite(site); // no observer here: the view is told directly
        view.rootChanged(p.g1);
        QCOMPARE(view.list(TarnView::deviceTab).rows().rowCount(), 4);
        view.rootChanged(t.doc.root());
        QCOMPARE(view.list(TarnView::deviceTab).rows().rowCount(), 5);
    }

    void aRefillKeepsTheRowAtTheTop()
    {
        TestApp t;
        PlantProject p(t.doc);
        for (int i = 0; i < 200; ++i) {
            (void)addNewWriteImport(*p.g1, "W" + std::to_string(i), false);
        }
        TarnView view(t.app);
        view.resize(700, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.nodeSelected(p.g1, nullptr);
        view.setCurrentIndex(TarnView::importsTab);
        auto& imports = view.list(TarnView::importsTab);
        imports.scrollTo(imports.rows().index(120, 0), QAbstractItemView::PositionAtTop);
        QCOMPARE(imports.topRow(), 120);

        view.nodeChanged(p.g1, nullptr);
        QCOMPARE(imports.topRow(), 120);
        QCOMPARE(imports.rows().rowCount(), 204);
    }

    void limitWarningsShowOnceUntilTheGatewayIsSelectedAgain()
    {
        TestApp t;
        PlantProject p(t.doc);
        // VIN and the module's 3 inputs, then write imports to one above the limits: 1921
        // imports and 1921 Modbus registers.
        for (int i = 0; i < 1917; ++i) {
            (void)addNewWriteImport(*p.g1, "W" + std::to_string(i), false);
        }
        QVERIFY(pasteToModbusMap(*p.g1,
                                 {pointNamed(*p.g1, "VIN"), pointNamed(*p.g1, "Flow"),
                                  pointNamed(*p.g1, "Level"), pointNamed(*p.g1, "Temp")},
                                 true)
                    .empty());
        TarnView view(t.app);
        {
            MessageBoxCloser boxes;
            view.nodeSelected(p.g1, nullptr);
            QCOMPARE(boxes.captions, (QStringList{"Import limit (1920) exceeded.",
                                                  "Modbus register limit (1920) exceeded."}));
        }
        {
            MessageBoxCloser boxes;
            view.nodeChanged(p.g1, nullptr);
            QCOMPARE(boxes.captions, QStringList{});
        }
        {
            MessageBoxCloser boxes;
            view.nodeSelected(p.g1, nullptr);
            QCOMPARE(boxes.captions.size(), 2);
        }
    }
};

QTEST_MAIN(TarnViewTest)
#include "TarnViewTest.moc"
