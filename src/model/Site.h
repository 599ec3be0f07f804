#pragma once

#include "model/Serializable.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace quillan {

enum SiteBand : uint16_t { band868 = 0, band900 = 1, band2400 = 2, bandNotChosen = 3 };

// The transmit power a gateway's power level 0 to 4 gives on a band, as the Radio page and
// the new-project wizard list them; 900 MHz's where the band is not known.
[[nodiscard]] const std::array<const char*, 5>& txPowerTexts(uint16_t band);

// One radio network of the project: band, channel, bit rate, the groups its gateways take,
// encryption and the site security key.
class Site : public Serializable {
    QUILLAN_SERIAL(Site)
public:
    Site() = default;

    void serialize(Archive& ar) override;
    [[nodiscard]] virtual std::unique_ptr<Site> clone() const;

    // Returns the next group and moves past it.
    uint16_t allocateGroup() { return m_nextGroup++; }
    // Sets the key to the current time in seconds since 1970 and returns it.
    uint32_t newSecurityKey();

    void setSecurityKey(uint32_t key) { m_securityKey = key; }
    [[nodiscard]] uint32_t getSecurityKey() const { return m_securityKey; }
    [[nodiscard]] bool isSecurityEnabled() const { return m_securityEnabled != 0; }
    void setSecurityEnabled(bool on) { m_securityEnabled = on ? 1 : 0; }
    [[nodiscard]] bool isAesEnabled() const { return m_aesEnabled != 0; }
    void setAesEnabled(bool on) { m_aesEnabled = on ? 1 : 0; }
    void setBand(uint16_t band) { m_band = band; }
    [[nodiscard]] uint16_t getBand() const { return m_band; }
    void setSiteName(const std::string& name) { m_siteName = name; }
    [[nodiscard]] const std::string& getSiteName() const { return m_siteName; }
    void setSiteChannel(uint16_t channel) { m_siteChannel = channel; }
    [[nodiscard]] uint16_t getSiteChannel() const { return m_siteChannel; }
    void setFirstGroup(uint16_t group) { m_firstGroup = group; }
    [[nodiscard]] uint16_t getFirstGroup() const { return m_firstGroup; }
    void setHighBitRate(uint16_t high) { m_highBitRate = high; }
    [[nodiscard]] uint16_t isHighBitRate() const { return m_highBitRate; }
    [[nodiscard]] uint16_t groupsInUse() const
    {
        return static_cast<uint16_t>(m_nextGroup - m_firstGroup);
    }
    [[nodiscard]] uint16_t getNextGroup() const { return m_nextGroup; }
    void setNextGroup(uint16_t group) { m_nextGroup = group; }

    // Column 1 of the site's row in the Device tab.
    [[nodiscard]] std::string summary() const;

private:
    uint32_t m_securityKey = 0;
    uint8_t m_securityEnabled = 1;
    std::string m_siteName;
    uint16_t m_siteChannel = 0;
    uint16_t m_firstGroup = 0;
    uint16_t m_nextGroup = 1;
    uint16_t m_highBitRate = 0;
    uint8_t m_aesEnabled = 0;
    uint16_t m_band = bandNotChosen;
};

// The site dialog's rules, kept free of any window so the dialog, the CLI and the tests share
// them.
namespace site_rules {

struct ChannelRange {
    uint16_t low;
    uint16_t high;
};

// Channel range of a band (0-9 on 868 and 900 MHz, 12-23 on 2.4 GHz).
[[nodiscard]] ChannelRange channelRange(uint16_t band);
// A typed channel replaced by the nearest bound of the band's range.
[[nodiscard]] uint16_t clampChannel(uint16_t band, long typed);
// A typed group replaced by 0 or 999 when outside 0-999.
[[nodiscard]] uint16_t clampGroup(long typed);
// Picking another band in the list: band, bit-rate flag and channel change; the same band
// changes nothing.
void pickBand(Site& site, uint16_t band);

// The dialog's fields when OK is pressed.
struct SiteDialogFields {
    std::string name;
    int band = -1; // selection of the frequency list; -1 when none
    uint16_t channel = 0;
    uint16_t group = 0;
    uint16_t highBitRate = 0; // selection of the bit-rate list
    bool securityEnabled = true;
    bool aesEnabled = false;
};

struct SiteDialogRefusal {
    std::string caption;
    std::string text;
};

// Applies OK to the site: returns the refusal to show (the dialog stays open) or nothing.
// A refused OK may still have set the band, as the dialog does before it checks the name.
[[nodiscard]] std::unique_ptr<SiteDialogRefusal> applyOk(Site& site, const SiteDialogFields& fields,
                                                         bool editing);

} // namespace site_rules

} // namespace quillan
