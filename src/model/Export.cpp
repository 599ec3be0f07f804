#include "model/Export.h"

#include "model/Archive.h"
#include "model/Bytes.h"
#include "model/Node.h"

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(Export, Serializable)
QUILLAN_IMPLEMENT_SERIAL(IOExport, Export)
QUILLAN_IMPLEMENT_SERIAL(RFExport, Export)
QUILLAN_IMPLEMENT_SERIAL(PolyExport, Export)
QUILLAN_IMPLEMENT_SERIAL(MBExport, Export)
QUILLAN_IMPLEMENT_SERIAL(LegacyExport, Export)

Export::~Export() = default;

uint32_t Export::liveSourcePointId() const
{
    return source != nullptr ? source->pointId : 0xFFFFFFFF;
}

bool Export::serializeBase(Archive& ar)
{
    if (ar.isLoading()) {
        schema = ar.getObjectSchema();
        if (schema != 1) {
            return false;
        }
        sourcePointId = ar.readU32();
    } else {
        ar.writeU32(liveSourcePointId());
    }
    ar.io(sourceIndex);
    ar.io(destinationType);
    ar.io(interval);
    ar.io(exportName);
    ar.io(useCount);
    return true;
}

void Export::serialize(Archive& ar)
{
    serializeBase(ar);
}

std::unique_ptr<Export> Export::clone() const
{
    return std::unique_ptr<Export>(new Export(*this));
}

void Export::setSource(Import* point)
{
    source = point;
    if (point != nullptr) {
        sourcePointId = point->pointId;
    }
}

const Import* Export::getSourceRoot() const
{
    return source != nullptr ? source->getSourceRoot() : nullptr;
}

bool Export::sourceChainContains(const Import& point) const
{
    return source != nullptr && source->sourceChainContains(point);
}

bool Export::sourceChainOwnedBy(const Node& node) const
{
    return source != nullptr && source->sourceChainOwnedBy(node);
}

const std::string* Export::getGatewayName() const
{
    return owner != nullptr ? owner->getGatewayName() : nullptr;
}

const std::string* Export::getModuleName() const
{
    return owner != nullptr ? owner->getModuleName() : nullptr;
}

void Export::fillExportRecord(uint8_t* record) const
{
    if (&getRuntimeClass() != &Export::classInfo) {
        fillBaseRecord(record);
    }
}

void Export::fillBaseRecord(uint8_t* r) const
{
    bytes::putU16(r + 0, static_cast<uint16_t>(sourceIndex));
    bytes::putU16(r + 2, static_cast<uint16_t>(destinationType));
    bytes::putU32(r + 4, interval);
    std::copy(details.begin(), details.end(), r + 8);
}

// IOExport

void IOExport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioU32(ar, details, 0);
    }
}

std::unique_ptr<Export> IOExport::clone() const
{
    return std::unique_ptr<Export>(new IOExport(*this));
}

void IOExport::setLocalOutput(uint32_t output)
{
    detail_bytes::setU32(details, 0, output);
}

// RFExport

uint32_t RFExport::liveDestinationNodeId() const
{
    return destinationNode != nullptr ? destinationNode->getId() : 0xFFFFFFFF;
}

void RFExport::serialize(Archive& ar)
{
    if (!serializeBase(ar)) {
        return;
    }
    if (ar.isStoring()) {
        ar.writeU32(liveDestinationNodeId());
    } else {
        destinationNodeId = ar.readU32();
    }
    detail_bytes::ioU16(ar, details, 0);
}

void RFExport::fillExportRecord(uint8_t* record) const
{
    fillBaseRecord(record);
    std::fill(record + 10, record + 14, uint8_t{0});
}

std::unique_ptr<Export> RFExport::clone() const
{
    return std::unique_ptr<Export>(new RFExport(*this));
}

const std::string* RFExport::getModuleName() const
{
    return source != nullptr ? source->getModuleName() : nullptr;
}

const std::string* RFExport::getPointName() const
{
    return source != nullptr ? source->getPointName() : nullptr;
}

const std::string* RFExport::getDestinationGatewayName() const
{
    return destinationNode != nullptr ? destinationNode->getGatewayName() : nullptr;
}

// PolyExport

void PolyExport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        ar.io(polyValue1);
        ar.io(polyValue2);
    }
}

void PolyExport::fillExportRecord(uint8_t* record) const
{
    // Written like a radio export; its radio address is not part of the file.
    fillBaseRecord(record);
    std::fill(record + 10, record + 14, uint8_t{0});
}

std::unique_ptr<Export> PolyExport::clone() const
{
    return std::unique_ptr<Export>(new PolyExport(*this));
}

// MBExport

void MBExport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioModbus(ar, details);
        ar.io(mbValue);
    }
}

std::unique_ptr<Export> MBExport::clone() const
{
    return std::unique_ptr<Export>(new MBExport(*this));
}

// LegacyExport

void LegacyExport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioU16(ar, details, 0);
        detail_bytes::ioU16(ar, details, 2);
    }
}

std::unique_ptr<Export> LegacyExport::clone() const
{
    return std::unique_ptr<Export>(new LegacyExport(*this));
}

// Makers

std::unique_ptr<RFExport> makeRadioExport(Import& s, Node& destination, Node& owner)
{
    auto entry = std::make_unique<RFExport>();
    entry->owner = &owner;
    entry->setSource(&s);
    entry->destinationType = destinationRfNode;
    entry->destinationNode = &destination;
    entry->destinationNodeId = destination.getId();
    entry->setRadioAddress(destination.getAddress());
    entry->interval = 0;
    entry->useCount = 1;
    entry->sourceIndex = -1;
    if (s.getSource() != nullptr) {
        if (const std::string* name = s.getSourceRoot()->getPointName()) {
            entry->exportName = *name;
        }
        entry->sourceIndex = s.dataStoreIndex;
    }
    return entry;
}

std::unique_ptr<MBExport> makeModbusOutput(Node& module, uint8_t slaveId, uint16_t startRegister,
                                           uint8_t registerCount, uint8_t format)
{
    auto entry = std::make_unique<MBExport>();
    entry->owner = &module;
    entry->sourcePointId = 0xFFFFFFFF;
    entry->sourceIndex = -1;
    entry->destinationType = destinationModbus;
    entry->interval = 0;
    entry->useCount = 1;
    entry->setModbusDetails(0, slaveId, startRegister, registerCount, format);
    entry->mbValue = 4;
    return entry;
}

} // namespace quillan
