#include "gateway/ZAVGateway.h"
#include "model/Text.h"

namespace quillan {

namespace {

bool isWriteImport(const Import& point)
{
    return point.getRuntimeClass().isDerivedFrom(MBCommand::classInfo);
}

std::string scalingText(const Import& point)
{
    if (!point.canScale()) {
        return {};
    }
    const std::string offsetText =
        point.offset != 0.0f ? strprintf("Offset = %1.2f, ", static_cast<double>(point.offset))
                             : std::string();
    return strprintf("%sGain = %1.4f", offsetText.c_str(), static_cast<double>(point.gain));
}

// The source columns of an export or output: its chain's first point with that point's label.
std::string sourceLabel(const Import& root)
{
    return strprintf("%s:%s", pointBaseLabel(root).c_str(), nameOf(root.getPointName()));
}

} // namespace

std::string formatInterval(uint32_t seconds)
{
    if (seconds == 0) {
        return "On Change";
    }
    return strprintf("%02u:%02u:%02u", seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

LimitNotice limitNotice(LimitWarning list)
{
    switch (list) {
    case limitImports:
        return {"Import limit (1920) exceeded.",
                "The ZAV Gateway Module supports up to 1920 Imports."};
    case limitExports:
        return {"Export limit (1920) exceeded.",
                "The ZAV Gateway Module supports up to 1920 Exports."};
    case limitOutputs:
        return {"Output limit (1920) exceeded.",
                "The ZAV Gateway Module supports up to 1920 Outputs."};
    case limitModbusRegisters:
        return {"Modbus register limit (1920) exceeded.",
                "The ZAV Gateway Module supports up to 1920 Modbus registers."};
    }
    return {"", ""};
}

namespace {

GatewayList finished(ListRows rows, LimitWarning list)
{
    const bool over = rows.size() > static_cast<size_t>(kTableLimit);
    return {std::move(rows), list, over};
}

} // namespace

GatewayList ZAVGateway::fillImportList() const
{
    ListRows rows;
    auto add = [&](Import& point) {
        rows.push_back({{strprintf("%03d", static_cast<int>(rows.size()) + 1),
                         nameOf(point.getGatewayName()), formatPointLabel(point),
                         formatInterval(point.interval), scalingText(point)},
                        2,
                        &point,
                        false});
    };
    for (auto& point : m_localImports) {
        if (point) {
            add(*point);
        }
    }
    for (auto* list : {&m_childModules, &m_ioModules}) {
        for (auto& node : *list) {
            auto* inputs = node ? node->getModuleInputs() : nullptr;
            for (size_t i = 0; inputs != nullptr && i < inputs->size(); ++i) {
                if ((*inputs)[i] && (*inputs)[i]->inImportTable) {
                    add(*(*inputs)[i]);
                }
            }
        }
    }
    for (auto* list : {&m_sharedImports, &m_writeImports}) {
        for (auto& point : *list) {
            if (point) {
                add(*point);
            }
        }
    }
    return finished(std::move(rows), limitImports);
}

GatewayList ZAVGateway::fillExportList() const
{
    ListRows rows;
    for (size_t i = 0; i < m_exports.size(); ++i) {
        Export* entry = m_exports[i].get();
        const Import* root = entry != nullptr ? entry->getSourceRoot() : nullptr;
        if (root == nullptr) {
            continue; // its number stays unused, so later rows keep theirs
        }
        std::string label = pointBaseLabel(*root);
        const Import* direct = entry->getSource();
        const std::string point =
            direct->isSharedImport()
                ? strprintf("%s:%s:%s", nameOf(direct->getGatewayName()), label.c_str(),
                            nameOf(root->getPointName()))
                : strprintf("%s:%s", label.c_str(), nameOf(root->getPointName()));
        rows.push_back({{strprintf("%03d", static_cast<int>(i) + 1), point,
                         formatInterval(entry->interval),
                         nameOf(entry->getDestinationGatewayName())},
                        -1,
                        entry,
                        false});
    }
    return finished(std::move(rows), limitExports);
}

GatewayList ZAVGateway::fillOutputList() const
{
    ListRows rows;
    auto add = [&](Export& output, std::string name, bool showInterval) {
        std::vector<std::string> cells{strprintf("%03d", static_cast<int>(rows.size()) + 1),
                                       std::move(name),
                                       showInterval ? formatInterval(output.interval) : "", "",
                                       ""};
        if (const Import* root = output.getSourceRoot()) {
            cells[3] = nameOf(root->getGatewayName());
            cells[4] = sourceLabel(*root);
        }
        rows.push_back({std::move(cells), -1, &output, false});
    };
    for (auto& output : m_outputs) {
        if (output) {
            add(*output, strprintf("Base:%s", nameOf(output->getPointName())), true);
        }
    }
    for (auto* list : {&m_childModules, &m_ioModules}) {
        const bool showInterval = list == &m_childModules;
        for (auto& node : *list) {
            auto* moduleOutputs = node ? node->getModuleOutputs() : nullptr;
            for (size_t i = 0; moduleOutputs != nullptr && i < moduleOutputs->size(); ++i) {
                if (Export* output = (*moduleOutputs)[i].get()) {
                    add(*output,
                        strprintf("%s:%s", nameOf(output->getModuleName()),
                                  nameOf(output->getPointName())),
                        showInterval);
                }
            }
        }
    }
    return finished(std::move(rows), limitOutputs);
}

void ZAVGateway::numberMapRegisters()
{
    auto number = [](std::vector<std::unique_ptr<ModbusMap>>& list, int reg) {
        for (auto& entry : list) {
            if (!entry) {
                continue;
            }
            entry->setStartRegister(static_cast<uint16_t>(reg));
            reg += entry->hasRefreshTime ? 2 : 1;
        }
    };
    number(m_mapIntegerList, startingRegister);
    number(m_mapFloatList, kFloatTableStart);
}

std::string ZAVGateway::mapPointText(const Import* p, bool refresh) const
{
    if (p == nullptr) {
        return {};
    }
    const char* suffix = refresh ? ":Refresh" : "";
    if (isWriteImport(*p)) {
        return strprintf("%s%s", p->pointName.c_str(), suffix);
    }
    std::string label = p->getModuleName() != nullptr ? *p->getModuleName() : "Base";
    const Import* source = p->getSource();
    if (p->isSharedImport() && source != nullptr && source->isSharedImport()) {
        const Import& root = *p->getSourceRoot();
        if (const std::string* module = root.getModuleName()) {
            label = *module;
        }
        return strprintf("%s:%s:%s%s", nameOf(root.getGatewayName()), label.c_str(),
                         nameOf(root.getPointName()), suffix);
    }
    return strprintf("%s:%s%s", label.c_str(), nameOf(p->getPointName()), suffix);
}

GatewayList ZAVGateway::fillModbusMapList(const ModbusMap* select)
{
    ListRows rows;
    numberMapRegisters();
    int row = 1;
    auto fill = [&](std::vector<std::unique_ptr<ModbusMap>>& list, int first, const char* type) {
        for (auto& entry : list) {
            if (!entry) {
                continue;
            }
            const Import* p = entry->point;
            const std::string source = p != nullptr ? nameOf(p->getGatewayName()) : "";
            rows.push_back({{strprintf("%03d", row), entry->startRegister == first ? type : "",
                             entry->getRegisterText(), source, mapPointText(p, false),
                             entry->valueText, ""},
                            -1,
                            entry.get(),
                            entry.get() == select});
            ++row;
            if (entry->hasRefreshTime) {
                rows.push_back({{strprintf("%03d", row), "",
                                 strprintf("%4u", unsigned{static_cast<uint16_t>(entry->startRegister + 1)}), source,
                                 mapPointText(p, true), entry->refreshText, "Refresh"},
                                -1,
                                entry.get(),
                                false});
                ++row;
            }
        }
    };
    fill(m_mapIntegerList, startingRegister, "Integer (16-bit)");
    fill(m_mapFloatList, kFloatTableStart, "Floating Point (32-bit)");
    return finished(std::move(rows), limitModbusRegisters);
}

} // namespace quillan
