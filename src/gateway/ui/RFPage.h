#pragma once

#include "gateway/ui/NodePropertySheet.h"
#include "model/Site.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QTimeEdit;

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::gateway::ui {

// What the Radio page edits, and what it needs to know of the node's site.
struct RadioValues {
    uint16_t powerIndex = 0;  // transmit power, 0 to 4
    uint16_t retries = 0;     // the stored word; on 2.4 GHz the page shows 3 x retries + 3
    uint32_t nodeTimeout = 0; // seconds
    uint16_t band = bandNotChosen;
    bool siteAes = false; // on 2.4 GHz an AES site keeps the retries fixed
    bool showNodeTimeout = true;
};

// "Radio": transmit power by the band's power levels, retries in the band's range and steps,
// and the node timeout. Edits a copy of the values, which the sheet's owner takes on OK. A
// number outside its field's range is taken as the field shows it; a power index the list
// does not offer is kept until the user picks a level.
class RFPage final : public PropertyPage {
    Q_OBJECT
public:
    explicit RFPage(const RadioValues& values, QWidget* parent = nullptr);

    [[nodiscard]] const RadioValues& values() const { return m_values; }

    [[nodiscard]] QComboBox& powerList() const { return *m_power; }
    [[nodiscard]] controls::ClampSpinBox& retriesBox() const { return *m_retries; }
    [[nodiscard]] QTimeEdit& nodeTimeoutField() const { return *m_timeout; }

    void apply() override;

private:
    void retriesEdited(int shown);
    [[nodiscard]] bool retriesInThrees() const;

    RadioValues m_values;
    QComboBox* m_power = nullptr;
    controls::ClampSpinBox* m_retries = nullptr;
    QTimeEdit* m_timeout = nullptr;
};

} // namespace quillan::gateway::ui
