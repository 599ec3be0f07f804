#pragma once

#include <cstdint>
#include <string>

namespace quillan {

struct ModbusModuleSettings;

// Rules of the Modbus module's property sheet; the GUI pages, the CLI and the tests share them.

// The most registers the "Modbus Inputs" page lets a module read in its register format.
[[nodiscard]] int maxModbusRegisters(uint8_t registerFormat);

// What the sheet would not let through OK; empty when the settings may be applied.
[[nodiscard]] std::string checkModbusModule(const ModbusModuleSettings& settings);

// "Add" of the "Modbus Outputs" page: a 16-bit output of one register, named after the number
// of outputs before it ("Output_0" first). Port and slave id follow the module on OK.
void addModbusOutput(ModbusModuleSettings& settings, uint16_t startRegister);

} // namespace quillan
