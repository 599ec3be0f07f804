// The gateway's property sheet in edit mode (Radio, Config Port, RTU Port, IO Bus) and the device
// window's read-only port pages: each page's rules as a user meets them, what OK writes back and
// what Cancel leaves alone, and the keyboard path through each page.

#include "ModalAnswers.h"
#include "ProjectFixture.h"
#include "ViewTestSupport.h"
#include "controls/ClampSpinBox.h"
#include "gateway/ConfigImage.h"
#include "gateway/ui/ConfigPortPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "gateway/ui/P2PortPage.h"
#include "gateway/ui/RFPage.h"
#include "model/FileNode.h"
#include "model/Site.h"
#include "ui/FocusNames.h"
#include "ui/KeyboardInput.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QtTest>
#include <functional>

using namespace quillan;
using namespace quillan::test;
using namespace quillan::gateway::ui;
using shell::Command;

namespace {

// Picks an entry of a closed list with the arrow keys, as a keyboard user does.
void pick(QComboBox& list, int index)
{
    list.setFocus(Qt::TabFocusReason);
    for (int at = list.currentIndex(); at < index; ++at) {
        QTest::keyClick(&list, Qt::Key_Down);
    }
    for (int at = list.currentIndex(); at > index; --at) {
        QTest::keyClick(&list, Qt::Key_Up);
    }
}

PortRecord record(uint32_t baud, uint8_t dataBits, StopBits stop, Parity parity,
                  PortProtocol protocol, uint16_t slaveId, uint16_t flags)
{
    return {baud, dataBits, stop, parity, protocol, slaveId, flags};
}

template <class Page> Page* pageOf(const NodePropertySheet& sheet)
{
    for (int i = 0; i < sheet.pageCount(); ++i) {
        if (auto* page = qobject_cast<Page*>(sheet.page(i))) {
            return page;
        }
    }
    return nullptr;
}

template <class Page> Page& showPage(NodePropertySheet& sheet)
{
    Page* page = pageOf<Page>(sheet);
    Q_ASSERT(page != nullptr);
    sheet.tabs().setCurrentWidget(page);
    return *page;
}

// Opens the gateway's sheet through showGatewayProperties and hands it to act while it shows;
// act ends it with OK or Cancel. A failing check inside act leaves the sheet open, so it is
// cancelled then.
int runSheet(shell::TarnApp& app, ZAVGateway& gateway, std::function<void(NodePropertySheet&)> act)
{
    answerNextDialog<NodePropertySheet>([act = std::move(act)](NodePropertySheet& sheet) {
        if (QTest::qWaitForWindowActive(&sheet)) {
            act(sheet);
        }
        if (sheet.isVisible()) {
            sheet.reject();
        }
    });
    return showGatewayProperties(app, gateway, nullptr);
}

// A project whose one gateway is on a site of the given band.
struct BandProject {
    TestApp t;
    ZAVGateway* gateway = nullptr;

    explicit BandProject(uint16_t band, bool aes = false)
    {
        NewProjectValues values = plantValues("/tmp/quillan-gwsheet/");
        values.band = band;
        values.channel = band == band2400 ? 14 : 5;
        t.doc.newProject(values);
        t.doc.root()->activeSite()->setAesEnabled(aes);
        gateway = dynamic_cast<ZAVGateway*>(t.doc.nodes().at(1).get());
        t.doc.setModifiedFlag(false);
    }

    void addRtuModule(uint8_t slaveId)
    {
        ModbusModuleSettings s = MBModule::newModuleSettings(*gateway);
        s.port = 3;
        s.slaveId = slaveId;
        QVERIFY(t.doc.insertModbusModule(*gateway, std::move(s)));
        t.doc.setModifiedFlag(false);
    }
};

struct GatewayState {
    uint16_t radioFlags = 0;
    uint16_t retries = 0;
    std::vector<PortRecord> ports;

    explicit GatewayState(const ZAVGateway& g)
        : radioFlags(g.getRadioFlags()), retries(g.getRetries())
    {
        for (const auto& port : g.ports()) {
            ports.push_back(port->portRecord());
        }
    }
    bool operator==(const GatewayState&) const = default;
};

// The controls a user could change: lists, buttons, number and time fields.
QList<QWidget*> controlsOf(QWidget& page)
{
    QList<QWidget*> found;
    for (QWidget* w : page.findChildren<QWidget*>()) {
        if (qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w)) {
            found << w;
        }
    }
    return found;
}

} // namespace

class GatewaySheetTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void radioPageFollowsTheBand_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<bool>("aes");
        QTest::addColumn<int>("retriesWord");
        QTest::addColumn<QStringList>("powers");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<int>("steps");  // up-arrow presses (negative: down)
        QTest::addColumn<int>("stored"); // the retries word the page hands back

        const QStringList p868{"2 mW", "5 mW", "10 mW", "16 mW", "25 mW"};
        const QStringList p900{"1 mW", "10 mW", "100 mW", "500 mW", "1000 mW"};
        const QStringList p24{"10 mW", "16 mW", "25 mW", "40 mW", "63 mW"};
        QTest::newRow("2.4 GHz, word 0 shows 3, 9 stores 2")
            << int(band2400) << false << 0 << p24 << 3 << 3 << 21 << 3 << true << 2 << 2;
        QTest::newRow("2.4 GHz, word 6 shows 21, down to 3 stores 0")
            << int(band2400) << false << 6 << p24 << 21 << 3 << 21 << 3 << true << -6 << 0;
        // What is shown is what is kept: AES holds the retries at the fewest.
        QTest::newRow("2.4 GHz with AES shows 3, fixed, stores 0")
            << int(band2400) << true << 4 << p24 << 3 << 3 << 21 << 3 << false << 0 << 0;
        QTest::newRow("868 MHz shows the word, up to 16")
            << int(band868) << false << 3 << p868 << 3 << 1 << 16 << 1 << true << 13 << 16;
        QTest::newRow("868 MHz ignores AES")
            << int(band868) << true << 5 << p868 << 5 << 1 << 16 << 1 << true << -1 << 4;
        QTest::newRow("900 MHz shows the word, up to 32")
            << int(band900) << false << 3 << p900 << 3 << 1 << 32 << 1 << true << 29 << 32;
        QTest::newRow("no band: the page's own list, word as it is")
            << int(bandNotChosen) << false << 40 << p900 << 40 << 0 << 65535 << 1 << true << 0
            << 40;
    }
    void radioPageFollowsTheBand()
    {
        QFETCH(int, band);
        QFETCH(bool, aes);
        QFETCH(int, retriesWord);
        QFETCH(QStringList, powers);
        QFETCH(int, shown);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, step);
        QFETCH(bool, editable);
        QFETCH(int, steps);
        QFETCH(int, stored);

        RadioValues values;
        values.powerIndex = 2;
        values.retries = static_cast<uint16_t>(retriesWord);
        values.band = static_cast<uint16_t>(band);
        values.siteAes = aes;
        RFPage page(values);
        QCOMPARE(entries(page.powerList()), powers);
        QCOMPARE(page.powerList().currentIndex(), 2);
        auto& retries = page.retriesBox();
        QCOMPARE(retries.value(), shown);
        QCOMPARE(retries.minimum(), low);
        QCOMPARE(retries.maximum(), high);
        QCOMPARE(retries.singleStep(), step);
        QCOMPARE(retries.isEnabled(), editable);
        if (steps != 0) {
            retries.stepBy(steps);
        }
        page.apply();
        QCOMPARE(int(page.values().retries), stored);
        QCOMPARE(int(page.values().powerIndex), 2);
    }

    void typedRetriesBetweenTheStepsTakeTheLowerStep()
    {
        RadioValues values;
        values.band = band2400;
        RFPage page(values);
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        typeInto(page.retriesBox(), "10");
        QTest::keyClick(&page.retriesBox(), Qt::Key_Tab);
        QCOMPARE(int(page.values().retries), 2);
        QCOMPARE(page.retriesBox().value(), 9);
        // Above the range: the top, 21, which is 6.
        typeInto(page.retriesBox(), "30");
        page.apply();
        QCOMPARE(int(page.values().retries), 6);
    }

    void powerIndexAndNodeTimeout()
    {
        RadioValues values;
        values.band = band900;
        values.powerIndex = 7; // no level of the list: kept unless one is picked
        values.nodeTimeout = 3725;
        RFPage page(values);
        QCOMPARE(page.powerList().currentIndex(), -1);
        QVERIFY(!page.nodeTimeoutField().isHidden());
        QCOMPARE(page.nodeTimeoutField().time(), QTime(1, 2, 5));
        page.apply();
        QCOMPARE(int(page.values().powerIndex), 7);

        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        pick(page.powerList(), 3);
        QCOMPARE(int(page.values().powerIndex), 3);
        page.nodeTimeoutField().setTime(QTime(0, 10, 30));
        QCOMPARE(page.values().nodeTimeout, 630u);

        values.showNodeTimeout = false;
        RFPage hidden(values);
        QVERIFY(hidden.nodeTimeoutField().isHidden());
    }

    void slaveIdIsClampedToItsRange_data()
    {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("thenExtended"); // "", "check" or "uncheck"
        QTest::addColumn<int>("slaveId");
        QTest::addColumn<int>("flags");

        for (const bool rtu : {false, true}) {
            const QByteArray page = rtu ? "RTU: " : "Config: ";
            // The RTU port of a new gateway splits 32-bit values.
            const int split = rtu ? 0x01 : 0;
            QTest::newRow(page + "300 without Extended is 247") << rtu << false << "300"
                                                                << "" << 247 << split;
            QTest::newRow(page + "0 is 1") << rtu << false << "0"
                                           << "" << 1 << split;
            QTest::newRow(page + "70000 with Extended is 65535") << rtu << true << "70000"
                                                                 << "" << 65535 << (split | 0x08);
            QTest::newRow(page + "300 with Extended stays") << rtu << true << "300"
                                                            << "" << 300 << (split | 0x08);
            QTest::newRow(page + "unchecking Extended brings 300 to 247")
                << rtu << true << "300"
                << "uncheck" << 247 << split;
            QTest::newRow(page + "checking Extended keeps 200") << rtu << false << "200"
                                                                << "check" << 200 << (split | 0x08);
        }
    }
    void slaveIdIsClampedToItsRange()
    {
        QFETCH(bool, rtu);
        QFETCH(bool, extended);
        QFETCH(QString, typed);
        QFETCH(QString, thenExtended);
        QFETCH(int, slaveId);
        QFETCH(int, flags);

        const uint16_t startFlags = static_cast<uint16_t>((rtu ? 0x01 : 0) | (extended ? 0x08 : 0));
        const PortRecord start =
            record(9600, 8, StopBits::one, Parity::none, PortProtocol::modbusSlave, 5, startFlags);
        NodePropertySheet sheet("Gateway - ( ZAV Gateway )");
        PropertyPage* page =
            rtu ? static_cast<PropertyPage*>(new P2PortPage(start, RtuPortUse{}, PageMode::edit))
                : new ConfigPortPage(start, PageMode::edit);
        sheet.addPage(page);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        SlaveFields& fields = rtu ? static_cast<P2PortPage*>(page)->slaveFields()
                                  : static_cast<ConfigPortPage*>(page)->slaveFields();
        QVERIFY(fields.isEnabled());
        typeInto(fields.slaveIdBox(), typed);
        if (!thenExtended.isEmpty()) {
            QTest::keyClick(&fields.slaveIdBox(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), &fields.extendedBox());
            QTest::keyClick(&fields.extendedBox(), Qt::Key_Space);
            QCOMPARE(fields.extendedBox().isChecked(), thenExtended == "check");
        }
        // Enter ends the sheet with OK, taking what was typed.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(fields.slaveIdBox().value(), slaveId);
        const PortRecord& now = rtu ? static_cast<P2PortPage*>(page)->record()
                                    : static_cast<ConfigPortPage*>(page)->record();
        QCOMPARE(int(now.slaveId), slaveId);
        QCOMPARE(int(now.flags), flags);
    }

    void configPortModes()
    {
        // Disabled (0) is neither mode: shown as Debug it would be written back as Disabled. The
        // slave properties wait for Modbus Slave.
        ConfigPortPage page(
            record(57600, 8, StopBits::one, Parity::none, PortProtocol::disabled, 1, 0),
            PageMode::edit);
        QVERIFY(!page.debugButton().isChecked());
        QVERIFY(!page.modbusSlaveButton().isChecked());
        QVERIFY(!page.slaveFields().isEnabled());
        QCOMPARE(entries(page.baudList()), (QStringList{"1200", "2400", "4800", "9600", "19200",
                                                        "38400", "57600", "115200"}));
        QCOMPARE(entries(page.parityList()), (QStringList{"None", "Even", "Odd"}));
        QCOMPARE(entries(page.stopBitsList()), (QStringList{"1", "2"}));
        QCOMPARE(page.baudList().currentText(), "57600");
        for (QComboBox* list : {&page.baudList(), &page.parityList(), &page.stopBitsList()}) {
            QVERIFY(!list->isEnabled());
        }
        // Not clicked: the record keeps its protocol.
        page.apply();
        QCOMPARE(page.record().protocol, PortProtocol::disabled);
        ConfigPortPage debug(
            record(57600, 8, StopBits::one, Parity::none, PortProtocol::debug, 1, 0),
            PageMode::edit);
        QVERIFY(debug.debugButton().isChecked());
        page.modbusSlaveButton().click();
        QVERIFY(page.slaveFields().isEnabled());
        QCOMPARE(page.record().protocol, PortProtocol::modbusSlave);
        page.debugButton().click();
        QVERIFY(!page.slaveFields().isEnabled());
        QCOMPARE(page.record().protocol, PortProtocol::debug);
    }

    void rtuPortLineAndModes()
    {
        P2PortPage page(record(9600, 7, StopBits::one, Parity::none, PortProtocol::modbusMaster, 1,
                               PortRecord::kSplit32BitValues),
                        RtuPortUse{}, PageMode::edit);
        QCOMPARE(entries(page.lineList()), (QStringList{"RS232", "RS485"}));
        QCOMPARE(page.lineList().currentText(), "RS232");
        QVERIFY(page.modbusMasterButton().isChecked());
        QVERIFY(page.modbusSlaveButton().isEnabled());
        QVERIFY(!page.slaveFields().isEnabled());
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        pick(page.lineList(), 1);
        pick(page.baudList(), 4);
        pick(page.parityList(), 2);
        pick(page.stopBitsList(), 1);
        page.modbusSlaveButton().click();
        QVERIFY(page.slaveFields().isEnabled());
        QCOMPARE(page.record(),
                 record(19200, 8, StopBits::two, Parity::odd, PortProtocol::modbusSlave, 1,
                        PortRecord::kSplit32BitValues | PortRecord::kRs485Line));
        pick(page.lineList(), 0);
        page.modbusMasterButton().click();
        QCOMPARE(page.record(),
                 record(19200, 8, StopBits::two, Parity::odd, PortProtocol::modbusMaster, 1,
                        PortRecord::kSplit32BitValues));
    }

    void valuesTheListsDoNotOfferAreShownAndKept()
    {
        P2PortPage page(
            record(14400, 8, StopBits::onePointFive, Parity(7), PortProtocol::roclinkMaster, 3, 0),
            RtuPortUse{}, PageMode::edit);
        QCOMPARE(page.baudList().currentText(), "14400");
        QCOMPARE(page.stopBitsList().currentText(), "1.5");
        QCOMPARE(page.parityList().currentIndex(), -1);
        QVERIFY(!page.modbusMasterButton().isChecked());
        QVERIFY(!page.modbusSlaveButton().isChecked());
        page.apply();
        QCOMPARE(page.record(), record(14400, 8, StopBits::onePointFive, Parity(7),
                                       PortProtocol::roclinkMaster, 3, 0));
    }

    void modbusModulesOnTheRtuPortLimitIt_data()
    {
        QTest::addColumn<QList<int>>("slaveIds");
        QTest::addColumn<bool>("slaveAllowed");
        QTest::addColumn<bool>("lineForced");
        QTest::newRow("no module") << QList<int>{} << true << false;
        QTest::newRow("one module") << QList<int>{4} << false << false;
        QTest::newRow("two modules, same slave id") << QList<int>{1, 1} << false << false;
        QTest::newRow("two modules, slave ids 1 and 2") << QList<int>{1, 2} << false << true;
    }
    void modbusModulesOnTheRtuPortLimitIt()
    {
        QFETCH(QList<int>, slaveIds);
        QFETCH(bool, slaveAllowed);
        QFETCH(bool, lineForced);

        BandProject p(band900);
        ZAVGateway& g = *p.gateway;
        g.port(2)->protocol = protocolModbusMaster;
        g.port(2)->recordWord10 = 0; // RS232
        for (const int id : slaveIds) {
            p.addRtuModule(static_cast<uint8_t>(id));
        }
        bool seen = false;
        const int result = runSheet(p.t.app, g, [&](NodePropertySheet& sheet) {
            auto& rtu = showPage<P2PortPage>(sheet);
            QCOMPARE(rtu.modbusSlaveButton().isEnabled(), slaveAllowed);
            QVERIFY(rtu.modbusMasterButton().isEnabled());
            QCOMPARE(rtu.lineList().currentText(), lineForced ? "RS485" : "RS232");
            QCOMPARE(rtu.lineList().isEnabled(), !lineForced);
            seen = true;
            sheet.okButton().click();
        });
        QVERIFY(seen);
        QCOMPARE(result, NodePropertySheet::resultOk);
        QCOMPARE((g.port(2)->flags() & portFlagRs485) != 0, lineForced);
    }

    void okWritesBackWhatThePagesHold()
    {
        BandProject p(band2400);
        ZAVGateway& g = *p.gateway;
        g.setRadioFlags(0xC3);
        g.setRetries(0);
        const PortRecord rs485 = g.port(1)->portRecord();
        const int result = runSheet(p.t.app, g, [](NodePropertySheet& sheet) {
            auto& radio = showPage<RFPage>(sheet);
            QCOMPARE(radio.retriesBox().value(), 3);
            pick(radio.powerList(), 1);
            radio.retriesBox().setFocus(Qt::TabFocusReason);
            QTest::keyClick(&radio.retriesBox(), Qt::Key_Up);
            QTest::keyClick(&radio.retriesBox(), Qt::Key_Up);
            QCOMPARE(radio.retriesBox().value(), 9);

            auto& config = showPage<ConfigPortPage>(sheet);
            config.modbusSlaveButton().click();
            config.slaveFields().splitBox().click();
            typeInto(config.slaveFields().slaveIdBox(), "300");

            auto& rtu = showPage<P2PortPage>(sheet);
            pick(rtu.lineList(), 1);
            pick(rtu.baudList(), 4);
            pick(rtu.parityList(), 1);
            pick(rtu.stopBitsList(), 1);
            rtu.modbusSlaveButton().click();
            rtu.slaveFields().extendedBox().click();
            typeInto(rtu.slaveFields().slaveIdBox(), "1000");
            // Enter while still typing: OK takes the number as it stands.
            QTest::keyClick(&rtu.slaveFields().slaveIdBox(), Qt::Key_Return);
        });
        QCOMPARE(result, NodePropertySheet::resultOk);
        // Power 1 replaces 3 below the site's AES and bit-rate bits.
        QCOMPARE(int(g.getRadioFlags()), 0xC1);
        QCOMPARE(int(g.getRetries()), 2);
        QCOMPARE(g.port(0)->portRecord(),
                 record(57600, 8, StopBits::one, Parity::none, PortProtocol::modbusSlave, 247,
                        PortRecord::kSplit32BitValues));
        QCOMPARE(g.port(1)->portRecord(), rs485);
        QCOMPARE(g.port(2)->portRecord(),
                 record(19200, 8, StopBits::two, Parity::even, PortProtocol::modbusSlave, 1000,
                        PortRecord::kSplit32BitValues | PortRecord::kExtendedMode |
                            PortRecord::kRs485Line));
        QVERIFY(p.t.doc.isModified());
        QCOMPARE(g.port(0)->portName, "CONFIG");
        QCOMPARE(int(g.port(2)->portNumber), 3);
    }

    void cancelLeavesTheGatewayAlone()
    {
        BandProject p(band900);
        ZAVGateway& g = *p.gateway;
        const GatewayState before(g);
        const int result = runSheet(p.t.app, g, [](NodePropertySheet& sheet) {
            QCOMPARE(sheet.windowTitle(), "Gateway - ( ZAV Gateway )");
            QCOMPARE(sheet.pageCount(), 4);
            QCOMPARE(sheet.tabs().tabText(0), "Radio");
            QCOMPARE(sheet.tabs().tabText(1), "Config Port");
            QCOMPARE(sheet.tabs().tabText(2), "RTU Port");
            QCOMPARE(sheet.tabs().tabText(3), "IO Bus");
            auto& radio = showPage<RFPage>(sheet);
            QVERIFY(radio.nodeTimeoutField().isHidden());
            pick(radio.powerList(), 4);
            radio.retriesBox().stepBy(5);
            auto& config = showPage<ConfigPortPage>(sheet);
            config.modbusSlaveButton().click();
            auto& rtu = showPage<P2PortPage>(sheet);
            pick(rtu.lineList(), 1);
            pick(rtu.baudList(), 0);
            rtu.modbusMasterButton().click();
            QTest::keyClick(&rtu.baudList(), Qt::Key_Escape);
        });
        QCOMPARE(result, NodePropertySheet::resultCancel);
        QVERIFY(GatewayState(g) == before);
        QVERIFY(!p.t.doc.isModified());
    }

    void gatewayWithoutPortsOrSiteGetsNoPortPages()
    {
        // As a gateway of another schema comes out of a file: no ports, no site.
        TestApp t;
        ZAVGateway bare;
        bare.setRadioFlags(0x83);
        bare.setRetries(9);
        const int result = runSheet(t.app, bare, [](NodePropertySheet& sheet) {
            QCOMPARE(sheet.pageCount(), 2);
            QCOMPARE(sheet.tabs().tabText(1), "IO Bus");
            auto& radio = showPage<RFPage>(sheet);
            QCOMPARE(radio.retriesBox().value(), 9);
            pick(radio.powerList(), 0);
            sheet.okButton().click();
        });
        QCOMPARE(result, NodePropertySheet::resultOk);
        QCOMPARE(int(bare.getRadioFlags()), 0x80);
        QCOMPARE(int(bare.getRetries()), 9);
    }

    void devicePortPagesShowTheImageReadOnly()
    {
        ConfigImage image;
        // A slave id above 247 without extended mode, as a device may hold it, is shown as is.
        image.setPort(0, record(115200, 8, StopBits::two, Parity::odd, PortProtocol::modbusSlave,
                                300, PortRecord::kSplit32BitValues));
        image.setPort(1, record(1200, 8, StopBits::one, Parity::none, PortProtocol::debug, 9, 0));
        image.setPort(2, record(4800, 7, StopBits::one, Parity::even, PortProtocol::modbusMaster,
                                12, PortRecord::kRs485Line | PortRecord::kExtendedMode));
        NodePropertySheet sheet("Gateway");
        addDevicePortPages(sheet, image);
        QCOMPARE(sheet.pageCount(), 2);
        QCOMPARE(sheet.tabs().tabText(0), "Config Port");
        QCOMPARE(sheet.tabs().tabText(1), "RTU Port");

        auto* config = qobject_cast<ConfigPortPage*>(sheet.page(0));
        auto* rtu = qobject_cast<P2PortPage*>(sheet.page(1));
        QVERIFY(config != nullptr && rtu != nullptr);
        for (QWidget* page : {static_cast<QWidget*>(config), static_cast<QWidget*>(rtu)}) {
            const QList<QWidget*> controls = controlsOf(*page);
            QVERIFY(controls.size() >= 8);
            for (QWidget* control : controls) {
                QVERIFY2(!control->isEnabled(), control->metaObject()->className());
            }
        }
        QCOMPARE(config->baudList().currentText(), "115200");
        QCOMPARE(config->parityList().currentText(), "Odd");
        QCOMPARE(config->stopBitsList().currentText(), "2");
        QVERIFY(config->modbusSlaveButton().isChecked());
        QCOMPARE(config->slaveFields().slaveIdBox().value(), 300);
        QVERIFY(!config->slaveFields().extendedBox().isChecked());
        QVERIFY(config->slaveFields().splitBox().isChecked());

        QCOMPARE(rtu->lineList().currentText(), "RS485");
        QCOMPARE(rtu->baudList().currentText(), "4800");
        QCOMPARE(rtu->parityList().currentText(), "Even");
        QCOMPARE(rtu->stopBitsList().currentText(), "1");
        QVERIFY(rtu->modbusMasterButton().isChecked());
        QCOMPARE(rtu->slaveFields().slaveIdBox().value(), 12);
        QVERIFY(rtu->slaveFields().extendedBox().isChecked());
        QVERIFY(!rtu->slaveFields().splitBox().isChecked());
    }

    void pastedPropertiesShowInTheSheet()
    {
        ProjectFixture f;
        f.g1->setRadioFlags(static_cast<uint16_t>((f.g1->getRadioFlags() & 0xC0) | 4));
        f.g1->setRetries(7);
        f.g1->port(0)->protocol = protocolModbusSlave;
        f.g1->port(0)->recordWord8 = 33;
        f.g1->port(2)->baudRate = 38400;
        f.select(f.g1);
        QVERIFY(f.pane().runCommand(Command::nodeCopy));
        f.select(f.g2);
        QVERIFY(f.enabled(Command::nodePaste));
        QVERIFY(f.pane().runCommand(Command::nodePaste));

        answerNextDialog<NodePropertySheet>([](NodePropertySheet& sheet) {
            auto& radio = showPage<RFPage>(sheet);
            QCOMPARE(radio.powerList().currentText(), "1000 mW");
            QCOMPARE(radio.retriesBox().value(), 7);
            auto& config = showPage<ConfigPortPage>(sheet);
            QVERIFY(config.modbusSlaveButton().isChecked());
            QCOMPARE(config.slaveFields().slaveIdBox().value(), 33);
            auto& rtu = showPage<P2PortPage>(sheet);
            QCOMPARE(rtu.baudList().currentText(), "38400");
            // South_GW has no module on its RTU port.
            QVERIFY(rtu.modbusSlaveButton().isEnabled());
            sheet.okButton().click();
        });
        f.doc().setModifiedFlag(false);
        QVERIFY(f.pane().runCommand(Command::nodeEdit));
        QCOMPARE(int(f.g2->getRetries()), 7);
        QCOMPARE(f.g2->port(0)->portRecord(), f.g1->port(0)->portRecord());
        QVERIFY(f.doc().isModified());
    }

    void mnemonicsAreDistinctAndReachTheirFields()
    {
        BandProject p(band900);
        p.gateway->port(2)->protocol = protocolModbusSlave;
        runSheet(p.t.app, *p.gateway, [](NodePropertySheet& sheet) {
            for (int i = 0; i < sheet.pageCount(); ++i) {
                QStringList keys;
                for (QWidget* w : sheet.page(i)->findChildren<QWidget*>()) {
                    QString text;
                    if (auto* label = qobject_cast<QLabel*>(w)) {
                        text = label->text();
                    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                        text = button->text();
                    }
                    if (const auto at = text.indexOf(u'&'); at >= 0 && at + 1 < text.size()) {
                        const QString key = text.at(at + 1).toLower();
                        QVERIFY2(!keys.contains(key),
                                 qPrintable(sheet.tabs().tabText(i) + ": " + text));
                        keys << key;
                    }
                }
            }
            auto& rtu = showPage<P2PortPage>(sheet);
            QTest::keyClick(&sheet, Qt::Key_N, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), &rtu.lineList());
            QTest::keyClick(&sheet, Qt::Key_I, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), &rtu.slaveFields().slaveIdBox());
            // A button's mnemonic clicks it as a short animation ends.
            QTest::keyClick(&sheet, Qt::Key_E, Qt::AltModifier);
            QTRY_VERIFY(rtu.slaveFields().extendedBox().isChecked());
            QTest::keyClick(&sheet, Qt::Key_M, Qt::AltModifier);
            QTRY_VERIFY(rtu.modbusMasterButton().isChecked());
            QCOMPARE(rtu.record().protocol, PortProtocol::modbusMaster);
            sheet.cancelButton().click();
        });
    }

    void tabTakesEachPageInOrder_data()
    {
        QTest::addColumn<int>("pageIndex");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("Radio") << 0 << QStringList{"Tx Power", "Retries"};
        QTest::newRow("Config Port")
            << 1 << QStringList{"Modbus Slave", "Slave ID", "Extended Mode", "Split 32-bit Values"};
        QTest::newRow("RTU Port") << 2
                                  << QStringList{"Line", "Baud Rate", "Parity", "Stop Bits",
                                                 "Modbus Master"};
        // No module yet: Remove and the points list wait for a selected module.
        QTest::newRow("IO Bus") << 3 << QStringList{"I/O Modules", "New..."};
    }
    void tabTakesEachPageInOrder()
    {
        QFETCH(int, pageIndex);
        QFETCH(QStringList, chain);
        BandProject p(band900);
        p.gateway->port(0)->protocol = protocolModbusSlave;
        p.gateway->port(2)->protocol = protocolModbusMaster;
        QStringList seen;
        runSheet(p.t.app, *p.gateway, [&](NodePropertySheet& sheet) {
            // The sheet opens on its page tabs; the arrow keys go to the page.
            QCOMPARE(describe(QApplication::focusWidget()), "page tabs");
            for (int i = 0; i < pageIndex; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
            }
            QCOMPARE(sheet.tabs().currentIndex(), pageIndex);
            seen << describe(QApplication::focusWidget());
            for (int i = 0; i < chain.size() + 3; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                seen << describe(QApplication::focusWidget());
            }
            sheet.cancelButton().click();
        });
        const QStringList expected =
            QStringList{"page tabs"} + chain + QStringList{"OK", "Cancel", "page tabs"};
        QCOMPARE(seen, expected);
    }
};

QTEST_MAIN(GatewaySheetTest)
#include "GatewaySheetTest.moc"
