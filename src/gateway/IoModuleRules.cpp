#include "gateway/IoModuleRules.h"

#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <algorithm>

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

uint8_t firstFreeIoAddress(const std::vector<const ZAVModule*>& modules)
{
    for (uint8_t address = 0; address < 16; ++address) {
        const bool used = std::any_of(modules.begin(), modules.end(), [address](const auto* m) {
            return m != nullptr && m->address() == address;
        });
        if (!used) {
            return address;
        }
    }
    return 16;
}

uint8_t firstFreeIoAddress(const ZAVGateway& gateway)
{
    std::vector<const ZAVModule*> modules;
    for (const auto& node : gateway.ioModules()) {
        modules.push_back(dynamic_cast<const ZAVModule*>(node.get()));
    }
    return firstFreeIoAddress(modules);
}

IoModuleChoices ioModuleChoicesOf(const ZAVModule& module, uint8_t freeAddress)
{
    IoModuleChoices c;
    c.kind = module.getIoKind();
    const auto& inputs = *module.moduleInputs();
    const Import* first = inputs.empty() ? nullptr : inputs.front().get();
    if (first == nullptr) {
        c.address = freeAddress;
    } else {
        c.address = static_cast<uint8_t>(first->details[1] - 1);
        c.interval = first->interval;
        if (c.kind == ioKindDm) {
            const auto inTable = [&inputs](size_t i) {
                return i < inputs.size() && inputs[i] && inputs[i]->inImportTable;
            };
            c.groups = static_cast<uint8_t>((inTable(0) ? groupInputs : 0) |
                                            (inTable(4) ? groupOutputStatus : 0) |
                                            (inTable(8) ? groupCounts : 0));
        } else {
            c.inputUnits = first->details[5] != 0 ? 1 : 0;
        }
    }
    if (c.kind == ioKindDm) {
        return c;
    }
    const auto& outputs = *module.moduleOutputs();
    uint8_t* choices[] = {&c.output1Units, &c.output2Units};
    for (size_t i = 0; i < outputs.size() && i < 2; ++i) {
        if (!outputs[i]) {
            continue;
        }
        const uint16_t reg = outputs[i]->detailU16(2);
        if (outputs[i]->details[5] != 0) {
            *choices[i] = reg >= (c.kind == ioKindAm1 ? 7007 : 7005) ? 3 : 2;
        } else {
            *choices[i] = reg > 3012 ? 1 : 0;
        }
    }
    return c;
}

const char* ioInputUnitsText(uint8_t kind, uint8_t choice)
{
    static constexpr const char* texts[2][2] = {
        {"Volts * 1000 [10,000]", "0.0-10.0 Volts"},
        {"mA * 1000 [20,000]", "4.0-20.0 mA"},
    };
    return kind <= ioKindAm2 && choice < 2 ? texts[kind][choice] : "";
}

const char* ioOutputUnitsText(uint8_t kind, uint8_t choice)
{
    static constexpr const char* texts[2][4] = {
        {"Counts [65,535]", "Volts * 1000 [10,000]", "0.0-10.0 Volts", "0.0-100.0 %"},
        {"mA * 1000 [20,000]", "% * 100 [10,000]", "4.0-20.0 mA", "0.0-100.0 %"},
    };
    return kind <= ioKindAm2 && choice < 4 ? texts[kind][choice] : "";
}

const char* ioInputUnits(const ZAVModule& module, const Import& input)
{
    const uint8_t kind = module.getIoKind();
    if (kind == ioKindDm) {
        return "On/Off";
    }
    return ioInputUnitsText(kind, input.details[5] != 0 ? 1 : 0);
}

const char* ioOutputUnits(const ZAVModule& module, const Export& output)
{
    const uint8_t kind = module.getIoKind();
    if (kind == ioKindDm) {
        return "On/Off";
    }
    if (kind > ioKindAm2) {
        return "";
    }
    const uint16_t start = output.detailU16(2);
    for (uint8_t choice = 0; choice < 4; ++choice) {
        const OutputUnit& unit = kOutputUnits[choice];
        const uint16_t reg = kind == ioKindAm1 ? unit.am1Register : unit.am2Register;
        // Output 2 writes the register after its choice's.
        if (start == reg || start == reg + 1) {
            return ioOutputUnitsText(kind, choice);
        }
    }
    return "";
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
