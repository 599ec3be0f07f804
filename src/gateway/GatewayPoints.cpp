#include "gateway/DataStoreWalk.h"
#include "gateway/ZAVGateway.h"
#include "model/ProjectContext.h"
#include "model/Text.h"

#include <algorithm>
#include <limits>

namespace quillan {

void walkDataStore(const ZAVGateway& g, const std::function<void(const DataStoreSlot&)>& visit)
{
    for (const auto& point : g.localImports()) {
        if (point) {
            visit({*point, *point, false, true, false, false});
        }
    }
    for (const auto& node : g.childModules()) {
        const auto* inputs = node ? node->moduleInputs() : nullptr;
        if (inputs == nullptr) {
            continue;
        }
        if (node->compilesModbusImports()) {
            // A block read of several registers fills every later input of the module, so
            // only the inputs up to and including the first such read get a record.
            bool first = true;
            for (const auto& point : *inputs) {
                if (!point || !point->inImportTable || point->gain == 0.0f) {
                    continue;
                }
                visit({*point, *point, true, first, false, false});
                if (first && point->details[4] > 1) {
                    first = false;
                }
            }
        } else {
            for (const auto& point : *inputs) {
                if (point && point->inImportTable) {
                    visit({*point, *point, false, true, false, true});
                }
            }
        }
    }
    for (const auto& node : g.ioModules()) {
        const auto* inputs = node ? node->moduleInputs() : nullptr;
        if (inputs == nullptr) {
            continue;
        }
        // The device puts a block read into the slots from its record's point on. A digital
        // module without its "Inputs" group reads from 3005 or 3009, the registers of its
        // first group in the imports table, so the record goes to that group's first point.
        bool first = true;
        for (const auto& point : *inputs) {
            if (!point) {
                continue;
            }
            const bool record = first && point->inImportTable;
            visit({*point, *point, true, record, false, false});
            if (record && point->details[4] > 1) {
                first = false;
            }
        }
    }
    for (const auto& point : g.sharedImports()) {
        if (point) {
            const Import* source = point->getSource();
            visit({*point, source != nullptr ? *source : *point, true, true, true, false});
        }
    }
    for (const auto& point : g.writeImports()) {
        if (point) {
            visit({*point, *point, false, false, false, false});
        }
    }
}

void ZAVGateway::forEachPoint(const std::function<void(Import&)>& visit) const
{
    for (const auto& point : m_localImports) {
        if (point) {
            visit(*point);
        }
    }
    for (const auto* list : {&m_childModules, &m_ioModules}) {
        for (const auto& node : *list) {
            const auto* inputs = node ? node->moduleInputs() : nullptr;
            for (size_t i = 0; inputs != nullptr && i < inputs->size(); ++i) {
                if ((*inputs)[i]) {
                    visit(*(*inputs)[i]);
                }
            }
        }
    }
    for (const auto* list : {&m_sharedImports, &m_writeImports}) {
        for (const auto& point : *list) {
            if (point) {
                visit(*point);
            }
        }
    }
}

Import* ZAVGateway::findPointById(uint32_t id) const
{
    if (id == 0xFFFFFFFF) {
        return nullptr;
    }
    if (m_linkIndex) {
        const auto it = m_linkIndex->find(id);
        return it != m_linkIndex->end() ? it->second : nullptr;
    }
    Import* found = nullptr;
    forEachPoint([&](Import& point) {
        if (found == nullptr && point.pointId == id) {
            found = &point;
        }
    });
    return found;
}

void ZAVGateway::beginLinking()
{
    m_linkIndex = std::make_unique<std::unordered_map<uint32_t, Import*>>();
    // The first point with an id wins, as in a search.
    forEachPoint([&](Import& point) { m_linkIndex->try_emplace(point.pointId, &point); });
}

int ZAVGateway::getPointIndex(const Import& point) const
{
    // The numbering of the data store itself, so that another gateway reading this point asks
    // for the slot the point really has.
    int index = 0;
    int found = -1;
    walkDataStore(*this, [&](const DataStoreSlot& slot) {
        if (found < 0 && slot.point.pointId == point.pointId) {
            found = index;
        }
        ++index;
    });
    return found;
}

void ZAVGateway::recompileTables()
{
    dataStoreCounter = 0;
    importRecordCounter = 0;
    walkDataStore(*this, [&](const DataStoreSlot& slot) {
        slot.point.dataStoreIndex = static_cast<int16_t>(dataStoreCounter++);
        if (slot.importRecord) {
            ++importRecordCounter;
        }
    });
}

std::string pointBaseLabel(const Import& point)
{
    if (point.getRuntimeClass().isDerivedFrom(MBCommand::classInfo) && point.owner != nullptr) {
        if (const auto* gateway = dynamic_cast<const ZAVGateway*>(point.owner)) {
            const std::string label = gateway->formatMapSourceLabel(point);
            if (!label.empty()) {
                return label;
            }
        }
    }
    if (const std::string* module = point.getModuleName()) {
        return *module;
    }
    return "Base";
}

std::string ZAVGateway::formatPointLabel(const Import& p) const
{
    std::string label = "Base";
    const Import* source = p.getSource();
    if (p.isSharedImport() && source != nullptr &&
        source->getRuntimeClass().isDerivedFrom(MBCommand::classInfo)) {
        if (const auto* owner = dynamic_cast<const ZAVGateway*>(source->owner)) {
            label = owner->formatMapSourceLabel(*source);
        }
    }
    if (p.owner != nullptr) {
        if (const std::string* module = p.owner->getModuleName()) {
            label = *module;
        }
    }
    if (p.isSharedImport() && source != nullptr && source->isSharedImport()) {
        const Import& root = *p.getSourceRoot();
        return strprintf("%s:%s:%s", nameOf(root.getGatewayName()), pointBaseLabel(root).c_str(),
                         nameOf(root.getPointName()));
    }
    return strprintf("%s:%s", label.c_str(), nameOf(p.getPointName()));
}

std::string ZAVGateway::formatMapSourceLabel(const Import& point) const
{
    for (const auto* list : {&m_mapIntegerList, &m_mapFloatList}) {
        for (const auto& entry : *list) {
            if (entry && entry->point == &point) {
                return "MB" + entry->getRegisterText();
            }
        }
    }
    return {};
}

size_t ZAVGateway::addSharedImport(std::unique_ptr<Import> point)
{
    point->owner = this;
    m_sharedImports.push_back(std::move(point));
    return m_sharedImports.size() - 1;
}

bool ZAVGateway::removeImport(const Import& point)
{
    const auto before = m_sharedImports.size();
    const uint32_t id = point.pointId;
    std::erase_if(m_sharedImports, [&](const auto& p) { return p && p->pointId == id; });
    return m_sharedImports.size() != before;
}

size_t ZAVGateway::addExport(std::unique_ptr<Export> entry)
{
    entry->owner = this;
    m_exports.push_back(std::move(entry));
    return m_exports.size() - 1;
}

bool ZAVGateway::hasExportForPoint(const Import& point) const
{
    return std::any_of(m_exports.begin(), m_exports.end(),
                       [&](const auto& e) { return e && e->source == &point; });
}

bool ZAVGateway::incrementExportUse(const Import& point, const Node& destination)
{
    for (auto& entry : m_exports) {
        auto* rf = dynamic_cast<RFExport*>(entry.get());
        if (rf != nullptr && rf->source == &point && rf->destinationNode == &destination) {
            if (rf->useCount < std::numeric_limits<int32_t>::max()) {
                ++rf->useCount;
            }
            return true;
        }
    }
    return false;
}

void ZAVGateway::unlinkImport(const Import& point)
{
    const auto* shared = dynamic_cast<const RFImport*>(&point);
    for (auto it = m_exports.begin(); it != m_exports.end();) {
        Export* entry = it->get();
        bool takeOut = false;
        if (entry != nullptr) {
            if (shared != nullptr) {
                auto* rf = dynamic_cast<RFExport*>(entry);
                if (rf != nullptr && rf->source == shared->source &&
                    rf->destinationNode == shared->owner) {
                    if (rf->useCount > std::numeric_limits<int32_t>::min()) {
                        --rf->useCount;
                    }
                    takeOut = rf->useCount <= 0;
                } else if (entry->sourceChainContains(point)) {
                    takeOut = true;
                }
            } else {
                takeOut = entry->sourceChainContains(point);
            }
        }
        if (takeOut) {
            m_removedExports.push_back(std::move(*it));
            it = m_exports.erase(it);
        } else {
            ++it;
        }
    }
}

bool ZAVGateway::hasImportFromAddress(const Node& node) const
{
    return std::any_of(m_sharedImports.begin(), m_sharedImports.end(), [&](const auto& p) {
        return p && p->detailU16(0) == node.getAddress();
    });
}

size_t ZAVGateway::addWriteImport(std::unique_ptr<Import> point)
{
    point->owner = this;
    m_writeImports.push_back(std::move(point));
    return m_writeImports.size() - 1;
}

void ZAVGateway::resolveImportSources()
{
    ProjectContext* c = context();
    for (auto& point : m_sharedImports) {
        auto* rf = dynamic_cast<RFImport*>(point.get());
        if (rf == nullptr || c == nullptr) {
            continue;
        }
        rf->source = nullptr;
        if (const auto* node = dynamic_cast<const ZAVGateway*>(c->findNodeById(rf->sourceNodeId))) {
            Import* source = node->findPointById(rf->sourcePointId);
            // A point cannot be its own source.
            rf->source = source != rf ? source : nullptr;
        }
    }
    for (auto* list : {&m_childModules, &m_ioModules}) {
        for (auto& node : *list) {
            if (node) {
                node->resolveImportSources();
            }
        }
    }
}

void ZAVGateway::resolveMapSources()
{
    for (auto* list : {&m_mapIntegerList, &m_mapFloatList}) {
        for (auto& entry : *list) {
            if (entry) {
                entry->point = findPointById(entry->pointId);
            }
        }
    }
}

void ZAVGateway::resolveSharedPoints()
{
    ProjectContext* c = context();
    for (auto& entry : m_exports) {
        if (!entry) {
            continue;
        }
        if (auto* rf = dynamic_cast<RFExport*>(entry.get()); rf != nullptr && c != nullptr) {
            rf->destinationNode = c->findNodeById(rf->destinationNodeId);
        }
        entry->source = findPointById(entry->sourcePointId);
    }
    auto resolveOutputs = [&](std::vector<std::unique_ptr<Export>>& list, bool modbusOnly) {
        for (auto& entry : list) {
            if (!entry) {
                continue;
            }
            const bool kind = dynamic_cast<MBExport*>(entry.get()) != nullptr ||
                              (!modbusOnly && (dynamic_cast<LegacyExport*>(entry.get()) != nullptr ||
                                               dynamic_cast<PolyExport*>(entry.get()) != nullptr));
            if (kind) {
                entry->source = findPointById(entry->sourcePointId);
            }
        }
    };
    for (auto& node : m_childModules) {
        if (node && node->getModuleOutputs()) {
            resolveOutputs(*node->getModuleOutputs(), false);
        }
    }
    for (auto& node : m_ioModules) {
        if (node && node->getModuleOutputs()) {
            resolveOutputs(*node->getModuleOutputs(), true);
        }
    }
    for (auto& entry : m_outputs) {
        if (entry) {
            entry->source = findPointById(entry->sourcePointId);
        }
    }
}

namespace {

template <class T, class Pred>
void moveMatching(std::vector<std::unique_ptr<T>>& from, std::vector<std::unique_ptr<T>>& to,
                  Pred pred)
{
    for (auto it = from.begin(); it != from.end();) {
        if (*it && pred(**it)) {
            to.push_back(std::move(*it));
            it = from.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

void ZAVGateway::unlinkPoint(const Import& point)
{
    moveMatching(m_sharedImports, m_removedImports,
                 [&](const Import& p) { return p.sourceChainContains(point); });
    unlinkImport(point);
    for (auto* list : {&m_childModules, &m_ioModules}) {
        for (auto& node : *list) {
            if (node) {
                node->unlinkPoint(point);
            }
        }
    }
    for (auto& entry : m_outputs) {
        if (entry && entry->sourceChainContains(point)) {
            entry->source = nullptr;
        }
    }
    for (auto* list : {&m_mapIntegerList, &m_mapFloatList}) {
        moveMatching(*list, m_removedMapEntries, [&](const ModbusMap& m) {
            return m.point != nullptr && m.point->sourceChainContains(point);
        });
    }
}

void ZAVGateway::unlinkNode(const Node& node)
{
    moveMatching(m_sharedImports, m_removedImports,
                 [&](const Import& p) { return p.sourceChainOwnedBy(node); });
    moveMatching(m_exports, m_removedExports, [&](const Export& e) {
        const auto* rf = dynamic_cast<const RFExport*>(&e);
        return (rf != nullptr && rf->destinationNode == &node) || e.sourceChainOwnedBy(node);
    });
    for (auto& entry : m_outputs) {
        if (entry && entry->sourceChainOwnedBy(node)) {
            entry->source = nullptr;
        }
    }
    std::erase_if(m_childModules, [&](const auto& n) { return n.get() == &node; });
    for (auto* list : {&m_childModules, &m_ioModules}) {
        for (auto& child : *list) {
            if (child && child.get() != &node) {
                child->unlinkNode(node);
            }
        }
    }
    for (auto* list : {&m_mapIntegerList, &m_mapFloatList}) {
        moveMatching(*list, m_removedMapEntries, [&](const ModbusMap& m) {
            return m.point != nullptr && m.point->sourceChainOwnedBy(node);
        });
    }
}

void ZAVGateway::clearCompiled()
{
    m_removedImports.clear();
    m_removedExports.clear();
    m_removedMapEntries.clear();
}

void ZAVGateway::addMapEntry(std::unique_ptr<ModbusMap> entry, bool isFloat)
{
    if (isFloat) {
        m_mapFloatList.push_back(std::move(entry));
    } else {
        entry->formatCode = 0;
        m_mapIntegerList.push_back(std::move(entry));
    }
}

namespace {

using MapList = std::vector<std::unique_ptr<ModbusMap>>;

MapList::iterator findEntry(MapList& list, const ModbusMap& entry)
{
    return std::find_if(list.begin(), list.end(), [&](const auto& m) { return m.get() == &entry; });
}

} // namespace

ZAVGateway::RemovedMapEntry ZAVGateway::removeMapEntry(const ModbusMap& entry)
{
    MapList& list = entry.formatCode == 2 ? m_mapFloatList : m_mapIntegerList;
    const auto it = findEntry(list, entry);
    if (it == list.end()) {
        return {};
    }
    RemovedMapEntry removed;
    removed.entry = std::move(*it);
    list.erase(it);
    const Import* point = removed.entry->point;
    if (point != nullptr && point->getRuntimeClass().isDerivedFrom(MBCommand::classInfo)) {
        const auto w = std::find_if(m_writeImports.begin(), m_writeImports.end(), [&](const auto& p) {
            return p && p->pointId == point->pointId;
        });
        if (w != m_writeImports.end()) {
            removed.writeImport = std::move(*w);
            m_writeImports.erase(w);
        }
    }
    return removed;
}

bool ZAVGateway::canMoveMapEntryUp(const ModbusMap& entry) const
{
    const MapList& list = entry.formatCode == 2 ? m_mapFloatList : m_mapIntegerList;
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const auto& m) { return m.get() == &entry; });
    return it != list.end() && it != list.begin();
}

bool ZAVGateway::canMoveMapEntryDown(const ModbusMap& entry) const
{
    const MapList& list = entry.formatCode == 2 ? m_mapFloatList : m_mapIntegerList;
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const auto& m) { return m.get() == &entry; });
    return it != list.end() && it + 1 != list.end();
}

void ZAVGateway::moveMapEntryUp(const ModbusMap& entry)
{
    MapList& list = entry.formatCode == 2 ? m_mapFloatList : m_mapIntegerList;
    const auto it = findEntry(list, entry);
    if (it != list.end() && it != list.begin()) {
        std::iter_swap(it, it - 1);
    }
}

void ZAVGateway::moveMapEntryDown(const ModbusMap& entry)
{
    MapList& list = entry.formatCode == 2 ? m_mapFloatList : m_mapIntegerList;
    const auto it = findEntry(list, entry);
    if (it != list.end() && it + 1 != list.end()) {
        std::iter_swap(it, it + 1);
    }
}

} // namespace quillan

namespace quillan {

void ZAVGateway::editStartingRegister(long value)
{
    startingRegister = static_cast<uint16_t>(value < 0 ? 0 : (value > 3001 ? 3001 : value));
    markModified();
}

bool ZAVGateway::editWriteImport(const ModbusMap& entry, const std::string& name)
{
    Import* point = entry.point;
    if (point == nullptr || name.empty() ||
        !point->getRuntimeClass().isDerivedFrom(MBCommand::classInfo)) {
        return false;
    }
    point->pointName = name;
    markModified();
    return true;
}

} // namespace quillan
