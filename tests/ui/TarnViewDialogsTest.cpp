// The point dialogs the tabbed view opens: what they show and the values they hand back.

#include "ViewTestSupport.h"
#include "controls/CSpinEdit.h"
#include "dialogs/ExportIntervalDlg.h"
#include "dialogs/MapImportsDlg.h"
#include "dialogs/ScaleImportDlg.h"

#include <QCheckBox>
#include <QTimeEdit>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;

class TarnViewDialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scalingClampsTypedValues_data()
    {
        QTest::addColumn<bool>("gainBox");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("expected");
        QTest::newRow("gain above 10000") << true << "20000" << 10000.0;
        QTest::newRow("gain in range") << true << "0.125" << 0.125;
        QTest::newRow("offset below -1000000") << false << "-2500000" << -1000000.0;
        QTest::newRow("offset in range") << false << "-12.5" << -12.5;
    }

    void scalingClampsTypedValues()
    {
        QFETCH(bool, gainBox);
        QFETCH(QString, typed);
        QFETCH(double, expected);
        TestApp t;
        PlantProject p(t.doc);
        const auto shared = importPoints(*p.g2, *p.g1, {pointNamed(*p.g2, "VIN")});
        dialogs::ScaleImportDlg dialog(*shared.front());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        controls::CSpinEdit& box = gainBox ? dialog.gainBox() : dialog.offsetBox();
        box.setFocus();
        QTest::keyClicks(&box, typed);
        QTest::keyClick(&box, Qt::Key_Tab);
        QCOMPARE(gainBox ? dialog.gain() : dialog.offset(), expected);
    }

    void scalingStartsFromThePoint()
    {
        TestApp t;
        PlantProject p(t.doc);
        Import& flow = *pointNamed(*p.g1, "Flow");
        flow.gain = 0.25f;
        flow.offset = -3.5f;
        dialogs::ScaleImportDlg dialog(flow);
        QCOMPARE(dialog.windowTitle(), QString("Scale Import - ( Gateway:MBModule:Flow )"));
        QCOMPARE(dialog.gain(), 0.25);
        QCOMPARE(dialog.offset(), -3.5);
        QCOMPARE(dialog.gainBox().settings().decimals, 8);
        QCOMPARE(dialog.offsetBox().settings().decimals, 1);
        QCOMPARE(dialog.gainBox().text(), QString("0.25000000"));
        QCOMPARE(dialog.offsetBox().text(), QString("-3.5"));
    }

    void intervalOpensAsTimeOfDay_data()
    {
        QTest::addColumn<uint>("seconds");
        QTest::addColumn<QTime>("shown");
        QTest::newRow("on change") << 0u << QTime(0, 0, 0);
        QTest::newRow("3725 s") << 3725u << QTime(1, 2, 5);
        QTest::newRow("last second of a day") << 86399u << QTime(23, 59, 59);
        QTest::newRow("more than a day") << 90000u << QTime(23, 59, 59);
    }

    void intervalOpensAsTimeOfDay()
    {
        QFETCH(uint, seconds);
        QFETCH(QTime, shown);
        dialogs::ExportIntervalDlg dialog(seconds);
        QCOMPARE(dialog.picker().time(), shown);
        QCOMPARE(dialog.picker().displayFormat(), QString("HH:mm:ss"));
        QCOMPARE(dialog.interval(), static_cast<uint32_t>(shown.msecsSinceStartOfDay() / 1000));
    }

    void mapImportsListsTheNewPointsAndRemembersTheChoice()
    {
        TestApp t;
        PlantProject p(t.doc, 3);
        auto* g3 = dynamic_cast<ZAVGateway*>(t.doc.nodes().at(3).get());
        t.app.settings().setPasteOptions(2);
        // Gateway_2 takes Flow from Gateway, and Gateway_3 takes it on from Gateway_2.
        const auto first = importPoints(*p.g1, *p.g2, {pointNamed(*p.g1, "Flow")});
        const auto relayed = importPoints(*p.g2, *g3, {first.front()});
        const auto vin = importPoints(*p.g2, *g3, {pointNamed(*p.g2, "VIN")});

        dialogs::MapImportsDlg dialog("Gateway_3", {relayed.front(), vin.front()},
                                      t.app.settings());
        QCOMPARE(dialog.windowTitle(), QString("Map Imports to Gateway_3's Modbus"));
        QCOMPARE(rowTexts(dialog.pointList(), 0),
                 (QStringList{"Gateway_2", "Gateway:MBModule:Flow"}));
        QCOMPARE(rowTexts(dialog.pointList(), 1), (QStringList{"Gateway_2", "Base:VIN"}));
        QCOMPARE(dialog.pointList().selectedRows(), (std::vector<int>{0, 1}));
        QVERIFY(!dialog.integerBox().isChecked());
        QVERIFY(dialog.floatBox().isChecked());
        QCOMPARE(dialog.choice(), 2);

        dialog.integerBox().setChecked(true);
        QCOMPARE(dialog.choice(), 3);
        QCOMPARE(t.app.settings().pasteOptions(), 3);
        dialog.floatBox().setChecked(false);
        QCOMPARE(t.app.settings().pasteOptions(), 1);
    }
};

QTEST_MAIN(TarnViewDialogsTest)
#include "TarnViewDialogsTest.moc"
