#include "gateway/DevicePage.h"

#include "model/Site.h"
#include "model/Text.h"

namespace quillan {

namespace {

std::string securityLine(bool aes, bool ess, uint32_t key)
{
    std::string line = aes ? "AES On" : "AES Off";
    line += ess ? strprintf(" : ESS On (Key: %u)", key) : std::string(" : ESS Off");
    return line;
}

// The page names only the devices it can show; the device-type table knows more.
std::string pageTypeName(uint16_t deviceType)
{
    switch (deviceType) {
    case 11:
        return "Base Unit";
    case 12:
        return "ZAV Gateway Module";
    case 13:
        return "Hub2 (320)";
    case 14:
        return "Hub2";
    case 32:
        return "Hub3";
    default:
        return {};
    }
}

// Versions compare as text, as the device's own tools compare them.
bool isAesCapable(uint16_t deviceType, const std::string& version)
{
    if (deviceType >= 11 && deviceType <= 14) {
        return version >= "2.0";
    }
    if (deviceType == 32) {
        return version >= "1.0";
    }
    return false;
}

} // namespace

DevicePageValues devicePageValues(uint16_t deviceType, const std::string& version,
                                  const ConfigImage& image)
{
    DevicePageValues page;
    page.type = pageTypeName(deviceType);
    page.version = version.substr(0, 12);
    page.aesCapable = isAesCapable(deviceType, version);

    const RadioRecord radio = image.radio();
    const unsigned c = radio.channel;
    const RadioBand band = radioBand(c);
    page.id = radio.node();
    page.channel = c % 30;
    page.group = radio.group();
    if (band != RadioBand::none) {
        for (unsigned i = 0; i < 5; ++i) {
            page.powerChoices.emplace_back(powerText(band, i));
        }
        page.powerSelection = (radio.flags & RadioRecord::kPowerMask) % 5;
    }
    page.retries = band == RadioBand::ghz24 ? 3u * radio.retries + 3u : radio.retries;
    switch (band) {
    case RadioBand::mhz900:
        page.bitRateChoices = {"9600", "115200"};
        page.bitRateSelection = (radio.flags & RadioRecord::kLowBitRateFlag) != 0 ? 0 : 1;
        break;
    case RadioBand::ghz24:
        page.bitRateChoices = {"250000"};
        break;
    case RadioBand::mhz868:
        page.bitRateChoices = {"80000"};
        break;
    case RadioBand::none:
        break;
    }
    const uint32_t key = image.security().siteKey;
    page.deviceSecurity = securityLine(page.aesCapable && (radio.flags & RadioRecord::kAesFlag) != 0,
                                       key != 0, key);
    return page;
}

std::string siteSecurityLine(const Site& site)
{
    return securityLine(site.isAesEnabled(), site.isSecurityEnabled(), site.getSecurityKey());
}

} // namespace quillan
