#pragma once

#include "dialogs/WizardPage.h"
#include "document/TarnDoc.h"
#include "model/Site.h"

#include <cstdint>

class QComboBox;

namespace quillan {
class ProjectSettings;
}

namespace quillan::controls {
class ClampSpinBox;
class GatewayEdit;
} // namespace quillan::controls

namespace quillan::dialogs {

// Step 3 of the new-project wizard: the project's primary gateway. Its power list follows the
// band chosen in step 2; its config port mode is also the default for later gateways and is
// remembered the moment it changes.
class WizGatewayPage1 final : public WizardPage {
    Q_OBJECT
public:
    static constexpr int BAUD_RATES[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

    explicit WizGatewayPage1(ProjectSettings& settings, QWidget* parent = nullptr);

    // The band whose powers the page offers the next time it becomes active.
    void setBand(uint16_t band) { m_band = band; }
    [[nodiscard]] uint16_t band() const { return m_band; }
    [[nodiscard]] NewGatewayValues values() const;

    [[nodiscard]] controls::GatewayEdit& nameBox() const { return *m_name; }
    [[nodiscard]] QComboBox& typeList() const { return *m_type; }
    [[nodiscard]] QComboBox& txPowerList() const { return *m_txPower; }
    [[nodiscard]] QComboBox& rtuPortList() const { return *m_rtuPort; }
    [[nodiscard]] controls::ClampSpinBox& slaveIdBox() const { return *m_slaveId; }
    [[nodiscard]] QComboBox& baudRateList() const { return *m_baudRate; }
    [[nodiscard]] QComboBox& configPortModeList() const { return *m_configPortMode; }

    void onSetActive() override;
    void storeFields() override;
    [[nodiscard]] QList<QWidget*> tabChain() const override;

private:
    void nameEdited(const QString& text);
    void nameLeft();

    ProjectSettings& m_settings;
    uint16_t m_band;
    // The band whose powers the list holds.
    uint16_t m_listedBand = bandNotChosen;
    // The last name that was not empty: an emptied box gives it back.
    QString m_gatewayName;
    controls::GatewayEdit* m_name = nullptr;
    QComboBox* m_type = nullptr;
    QComboBox* m_txPower = nullptr;
    QComboBox* m_rtuPort = nullptr;
    controls::ClampSpinBox* m_slaveId = nullptr;
    QComboBox* m_baudRate = nullptr;
    QComboBox* m_configPortMode = nullptr;
};

} // namespace quillan::dialogs
