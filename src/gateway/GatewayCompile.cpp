#include "gateway/ConfigImage.h"
#include "gateway/DataStoreWalk.h"
#include "gateway/ZAVGateway.h"
#include "model/Site.h"

#include <unordered_map>

namespace quillan {

namespace {

// Data store numbering of other gateways' points, taken once per gateway and compile: a
// gateway full of shared imports would otherwise walk its sources' tables once per import.
class PointIndexCache {
public:
    int indexOf(const Import& point)
    {
        const auto* gateway = dynamic_cast<const ZAVGateway*>(owningGateway(point));
        if (gateway == nullptr) {
            return point.owner != nullptr ? point.owner->getPointIndex(point) : -1;
        }
        const auto emplaced = m_indexes.try_emplace(gateway);
        auto& table = emplaced.first->second;
        if (emplaced.second) {
            int index = 0;
            walkDataStore(*gateway, [&](const DataStoreSlot& slot) {
                table.try_emplace(slot.point.pointId, index++);
            });
        }
        const auto found = table.find(point.pointId);
        return found != table.end() ? found->second : -1;
    }

private:
    std::unordered_map<const ZAVGateway*, std::unordered_map<uint32_t, int>> m_indexes;
};

} // namespace

bool olderLevelFirmware(const std::optional<std::string>& version)
{
    // The third character of the version text; a device that reported nothing has zeros there.
    if (!version) {
        return false;
    }
    const char third = version->size() > 2 ? (*version)[2] : '\0';
    return third < '2';
}

CompiledImage ZAVGateway::compileImage(const CompileOptions& options)
{
    CompiledImage compiled;
    ConfigImage& img = compiled.image;
    for (unsigned i = 0; i < 3; ++i) {
        if (const SerialPortDefinition* p = port(i)) {
            img.setPort(i, p->portRecord());
        }
    }
    RadioRecord radio;
    radio.address = m_address;
    radio.retries = m_retries;
    radio.groupMask = 0xFFFF;
    radio.channel = static_cast<uint8_t>(m_channel);
    if (m_site != nullptr && m_site->getBand() == band868) {
        radio.channel = static_cast<uint8_t>(radio.channel + 30);
    }
    radio.flags = static_cast<uint8_t>(m_radioFlags);
    img.setRadio(radio);

    // The map records carry the registers the Modbus list shows; number them now so a compile
    // never sends registers that changed since the list was last filled.
    numberMapRegisters();
    compileImports(img, options);
    compileExports(img);
    compileModbusMap(img);
    img.setPageCount(BlockType::device9, 0, 0);
    compiled.limit = exceededLimit();
    return compiled;
}

void ZAVGateway::compileImports(ConfigImage& img, const CompileOptions& options)
{
    dataStoreCounter = 0;
    importRecordCounter = 0;
    PointIndexCache indexes;
    const bool oldLevelFirmware = olderLevelFirmware(options.firmwareVersion);
    walkDataStore(*this, [&](const DataStoreSlot& slot) {
        const auto index = static_cast<int16_t>(dataStoreCounter);
        if (const auto place = img.appendRecord(BlockType::dataStore, dataStoreCounter)) {
            uint16_t format = static_cast<uint16_t>(slot.words.formatWord);
            if (slot.clearFormatBit7) {
                format = static_cast<uint16_t>(format & ~0x80);
            }
            img.write(*place, DataStoreRecord{static_cast<uint16_t>(slot.words.sizeWord), format});
        }
        slot.point.dataStoreIndex = index;
        if (slot.sharedImport) {
            if (auto* shared = dynamic_cast<RFImport*>(&slot.point); shared && shared->source) {
                shared->setSourcePointIndex(static_cast<uint16_t>(indexes.indexOf(*shared->source)));
            }
        }
        if (!slot.importRecord) {
            return;
        }
        const auto place = img.appendRecord(BlockType::imports, importRecordCounter);
        if (!place) {
            return;
        }
        auto bytes = img.bytesAt(*place);
        const bool levelQuirk = oldLevelFirmware && slot.plainModuleInput &&
                                slot.point.getRuntimeClass().isDerivedFrom(VelLevelImport::classInfo) &&
                                slot.point.pointType == 16;
        if (levelQuirk) {
            // Older firmware reads this level value as two registers in the record; the point
            // itself then keeps the full eight.
            slot.point.details[4] = 2;
            slot.point.fillImportRecord(bytes.data());
            slot.point.details[4] = 8;
        } else {
            slot.point.fillImportRecord(bytes.data());
        }
    });
}

void ZAVGateway::compileExports(ConfigImage& img)
{
    exportRecordCounter = 0;
    auto compile = [&](Export* entry) {
        if (entry == nullptr || entry->source == nullptr) {
            return;
        }
        if (const auto place = img.appendRecord(BlockType::exports, exportRecordCounter)) {
            entry->sourceIndex = entry->source->dataStoreIndex;
            entry->fillExportRecord(img.bytesAt(*place).data());
        }
    };
    for (auto& entry : m_exports) {
        compile(entry.get());
    }
    for (auto* list : {&m_childModules, &m_ioModules}) {
        for (auto& node : *list) {
            auto* moduleOutputs = node ? node->getModuleOutputs() : nullptr;
            for (size_t i = 0; moduleOutputs != nullptr && i < moduleOutputs->size(); ++i) {
                compile((*moduleOutputs)[i].get());
            }
        }
    }
}

void ZAVGateway::compileModbusMap(ConfigImage& img)
{
    mapRecordCounter = 0;
    for (auto* list : {&m_mapIntegerList, &m_mapFloatList}) {
        for (auto& entry : *list) {
            if (!entry || entry->point == nullptr) {
                continue;
            }
            entry->pointIndex = entry->point->dataStoreIndex;
            MapRecord record;
            record.index = static_cast<uint16_t>(entry->pointIndex);
            record.startRegister = entry->startRegister;
            record.registerCount = static_cast<uint16_t>(entry->registerCount);
            record.attribute = static_cast<MapAttribute>(entry->attribute);
            record.format = static_cast<PointFormat>(entry->formatCode);
            if (const auto place = img.appendRecord(BlockType::modbusMap, mapRecordCounter)) {
                img.write(*place, record);
            }
            if (entry->hasRefreshTime) {
                record.startRegister = static_cast<uint16_t>(entry->startRegister + 1);
                record.attribute = MapAttribute::timestamp;
                if (const auto place = img.appendRecord(BlockType::modbusMap, mapRecordCounter)) {
                    img.write(*place, record);
                }
            }
        }
    }
}

TableLimit ZAVGateway::exceededLimit() const
{
    if (dataStoreCounter > kTableLimit) {
        return TableLimit::points;
    }
    if (importRecordCounter > kTableLimit) {
        return TableLimit::imports;
    }
    if (exportRecordCounter > kTableLimit) {
        return TableLimit::exports;
    }
    if (mapRecordCounter > kTableLimit) {
        return TableLimit::modbusMap;
    }
    return TableLimit::none;
}

} // namespace quillan
