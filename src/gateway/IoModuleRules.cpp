#include "gateway/IoModuleRules.h"

#include "gateway/ZAVGateway.h"
#include "model/Text.h"

namespace quillan {

namespace {

struct OutputUnit {
    uint16_t am1Register;
    uint16_t am2Register;
    uint8_t format;
};

constexpr OutputUnit kOutputUnits[4] = {
    {3011, 3011, 0},
    {3013, 3013, 0},
    {7005, 7003, 2},
    {7007, 7005, 2},
};

ModbusPointDetails outputDetails(const IoModuleChoices& c, uint8_t choice, uint16_t offset)
{
    const OutputUnit& unit = kOutputUnits[choice & 3];
    const uint16_t reg = c.kind == ioKindAm1 ? unit.am1Register : unit.am2Register;
    return {2, static_cast<uint8_t>(c.address + 1), static_cast<uint16_t>(reg + offset), 1,
            unit.format};
}

} // namespace

IoModulePoints ioModulePoints(const IoModuleChoices& c)
{
    IoModulePoints p;
    p.address = c.address;
    p.interval = c.interval;
    p.groups = c.groups;
    const auto slave = static_cast<uint8_t>(c.address + 1);
    if (c.kind == ioKindDm) {
        p.inputs = {2, slave, 0, 0, 0};
        const bool inputs = (c.groups & groupInputs) != 0;
        const bool counts = (c.groups & groupCounts) != 0;
        const bool status = (c.groups & groupOutputStatus) != 0;
        if (inputs) {
            p.inputs.startRegister = 3001;
            p.inputs.registerCount = counts ? 12 : (status ? 8 : 4);
        } else if (status) {
            p.inputs.startRegister = 3005;
            p.inputs.registerCount = counts ? 8 : 4;
        } else if (counts) {
            p.inputs.startRegister = 3009;
            p.inputs.registerCount = 4;
        }
        return p;
    }
    const bool floatInputs = c.inputUnits == 1;
    p.inputs = {2, slave, static_cast<uint16_t>(floatInputs ? 7001 : 3001), 2,
                static_cast<uint8_t>(floatInputs ? 2 : 0)};
    p.output1 = outputDetails(c, c.output1Units, 0);
    p.output2 = outputDetails(c, c.output2Units, 1);
    return p;
}

uint8_t firstFreeIoAddress(const ZAVGateway& gateway)
{
    for (uint8_t address = 0; address < 16; ++address) {
        bool used = false;
        for (const auto& node : gateway.ioModules()) {
            const auto* module = dynamic_cast<const ZAVModule*>(node.get());
            used = used || (module != nullptr && module->address() == address);
        }
        if (!used) {
            return address;
        }
    }
    return 16;
}

std::string addNewIoModule(ZAVGateway& gateway, const IoModuleChoices& c)
{
    if (c.kind > ioKindDm) {
        return "choose the module type (am1, am2 or dm)";
    }
    if (gateway.ioModules().size() >= 16) {
        return "the I/O bus already holds 16 modules";
    }
    if (c.address > 15) {
        return "the module address must be 0 to 15";
    }
    for (const auto& node : gateway.ioModules()) {
        const auto* module = dynamic_cast<const ZAVModule*>(node.get());
        if (module != nullptr && module->address() == c.address) {
            return strprintf("another I/O module uses address %X", c.address);
        }
    }
    if (c.interval < 1 || c.interval > 86399) {
        return "the interval must be 00:00:01 to 23:59:59";
    }
    if (c.inputUnits > 1 || c.output1Units > 3 || c.output2Units > 3) {
        return "the engineering units choice is out of range";
    }
    auto module = makeIoModule(c.kind);
    module->makePoints(gateway, ioModulePoints(c));
    module->setMapOptions(c.mapOptions);
    module->setSite(gateway.getSite());
    gateway.addIoModule(std::move(module));
    gateway.markModified();
    return {};
}

} // namespace quillan
