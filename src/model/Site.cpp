#include "model/Site.h"

#include "model/Archive.h"
#include "model/Text.h"

#include <ctime>

namespace quillan {

const std::array<const char*, 5>& txPowerTexts(uint16_t band)
{
    static constexpr std::array<const char*, 5> k868{"2 mW", "5 mW", "10 mW", "16 mW", "25 mW"};
    static constexpr std::array<const char*, 5> k900{"1 mW", "10 mW", "100 mW", "500 mW",
                                                     "1000 mW"};
    static constexpr std::array<const char*, 5> k2400{"10 mW", "16 mW", "25 mW", "40 mW",
                                                      "63 mW"};
    switch (band) {
    case band868:
        return k868;
    case band2400:
        return k2400;
    default:
        return k900;
    }
}

QUILLAN_IMPLEMENT_SERIAL(Site, Serializable)

void Site::serialize(Archive& ar)
{
    if (ar.isLoading() && ar.getObjectSchema() != 1) {
        return;
    }
    ar.io(m_securityKey);
    ar.io(m_securityEnabled);
    ar.io(m_siteName);
    ar.io(m_siteChannel);
    ar.io(m_firstGroup);
    ar.io(m_nextGroup);
    ar.io(m_highBitRate);
    ar.io(m_aesEnabled);
    ar.io(m_band);
}

std::unique_ptr<Site> Site::clone() const
{
    return std::make_unique<Site>(*this);
}

uint32_t Site::newSecurityKey()
{
    m_securityKey = static_cast<uint32_t>(std::time(nullptr));
    return m_securityKey;
}

std::string Site::summary() const
{
    std::string text = strprintf("CH %d  :  GP  %d  :  BR  ", m_siteChannel, m_firstGroup);
    switch (m_band) {
    case band868:
        text += "80000";
        break;
    case band900:
        text += m_highBitRate != 0 ? "115200" : "9600";
        break;
    case band2400:
        text += "250000";
        break;
    default:
        break;
    }
    text += isAesEnabled() ? "  :  AES  On" : "  :  AES  Off";
    if (isSecurityEnabled()) {
        text += strprintf("  :  ESS  On  (Key:  %u)", m_securityKey);
    } else {
        text += "  :  ESS  Off";
    }
    switch (m_band) {
    case band868:
        text += "  :  868 MHz";
        break;
    case band900:
        text += "  :  900 MHz";
        break;
    case band2400:
        text += "  :  2.4 GHz";
        break;
    default:
        break;
    }
    return text;
}

namespace site_rules {

ChannelRange channelRange(uint16_t band)
{
    return band == band2400 ? ChannelRange{12, 23} : ChannelRange{0, 9};
}

uint16_t clampChannel(uint16_t band, long typed)
{
    const ChannelRange range = channelRange(band);
    if (typed < range.low) {
        return range.low;
    }
    if (typed > range.high) {
        return range.high;
    }
    return static_cast<uint16_t>(typed);
}

uint16_t clampGroup(long typed)
{
    if (typed < 0) {
        return 0;
    }
    if (typed > 999) {
        return 999;
    }
    return static_cast<uint16_t>(typed);
}

void pickBand(Site& site, uint16_t band)
{
    if (band == site.getBand()) {
        return;
    }
    site.setBand(band);
    site.setHighBitRate(0);
    switch (band) {
    case band868:
        // Above the 0-9 range the field then enforces; the first edit brings it back.
        site.setSiteChannel(10);
        break;
    case band900:
        site.setSiteChannel(0);
        break;
    default:
        site.setSiteChannel(12);
        break;
    }
}

std::unique_ptr<SiteDialogRefusal> applyOk(Site& site, const SiteDialogFields& fields,
                                           bool editing)
{
    if (fields.name.empty()) {
        return std::make_unique<SiteDialogRefusal>(
            SiteDialogRefusal{"Site Creation Error", "Please enter a valid site name."});
    }
    // A site without a band has no channel range or bit rate; refuse it rather than store
    // a band code no other part understands.
    if (fields.band < band868 || fields.band > band2400) {
        return std::make_unique<SiteDialogRefusal>(
            SiteDialogRefusal{"Site Creation Error", "Please select a frequency."});
    }
    site.setBand(static_cast<uint16_t>(fields.band));
    site.setSiteName(fields.name);
    if (editing) {
        const uint16_t inUse = site.groupsInUse();
        if (static_cast<unsigned>(fields.group) + inUse > 1000) {
            return std::make_unique<SiteDialogRefusal>(SiteDialogRefusal{
                "Max group number exceeded", "Please enter a valid group number."});
        }
        site.setSiteChannel(fields.channel);
        site.setFirstGroup(fields.group);
        site.setNextGroup(static_cast<uint16_t>(fields.group + inUse));
        site.setHighBitRate(fields.highBitRate);
    } else {
        site.setSiteChannel(fields.channel);
        site.setFirstGroup(fields.group);
        site.setHighBitRate(fields.highBitRate);
        site.setNextGroup(site.getFirstGroup());
        site.newSecurityKey();
    }
    site.setSecurityEnabled(fields.securityEnabled);
    site.setAesEnabled(fields.aesEnabled);
    return nullptr;
}

} // namespace site_rules

} // namespace quillan
