#include "gateway/ModbusModuleRules.h"

#include "model/MBModule.h"
#include "model/Text.h"

#include <memory>

namespace quillan {

namespace {

constexpr uint8_t kFloatFormat = 2;

} // namespace

int maxModbusRegisters(uint8_t registerFormat)
{
    // A 32-bit value takes two registers of the 125 one read may return.
    return (registerFormat & 0x7F) == kFloatFormat ? 62 : 125;
}

std::string checkModbusModule(const ModbusModuleSettings& settings)
{
    const int most = maxModbusRegisters(settings.registerFormat);
    if (settings.registerCount > most) {
        return (settings.registerFormat & 0x7F) == kFloatFormat
                   ? strprintf("a float module reads at most %d registers", most)
                   : strprintf("a module reads at most %d registers", most);
    }
    return {};
}

void addModbusOutput(ModbusModuleSettings& settings, uint16_t startRegister)
{
    auto output = std::make_unique<MBExport>();
    output->destinationType = destinationModbus;
    output->sourcePointId = 0xFFFFFFFF;
    output->mbValue = 4;
    output->setModbusDetails(0, 0, startRegister, 1, 0);
    output->exportName = strprintf("Output_%d", static_cast<int>(settings.outputs.size()));
    settings.outputs.push_back({nullptr, std::move(output)});
}

} // namespace quillan
