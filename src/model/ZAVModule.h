#pragma once

#include "model/Export.h"
#include "model/Import.h"
#include "model/ModulePoints.h"
#include "model/Node.h"

#include <array>

namespace quillan {

enum IoKind : uint8_t { ioKindAm1 = 0, ioKindAm2 = 1, ioKindDm = 2 };

// Groups of a digital module's inputs that go into the imports table.
enum DigitalGroups : uint8_t { groupInputs = 0x01, groupCounts = 0x02, groupOutputStatus = 0x04 };

// The six Modbus detail bytes of a module point: port, slave id, start register, number of
// registers, format.
struct ModbusPointDetails {
    uint8_t port = 0;
    uint8_t slaveId = 0;
    uint16_t startRegister = 0;
    uint8_t registerCount = 0;
    uint8_t format = 0;
};

// What the I/O module dialog hands to the module to make or update its points.
struct IoModulePoints {
    uint8_t address = 0;
    uint32_t interval = 1;
    ModbusPointDetails inputs;
    ModbusPointDetails output1;
    ModbusPointDetails output2;
    uint8_t groups = groupInputs;
};

// A module on the gateway's I/O bus; not shown in the project tree.
class ZAVModule : public Node {
    QUILLAN_SERIAL(ZAVModule)
public:
    ZAVModule() = default;
    ~ZAVModule() override;

    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;

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
    void unlinkPoint(const Import& point) override { m_points.unlinkPoint(point); }
    void unlinkNode(const Node& node) override { m_points.unlinkNode(node); }

    [[nodiscard]] uint32_t getModuleInterval() const { return m_moduleInterval; }
    void setModuleInterval(uint32_t seconds) { m_moduleInterval = seconds; }
    [[nodiscard]] uint16_t getModuleId() const { return m_moduleId; }
    void setModuleId(uint16_t id) { m_moduleId = id; }
    // Slave id of the first input minus one; 0 without inputs.
    [[nodiscard]] uint8_t address() const;
    // The module's text in the I/O bus list.
    [[nodiscard]] virtual const char* description() const { return ""; }

    // Makes the points of a new module on the gateway.
    void makePoints(Node& gateway, const IoModulePoints& values);
    // Updates the points of a module the dialog edited.
    void updatePoints(const IoModulePoints& values);

protected:
    ZAVModule(const ZAVModule& other);

    uint16_t m_moduleId = 0;
    uint32_t m_moduleInterval = 1;
    ModulePoints m_points;
};

class AM1Module : public ZAVModule {
    QUILLAN_SERIAL(AM1Module)
public:
    AM1Module() = default;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;
    [[nodiscard]] uint8_t getIoKind() const override { return ioKindAm1; }
    [[nodiscard]] const char* description() const override
    {
        return "Analog, 0-10V, 2In/2Out, Isolated";
    }

private:
    AM1Module(const AM1Module&) = default;
};

class AM2Module : public ZAVModule {
    QUILLAN_SERIAL(AM2Module)
public:
    AM2Module() = default;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;
    [[nodiscard]] uint8_t getIoKind() const override { return ioKindAm2; }
    [[nodiscard]] const char* description() const override
    {
        return "Analog, 4-20mA, 2In/2Out, Isolated";
    }

private:
    AM2Module(const AM2Module&) = default;
};

class DMModule : public ZAVModule {
    QUILLAN_SERIAL(DMModule)
public:
    DMModule() = default;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;
    [[nodiscard]] uint8_t getIoKind() const override { return ioKindDm; }
    [[nodiscard]] const char* description() const override
    {
        return "Digital, 9-30V, 4In/4Out, Isolated";
    }

private:
    DMModule(const DMModule&) = default;
};

// An empty I/O module of the kind; none for an unknown kind.
[[nodiscard]] std::unique_ptr<ZAVModule> makeIoModule(uint8_t kind);

} // namespace quillan
