#include "device/GatewayConnect.h"

#include "device/GatewayLink.h"
#include "model/Site.h"

namespace quillan::device {

namespace {

// Opens the link, enquires and identifies; returns the failure's result code, 0 when a
// gateway answered.
int checkGateway(GatewayLink& link)
{
    (void)link.openLink();
    if (!link.enquire() || !link.identify()) {
        link.reportStatus(24, true);
        return 24;
    }
    if (link.state().deviceType() != GATEWAY_DEVICE_TYPE) {
        link.reportStatus(32, true);
        return 32;
    }
    return 0;
}

} // namespace

int beginConnect(GatewayLink& link)
{
    const int code = checkGateway(link);
    if (code == 32) {
        endConnect(link);
    }
    return code;
}

void endConnect(GatewayLink& link)
{
    link.endConversation();
}

SiteKeyResult readSiteSecurityKey(GatewayLink& link)
{
    SiteKeyResult result;
    result.resultCode = checkGateway(link);
    if (result.resultCode != 0) {
        return result;
    }
    if (!link.readSecurityKey()) {
        link.reportStatus(43, true);
        result.resultCode = 43;
        return result;
    }
    const uint32_t key = link.state().keyValue;
    if (key != 0) {
        result.resultCode = 47;
        result.siteKey = key;
        link.reportStatus(47, false);
        link.endConversation();
    } else {
        result.resultCode = 46;
        result.securityOff = true;
        link.reportStatus(46, true);
    }
    return result;
}

bool applySiteKeyResult(Site& site, const SiteKeyResult& result)
{
    if (result.siteKey && site.getSecurityKey() != *result.siteKey) {
        site.setSecurityKey(*result.siteKey);
        return true;
    }
    if (result.securityOff && site.isSecurityEnabled()) {
        site.setSecurityEnabled(false);
        return true;
    }
    return false;
}

} // namespace quillan::device
