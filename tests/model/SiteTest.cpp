#include "model/Node.h"
#include "model/SerialPortDefinition.h"
#include "model/Site.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace quillan;
using namespace quillan::site_rules;

TEST(Site, SummaryJoinsEveryPart)
{
    Site site;
    site.setBand(band868);
    site.setSiteChannel(3);
    site.setFirstGroup(7);
    site.setSecurityEnabled(false);
    EXPECT_EQ(site.summary(),
              "CH 3  :  GP  7  :  BR  80000  :  AES  Off  :  ESS  Off  :  868 MHz");

    site.setBand(band900);
    site.setHighBitRate(1);
    site.setAesEnabled(true);
    site.setSecurityEnabled(true);
    site.setSecurityKey(4000000000u);
    EXPECT_EQ(site.summary(), "CH 3  :  GP  7  :  BR  115200  :  AES  On  :  ESS  On  (Key:  "
                              "4000000000)  :  900 MHz");

    site.setBand(bandNotChosen);
    EXPECT_EQ(site.summary(), "CH 3  :  GP  7  :  BR    :  AES  On  :  ESS  On  (Key:  "
                              "4000000000)");
}

TEST(SiteDialog, EditingKeepsTheGatewaysOffsets)
{
    Site site;
    site.setBand(band900);
    site.setSiteName("North");
    site.setFirstGroup(995);
    site.setNextGroup(1000);

    SiteDialogFields fields{"North", band900, 4, 1, 0, true, false};
    EXPECT_EQ(applyOk(site, fields, true), nullptr);
    EXPECT_EQ(site.getFirstGroup(), 1);
    EXPECT_EQ(site.getNextGroup(), 6);
    EXPECT_EQ(site.getSiteChannel(), 4);

    site.setFirstGroup(995);
    site.setNextGroup(1000);
    fields.group = 996;
    const auto refusal = applyOk(site, fields, true);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->caption, "Max group number exceeded");
    EXPECT_EQ(refusal->text, "Please enter a valid group number.");
    EXPECT_EQ(site.getFirstGroup(), 995);

    fields.group = 995; // exactly up to group 999
    EXPECT_EQ(applyOk(site, fields, true), nullptr);
}

TEST(SiteDialog, NewSiteStartsItsGroupsAndKey)
{
    Site site;
    const auto before = static_cast<uint32_t>(std::time(nullptr));
    EXPECT_EQ(applyOk(site, {"West", band2400, 14, 10, 0, false, true}, false), nullptr);
    const auto after = static_cast<uint32_t>(std::time(nullptr));
    EXPECT_EQ(site.getFirstGroup(), 10);
    EXPECT_EQ(site.getNextGroup(), 10);
    EXPECT_GE(site.getSecurityKey(), before);
    EXPECT_LE(site.getSecurityKey(), after);
    EXPECT_FALSE(site.isSecurityEnabled());
    EXPECT_TRUE(site.isAesEnabled());
    EXPECT_EQ(site.getBand(), band2400);
}

TEST(SiteDialog, RefusesAMissingNameOrBand)
{
    Site site;
    auto refusal = applyOk(site, {"", band900, 0, 0, 0, true, false}, false);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->caption, "Site Creation Error");
    EXPECT_EQ(refusal->text, "Please enter a valid site name.");

    refusal = applyOk(site, {"A", -1, 0, 0, 0, true, false}, false);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(site.getBand(), bandNotChosen);
}

TEST(SiteDialog, BandsAndClamping)
{
    Site site;
    site.setBand(band900);
    site.setHighBitRate(1);
    site.setSiteChannel(5);
    pickBand(site, band2400);
    EXPECT_EQ(site.getSiteChannel(), 12);
    EXPECT_EQ(site.isHighBitRate(), 0);
    pickBand(site, band2400); // the same band changes nothing
    EXPECT_EQ(site.getSiteChannel(), 12);
    pickBand(site, band868);
    EXPECT_EQ(site.getSiteChannel(), 10);

    struct Case {
        uint16_t band;
        long typed;
        uint16_t channel;
    };
    for (const Case& c : {Case{band2400, 30, 23}, Case{band2400, 5, 12}, Case{band2400, 15, 15},
                          Case{band900, 10, 9}, Case{band868, -1, 0}}) {
        EXPECT_EQ(clampChannel(c.band, c.typed), c.channel) << c.band << " " << c.typed;
    }
    EXPECT_EQ(clampGroup(1000), 999);
    EXPECT_EQ(clampGroup(-5), 0);
}

TEST(SerialPortDefinition, DescriptionTexts)
{
    struct Case {
        uint8_t parity;
        uint8_t protocol;
        uint16_t flags;
        const char* settings;
        const char* protocolText;
    };
    const Case cases[] = {
        {parityNone, protocolDebug, 0, "RS232, 57600, 8, N, 1", "Debug"},
        {parityEven, protocolModbusSlave, portFlagRs485 | portFlagSplit, "RS485, 57600, 8, E, 1",
         "Modbus Slave Split"},
        {parityOdd, protocolModbusSlave, portFlagExtended | portFlagSplit,
         "RS232, 57600, 8, O, 1", "Modbus Slave Extended Split"},
        {7, protocolRocLinkMaster, 0, "RS232, 57600, 8, ", "ROC Link Master"},
        {parityNone, 6, 0, "RS232, 57600, 8, N, 1", ""},
    };
    for (const Case& c : cases) {
        SerialPortDefinition port;
        port.baudRate = 57600;
        port.dataBits = 8;
        port.stopBits = 1;
        port.parity = c.parity;
        port.protocol = c.protocol;
        port.recordWord10 = c.flags;
        EXPECT_EQ(port.settingsText(), c.settings);
        EXPECT_EQ(port.protocolText(), c.protocolText);
        SerialPortDefinition copy;
        copy.setPortRecord(port.portRecord());
        EXPECT_EQ(copy.portRecord(), port.portRecord());
    }
}

TEST(Node, RadioWordsAndDefaults)
{
    Node node(7, kindGateway, 5);
    node.setAddress(static_cast<uint16_t>(node.getAddress() + 3));
    EXPECT_EQ(node.getAddress(), 323);
    EXPECT_EQ(node.getGroupNumber(), 5);
    EXPECT_EQ(node.getNodeNumber(), 3);
    EXPECT_EQ(node.getGroupAddress(), 320);
    node.setChannel(9);
    EXPECT_EQ(node.defaultRetries(), 3);
    node.setChannel(10);
    EXPECT_EQ(node.defaultRetries(), 0);
}

TEST(Node, DeviceTypeNames)
{
    EXPECT_EQ(getDeviceTypeName(12), "ZAV Gateway Module");
    EXPECT_EQ(getDeviceTypeName(0), "Unknown");
    EXPECT_EQ(getDeviceTypeName(33), "Tenpoint Transmitter");
    for (uint16_t code : {5, 6, 17, 18, 20, 34, 0xFFFF}) {
        EXPECT_EQ(getDeviceTypeName(code), "") << code;
    }
}
