#pragma once

#include "gateway/GatewayRules.h"
#include "gateway/ui/NodePropertySheet.h"
#include "gateway/ui/PortFields.h"
#include "model/PortRecord.h"

class QComboBox;
class QRadioButton;

namespace quillan::gateway::ui {

// "RTU Port": line, rate, parity, stop bits and Modbus Master or Slave of the RTU port. The
// gateway's Modbus modules on the port keep it a master, and when they answer to more than one
// slave id its line on RS485. Edits a copy of the port's record, which the sheet's owner takes
// on OK.
class P2PortPage final : public PropertyPage {
    Q_OBJECT
public:
    P2PortPage(const PortRecord& record, RtuPortUse use, PageMode mode, QWidget* parent = nullptr);

    // The record with the user's changes (and the RS485 line the modules require).
    [[nodiscard]] const PortRecord& record() const { return m_record; }

    [[nodiscard]] QComboBox& lineList() const { return *m_line; }
    [[nodiscard]] QComboBox& baudList() const { return *m_baud; }
    [[nodiscard]] QComboBox& parityList() const { return *m_parity; }
    [[nodiscard]] QComboBox& stopBitsList() const { return *m_stopBits; }
    [[nodiscard]] QRadioButton& modbusMasterButton() const { return *m_modbusMaster; }
    [[nodiscard]] QRadioButton& modbusSlaveButton() const { return *m_modbusSlave; }
    [[nodiscard]] SlaveFields& slaveFields() const { return *m_slave; }

    void apply() override;

private:
    void modeChosen(PortProtocol protocol);

    PortRecord m_record;
    PageMode m_mode;
    QComboBox* m_line = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_stopBits = nullptr;
    QRadioButton* m_modbusMaster = nullptr;
    QRadioButton* m_modbusSlave = nullptr;
    SlaveFields* m_slave = nullptr;
};

} // namespace quillan::gateway::ui
