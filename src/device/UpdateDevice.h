#pragma once

#include "gateway/ConfigImage.h"
#include "gateway/ZAVGateway.h"
#include "model/Site.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillan::device {

class GatewayLink;

// What Update Device needs of the gateway's site.
struct SiteSettings {
    uint16_t band = bandNotChosen; // SiteBand; another value means not chosen
    bool securityEnabled = false;
    uint32_t securityKey = 0;
};

// Everything Update Device writes, taken from the project beforehand: the operation itself
// never touches the project, so it may run on a worker.
struct UpdateRequest {
    std::string gatewayName;
    CompiledImage compiled;
    // The image for firmware that reads a level input's value 16 as two registers
    // (olderLevelFirmware); none when it would be the same as compiled.image.
    std::optional<ConfigImage> olderFirmwareImage;
    std::optional<SiteSettings> site; // none when the gateway belongs to no site
};

// Compiles the gateway for the request. Runs on the thread that owns the project.
[[nodiscard]] UpdateRequest makeUpdateRequest(ZAVGateway& gateway);

// The question before writing a configuration for another radio band to a device.
inline constexpr const char* RADIO_QUESTION_CAPTION = "Reconfigure Radio Type Settings";
[[nodiscard]] std::string radioBandQuestion(RadioBand device, RadioBand site);

// The mismatch question of the site security key. Its dialog labels the answers
// "&Update Key" (Yes), "&Ignore Key" (No) and "Cancel".
inline constexpr const char* SITE_SECURITY_CAPTION = "Site Security Mismatch";
inline constexpr const char* SITE_SECURITY_TEXT =
    "The site security key programmed in the device you are trying to update does not match "
    "with the current project.\n\nDo you want to reprogram the site security key?";

// The band a site's band code names; none for a band not chosen.
[[nodiscard]] RadioBand siteRadioBand(uint16_t siteBand);

// Writes the configuration to the gateway and stores it there, on the thread that calls it.
// Progress goes to the main window from MSG_UPDATE_START to MSG_SESSION_DONE or
// MSG_SESSION_FAILED; the questions go through the link's prompts. Returns the result code of
// the line that ended it: 2 when the device took the configuration, 0 when it ended without a
// line (the device's radio band could not be read). The link is closed at the end.
int updateDevice(GatewayLink& link, const UpdateRequest& request);

} // namespace quillan::device
