#pragma once

#include "model/Export.h"
#include "model/Import.h"
#include "model/ModulePoints.h"
#include "model/Node.h"

#include <functional>

namespace quillan {

// What the Modbus module's property sheet holds when OK is pressed.
struct ModbusModuleSettings {
    uint8_t port = 0;
    uint8_t slaveId = 1;
    uint32_t interval = 900;
    uint16_t firstRegister = 0;
    uint8_t registerCount = 0;
    uint8_t registerFormat = 0; // bits 0-6 value format, bit 7 function code 4
    std::vector<std::string> inputNames;

    // The outputs in their new order: the module's own output objects, or new ones.
    struct Output {
        Export* existing = nullptr;
        std::unique_ptr<Export> added;
    };
    std::vector<Output> outputs;
};

// A generic Modbus slave polled by its gateway on one of the gateway's serial ports.
class MBModule : public Node {
    QUILLAN_SERIAL(MBModule)
public:
    MBModule() = default;
    // A module made by Insert Modbus Module.
    explicit MBModule(uint32_t id);
    ~MBModule() override;

    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;

    void setName(const std::string& name) override;
    [[nodiscard]] const std::string* getGatewayName() const override;
    [[nodiscard]] const std::string* getModuleName() const override { return &m_name; }
    [[nodiscard]] int getPointIndex(const Import& point) const override;
    [[nodiscard]] uint32_t nextTagNumber() override;
    [[nodiscard]] std::vector<std::unique_ptr<Import>>* getModuleInputs() override
    {
        return &m_points.inputs;
    }
    [[nodiscard]] std::vector<std::unique_ptr<Export>>* getModuleOutputs() override
    {
        return &m_points.outputs;
    }
    [[nodiscard]] bool isModbusModule() const override { return true; }
    [[nodiscard]] bool compilesModbusImports() const override { return true; }
    [[nodiscard]] int getImageIndex() const override { return 12; }
    void unlinkPoint(const Import& point) override { m_points.unlinkPoint(point); }
    void unlinkNode(const Node& node) override { m_points.unlinkNode(node); }
    void fillInfoList(ListRows& rows) const override;

    // Port and slave id; taken from the first output when either is 0.
    [[nodiscard]] uint8_t getModbusPort() const;
    [[nodiscard]] uint8_t getModbusSlaveId() const;

    // Joins the gateway, numbered and named, and stays when confirm (its property sheet)
    // accepts it; a refusal leaves the module on its own and gives the number back.
    bool attachToParent(Node& gateway, const std::function<bool(MBModule&)>& confirm);
    // The sheet's values as it opens on this module.
    [[nodiscard]] ModbusModuleSettings openingSettings() const;
    // The sheet's values as it opens on a module about to be inserted into the gateway.
    [[nodiscard]] static ModbusModuleSettings newModuleSettings(const Node& gateway);
    // What OK of the property sheet does.
    void applyProperties(ModbusModuleSettings settings);
    // Takes over the settings and points of a copied module; false with a message when refused.
    bool pasteProperties(const MBModule& source);

    uint32_t pollInterval = 0;
    uint8_t modbusPort = 0;
    uint8_t slaveId = 0;
    uint16_t firstRegister = 0;
    uint8_t registerCount = 0;
    uint8_t registerFormat = 0;

private:
    MBModule(const MBModule& other);
    void message(const std::string& caption, const std::string& text) const;

    ModulePoints m_points;
};

// Size word of a point in a register format: 32-bit for float values. Bit 7 only selects the
// function code and does not widen a 16-bit value.
[[nodiscard]] inline int16_t sizeWordForFormat(uint8_t registerFormat)
{
    return static_cast<int16_t>((registerFormat & 0x7F) != 0 ? 4 : 2);
}

} // namespace quillan
