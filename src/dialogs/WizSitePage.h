#pragma once

#include "dialogs/WizardPage.h"

#include <cstdint>

class QComboBox;
class QLabel;

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::dialogs {

// Step 2 of the new-project wizard: band, channel and group of the project's first site,
// "Site_1". The channel keeps to the band's range, which changes with the band.
class WizSitePage final : public WizardPage {
    Q_OBJECT
public:
    explicit WizSitePage(QWidget* parent = nullptr);

    [[nodiscard]] uint16_t band() const;
    [[nodiscard]] uint16_t channel() const;
    [[nodiscard]] uint16_t group() const;

    [[nodiscard]] QComboBox& frequencyList() const { return *m_frequency; }
    [[nodiscard]] controls::ClampSpinBox& channelBox() const { return *m_channel; }
    [[nodiscard]] controls::ClampSpinBox& groupBox() const { return *m_group; }

    void storeFields() override;
    [[nodiscard]] QList<QWidget*> tabChain() const override;

private:
    void bandChosen();
    void showPicture();

    QComboBox* m_frequency = nullptr;
    controls::ClampSpinBox* m_channel = nullptr;
    controls::ClampSpinBox* m_group = nullptr;
    QLabel* m_picture = nullptr;
};

} // namespace quillan::dialogs
