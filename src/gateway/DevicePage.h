#pragma once

#include "gateway/ConfigImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillan {

class Site;

// What the Device page of the device property window shows of a gateway that was read: its
// identity and radio values and its security line. The window draws these; the CLI prints them.
struct DevicePageValues {
    std::string type;    // "ZAV Gateway Module"; empty for a code without a name
    std::string version; // at most 12 characters
    bool aesCapable = false;
    unsigned id = 0; // the node number of the radio address
    unsigned channel = 0;
    unsigned group = 0;
    unsigned vevaDorId = 0;
    std::vector<std::string> powerChoices; // empty when the channel is in no band
    unsigned powerSelection = 0;
    unsigned retries = 0;
    std::vector<std::string> bitRateChoices; // empty when the channel is in no band
    unsigned bitRateSelection = 0;
    std::string deviceSecurity; // "AES Off : ESS On (Key: 1234)"
};

// The Device page of a device with this identity (device type code, version text) and image.
[[nodiscard]] DevicePageValues devicePageValues(uint16_t deviceType, const std::string& version,
                                                const ConfigImage& image);

// The page's Site line for the project's current site: "AES On : ESS On (Key: 1234)".
[[nodiscard]] std::string siteSecurityLine(const Site& site);

} // namespace quillan
