#include "gateway/ZAVGateway.h"
#include "model/ProjectContext.h"
#include "model/ZAVModule.h"

#include <algorithm>

namespace quillan {

namespace {

void takeInputFields(Import& to, const Import& from)
{
    to.dataStoreIndex = from.dataStoreIndex;
    to.sourceType = from.sourceType;
    to.interval = from.interval;
    to.zeroWord = from.zeroWord;
    to.gain = from.gain;
    to.offset = from.offset;
    to.details = from.details;
    to.pointName = from.pointName;
    to.inImportTable = from.inImportTable;
    // The data store record's words follow the value format the details now read.
    to.formatWord = from.details[5];
    to.sizeWord = static_cast<int16_t>(from.details[5] != 0 ? 4 : 2);
}

void takeOutputFields(Export& to, const Export& from)
{
    to.exportName = from.exportName;
    to.sourceIndex = from.sourceIndex;
    to.destinationType = from.destinationType;
    to.interval = from.interval;
    to.details = from.details;
}

// The references to the point go from every gateway of the document; a gateway outside one
// has only itself to clean.
void unlinkPointEverywhere(ZAVGateway& gateway, const Import& point)
{
    if (ProjectContext* c = gateway.context()) {
        c->unlinkPointEverywhere(point);
        return;
    }
    gateway.unlinkPoint(point);
    gateway.clearCompiled();
}

void updateModule(ZAVModule& module, const ZAVModule& copy, ZAVGateway& gateway)
{
    module.setModuleInterval(copy.getModuleInterval());
    module.setName(copy.getName());
    auto& inputs = *module.getModuleInputs();
    const auto& copyInputs = *copy.moduleInputs();
    for (size_t i = 0; i < inputs.size() && i < copyInputs.size(); ++i) {
        if (!inputs[i] || !copyInputs[i]) {
            continue;
        }
        takeInputFields(*inputs[i], *copyInputs[i]);
        if (!inputs[i]->inImportTable) {
            unlinkPointEverywhere(gateway, *inputs[i]);
        }
    }
    auto& outputs = *module.getModuleOutputs();
    const auto& copyOutputs = *copy.moduleOutputs();
    for (size_t i = 0; i < outputs.size() && i < copyOutputs.size(); ++i) {
        if (outputs[i] && copyOutputs[i]) {
            takeOutputFields(*outputs[i], *copyOutputs[i]);
        }
    }
}

} // namespace

void ZAVGateway::syncIoModules(const std::vector<std::unique_ptr<ZAVModule>>& copies)
{
    const auto findModule = [this](uint16_t id) -> ZAVModule* {
        for (auto& node : m_ioModules) {
            auto* module = dynamic_cast<ZAVModule*>(node.get());
            if (module != nullptr && module->getModuleId() == id) {
                return module;
            }
        }
        return nullptr;
    };

    for (const auto& copy : copies) {
        if (!copy) {
            continue;
        }
        ZAVModule* module = findModule(copy->getModuleId());
        if (module == nullptr) {
            std::unique_ptr<ZAVModule> added(static_cast<ZAVModule*>(copy->clone().release()));
            addIoModule(std::move(added));
        } else if (module->getIoKind() == copy->getIoKind()) {
            updateModule(*module, *copy, *this);
        }
    }

    const auto hasCopy = [&copies](uint16_t id) {
        return std::any_of(copies.begin(), copies.end(),
                           [id](const auto& copy) { return copy && copy->getModuleId() == id; });
    };
    for (auto it = m_ioModules.begin(); it != m_ioModules.end();) {
        const auto* module = dynamic_cast<const ZAVModule*>(it->get());
        if (module == nullptr || hasCopy(module->getModuleId())) {
            ++it;
            continue;
        }
        const std::unique_ptr<Node> doomed = std::move(*it);
        it = m_ioModules.erase(it);
        if (ProjectContext* c = context()) {
            c->unlinkNodeEverywhere(*doomed);
            // The import clipboard must not keep a point that is about to go.
            for (const auto& input : *doomed->getModuleInputs()) {
                if (input) {
                    c->forgetClipboardPoint(*input);
                }
            }
        } else {
            unlinkNode(*doomed);
        }
    }
}

} // namespace quillan
