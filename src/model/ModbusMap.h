#pragma once

#include "model/Serializable.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quillan {

class Import;

// One entry of a gateway's Modbus slave map: the point it shows, its registers, and whether a
// refresh-time register follows it.
class ModbusMap : public Serializable {
    QUILLAN_SERIAL(ModbusMap)
public:
    ModbusMap() = default;
    ModbusMap(Import* point, uint8_t formatCode, bool isWriteEntry);
    ~ModbusMap() override;

    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<ModbusMap> clone() const;

    void setStartRegister(uint16_t reg);
    [[nodiscard]] const std::string& getRegisterText() const { return registerText; }
    [[nodiscard]] bool isFloatFormat() const { return formatCode == 2; }
    // The point id the file stores: from the live point when there is one.
    [[nodiscard]] uint32_t livePointId() const;

    uint32_t pointId = 0;
    int16_t pointIndex = 0;
    // Registers run to 65535; the file holds the same 16 bits.
    uint16_t startRegister = 0;
    int16_t registerCount = 0;
    uint8_t attribute = 0;
    uint8_t formatCode = 0;
    bool isWriteEntry = false;
    bool hasRefreshTime = false;
    std::string valueText;
    std::string refreshText;

    Import* point = nullptr;
    std::string registerText;
    uint32_t schema = 0xFFFFFFFF;

private:
    ModbusMap(const ModbusMap&) = default;
};

} // namespace quillan
