#pragma once

#include "gateway/ui/NodePropertySheet.h"
#include "gateway/ui/PortFields.h"
#include "model/PortRecord.h"

class QComboBox;
class QRadioButton;

namespace quillan::gateway::ui {

// "Config Port": the CONFIG port runs Debug or Modbus Slave; its line settings are shown but
// fixed. Edits a copy of the port's record, which the sheet's owner takes on OK.
class ConfigPortPage final : public PropertyPage {
    Q_OBJECT
public:
    ConfigPortPage(const PortRecord& record, PageMode mode, QWidget* parent = nullptr);

    // The record with the user's changes.
    [[nodiscard]] const PortRecord& record() const { return m_record; }

    [[nodiscard]] QComboBox& baudList() const { return *m_baud; }
    [[nodiscard]] QComboBox& parityList() const { return *m_parity; }
    [[nodiscard]] QComboBox& stopBitsList() const { return *m_stopBits; }
    [[nodiscard]] QRadioButton& modbusSlaveButton() const { return *m_modbusSlave; }
    [[nodiscard]] QRadioButton& debugButton() const { return *m_debug; }
    [[nodiscard]] SlaveFields& slaveFields() const { return *m_slave; }

    void apply() override;

private:
    void modeChosen(PortProtocol protocol);

    PortRecord m_record;
    PageMode m_mode;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_stopBits = nullptr;
    QRadioButton* m_modbusSlave = nullptr;
    QRadioButton* m_debug = nullptr;
    SlaveFields* m_slave = nullptr;
};

} // namespace quillan::gateway::ui
