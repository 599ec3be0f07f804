#pragma once

#include "gateway/ui/NodePropertySheet.h"

#include <cstdint>

class QComboBox;

namespace quillan {
class SerialPortDefinition;
struct ModbusModuleSettings;
} // namespace quillan

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::gateway::ui {

// "IO Bus" of a Modbus module: the port the slave is on and its slave id. The port is the
// module's own; the list only shows the gateway's RTU port while that is a Modbus master.
class IoPortPage final : public PropertyPage {
    Q_OBJECT
public:
    // settings: the sheet's values, read now and written back by apply(); rtuPort: the
    // gateway's RTU port definition, if any.
    IoPortPage(ModbusModuleSettings& settings, const SerialPortDefinition* rtuPort,
               QWidget* parent = nullptr);

    void apply() override;

    [[nodiscard]] uint8_t port() const { return m_port; }
    [[nodiscard]] uint8_t slaveId() const { return m_slaveId; }

    [[nodiscard]] QComboBox& portList() const { return *m_portList; }
    [[nodiscard]] controls::ClampSpinBox& slaveIdBox() const { return *m_slaveIdBox; }

private:
    ModbusModuleSettings& m_settings;
    uint8_t m_port = 0;
    uint8_t m_slaveId = 1;
    QComboBox* m_portList = nullptr;
    controls::ClampSpinBox* m_slaveIdBox = nullptr;
};

} // namespace quillan::gateway::ui
