#pragma once

#include "gateway/ui/NodePropertySheet.h"

#include <cstdint>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;

namespace quillan {
class ConfigImage;
class Site;
} // namespace quillan

namespace quillan::gateway::ui {

// "Device": what a gateway read by Connect says of itself (type and version), its radio
// configuration and its security beside the project's current site. Everything is shown as
// read; nothing on the page is written anywhere.
class BasePage final : public PropertyPage {
    Q_OBJECT
public:
    explicit BasePage(QWidget* parent = nullptr);

    // From the identity record's device type code and version text, the image read, and the
    // project's current site (none leaves the Site line empty).
    void fill(uint16_t deviceType, const std::string& version, const ConfigImage& image,
              const Site* site);

    [[nodiscard]] QString type() const;
    [[nodiscard]] QString version() const;
    [[nodiscard]] bool aesCapable() const { return m_aesCapable; }
    [[nodiscard]] QString id() const;
    [[nodiscard]] QString channel() const;
    [[nodiscard]] QString group() const;
    [[nodiscard]] QString vevaDorId() const;
    [[nodiscard]] QComboBox& txPower() const { return *m_power; }
    [[nodiscard]] QString retries() const;
    [[nodiscard]] QComboBox& bitRate() const { return *m_bitRate; }
    [[nodiscard]] QString siteSecurity() const;
    [[nodiscard]] QString deviceSecurity() const;

private:
    QLineEdit* m_type = nullptr;
    QLineEdit* m_version = nullptr;
    QLineEdit* m_id = nullptr;
    QLineEdit* m_channel = nullptr;
    QLineEdit* m_group = nullptr;
    QLineEdit* m_vevaDorId = nullptr;
    QComboBox* m_power = nullptr;
    QLineEdit* m_retries = nullptr;
    QComboBox* m_bitRate = nullptr;
    QLabel* m_site = nullptr;
    QLabel* m_device = nullptr;
    bool m_aesCapable = false;
};

} // namespace quillan::gateway::ui
