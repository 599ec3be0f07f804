#pragma once

#include <cstdint>
#include <optional>

namespace quillan {
class Site;
}

namespace quillan::device {

class GatewayLink;

// Connect's checks before the device session takes over: opens the link, enquires and
// identifies. Returns 0 when a gateway answered; the link then stays open (RTS raised, debug
// listener suspended) for the session, and endConnect gives it back once the device property
// window has closed. Otherwise the result code reported; the link is closed.
int beginConnect(GatewayLink& link);
void endConnect(GatewayLink& link);

// What Read Site Security Key found, and what the gateway's site takes from it.
struct SiteKeyResult {
    int resultCode = 0;
    std::optional<uint32_t> siteKey; // the device's key, for the site (result 47)
    bool securityOff = false;        // the device has no key: the site's switch goes off (46)
};

// Reads the gateway's site security key. The project is not touched: the owner applies the
// result with applySiteKeyResult. No progress window is shown.
SiteKeyResult readSiteSecurityKey(GatewayLink& link);

// Changes the site as the result says; returns whether anything changed. Runs on the thread
// that owns the project.
bool applySiteKeyResult(Site& site, const SiteKeyResult& result);

} // namespace quillan::device
