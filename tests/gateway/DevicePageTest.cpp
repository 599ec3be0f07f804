#include "gateway/DevicePage.h"
#include "model/Site.h"

#include <gtest/gtest.h>

using namespace quillan;

namespace {

ConfigImage withRadio(uint16_t address, uint16_t retries, uint8_t channel, uint8_t flags,
                      uint32_t key = 0)
{
    ConfigImage image;
    image.setRadio({address, retries, 0xFFFF, channel, flags});
    SecurityBlock security;
    security.siteKey = key;
    image.setSecurity(security);
    return image;
}

} // namespace

TEST(DevicePage, IdentityAndAesCapability)
{
    struct Case {
        uint16_t type;
        const char* version;
        const char* name;
        bool aes;
    };
    const Case cases[] = {
        {12, "1.5.0.14", "ZAV Gateway Module", false},
        {12, "2.0.0.0", "ZAV Gateway Module", true},
        {11, "10.1", "Base Unit", false}, // as text, "10.1" sorts before "2.0"
        {14, "2.1.3.4", "Hub2", true},
        {32, "1.0", "Hub3", true},
        {32, "0.9.9", "Hub3", false},
        {15, "9.9", "", false},
    };
    for (const Case& c : cases) {
        const DevicePageValues page = devicePageValues(c.type, c.version, ConfigImage{});
        EXPECT_EQ(page.type, c.name) << c.type;
        EXPECT_EQ(page.aesCapable, c.aes) << c.type << " " << c.version;
    }
    EXPECT_EQ(devicePageValues(12, "1.5.0.14.99999", {}).version, "1.5.0.14.999");
}

TEST(DevicePage, RadioValuesByBand)
{
    // Group 10, node 0; 900 MHz channel 5, power 2, low bit rate.
    DevicePageValues page = devicePageValues(12, "1.5", withRadio(10 << 6, 3, 5, 0x82));
    EXPECT_EQ(page.channel, 5u);
    EXPECT_EQ(page.group, 10u);
    EXPECT_EQ(page.retries, 3u);
    EXPECT_EQ(page.powerChoices.at(page.powerSelection), "100 mW");
    EXPECT_EQ(page.bitRateChoices, (std::vector<std::string>{"9600", "115200"}));
    EXPECT_EQ(page.bitRateSelection, 0u);

    // 868 MHz channel 35 shows as 5; power index 7 wraps to 2.
    page = devicePageValues(12, "1.5", withRadio(3 << 6 | 4, 2, 35, 0x07));
    EXPECT_EQ(page.channel, 5u);
    EXPECT_EQ(page.id, 4u);
    EXPECT_EQ(page.powerChoices.at(page.powerSelection), "10 mW");
    EXPECT_EQ(page.bitRateChoices, (std::vector<std::string>{"80000"}));

    // 2.4 GHz shows retries as 3r + 3.
    page = devicePageValues(12, "1.5", withRadio(0, 2, 14, 0));
    EXPECT_EQ(page.retries, 9u);
    EXPECT_EQ(page.bitRateChoices, (std::vector<std::string>{"250000"}));

    // A channel in no band has no lists.
    page = devicePageValues(12, "1.5", withRadio(0, 2, 25, 0));
    EXPECT_TRUE(page.powerChoices.empty());
    EXPECT_TRUE(page.bitRateChoices.empty());
}

TEST(DevicePage, SecurityLines)
{
    // AES needs a capable device as well as the flag.
    EXPECT_EQ(devicePageValues(12, "1.5.0.14", withRadio(0, 3, 5, 0x40)).deviceSecurity,
              "AES Off : ESS Off");
    EXPECT_EQ(devicePageValues(12, "2.0.0.0", withRadio(0, 3, 5, 0x40, 1234)).deviceSecurity,
              "AES On : ESS On (Key: 1234)");
    EXPECT_EQ(devicePageValues(12, "2.0.0.0", withRadio(0, 3, 5, 0, 4'000'000'000u)).deviceSecurity,
              "AES Off : ESS On (Key: 4000000000)");

    Site site;
    site.setSecurityKey(77);
    EXPECT_EQ(siteSecurityLine(site), "AES Off : ESS On (Key: 77)");
    site.setAesEnabled(true);
    site.setSecurityEnabled(false);
    EXPECT_EQ(siteSecurityLine(site), "AES On : ESS Off");
}
