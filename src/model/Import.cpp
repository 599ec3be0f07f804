#include "model/Import.h"

#include "model/Archive.h"
#include "model/Bytes.h"
#include "model/Node.h"

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(Import, Serializable)
QUILLAN_IMPLEMENT_SERIAL(IOImport, Import)
QUILLAN_IMPLEMENT_SERIAL(RFImport, Import)
QUILLAN_IMPLEMENT_SERIAL(PolyImport, Import)
QUILLAN_IMPLEMENT_SERIAL(MBImport, Import)
QUILLAN_IMPLEMENT_SERIAL(LegacyImport, Import)
QUILLAN_IMPLEMENT_SERIAL(AnalogImport, LegacyImport)
QUILLAN_IMPLEMENT_SERIAL(DiscreteImport, LegacyImport)
QUILLAN_IMPLEMENT_SERIAL(SiemensDLSImport, LegacyImport)
QUILLAN_IMPLEMENT_SERIAL(VelLevelImport, LegacyImport)
QUILLAN_IMPLEMENT_SERIAL(VelRTDImport, LegacyImport)
QUILLAN_IMPLEMENT_SERIAL(VelFlowImport, LegacyImport)
QUILLAN_IMPLEMENT_SERIAL(PIOImport, Import)
QUILLAN_IMPLEMENT_SERIAL(RFNodeImport, Import)
QUILLAN_IMPLEMENT_SERIAL(RSSIImport, Import)
QUILLAN_IMPLEMENT_SERIAL(RFRefreshImport, Import)
QUILLAN_IMPLEMENT_SERIAL(MBCommand, Import)
QUILLAN_IMPLEMENT_SERIAL(ROCImport, Import)

namespace {

// Source chains come from files; a chain that loops back on itself must not hang the program.
constexpr int kMaxChain = 256;

} // namespace

Import::Import() = default;

Import::Import(int16_t format, Node* owner_, int16_t sizeWord_)
    : gain(1.0f), sizeWord(sizeWord_), formatWord(format), owner(owner_)
{
    pointId = owner_ != nullptr ? owner_->nextTagNumber() : 0xFFFFFFFF;
}

Import::~Import() = default;

bool Import::serializeBase(Archive& ar)
{
    if (ar.isLoading()) {
        schema = ar.getObjectSchema();
        if (schema != 1) {
            return false;
        }
    }
    ar.io(pointId);
    ar.io(dataStoreIndex);
    ar.io(sourceType);
    ar.io(interval);
    ar.io(zeroWord);
    ar.io(gain);
    ar.io(offset);
    ar.io(spareShort);
    ar.io(sizeWord);
    ar.io(formatWord);
    ar.io(pointName);
    ar.ioBool(inImportTable);
    ar.ioBool(spareBool);
    ar.io(imageIndex);
    ar.io(selectedImageIndex);
    ar.io(pointType);
    return true;
}

void Import::serialize(Archive& ar)
{
    serializeBase(ar);
}

std::unique_ptr<Import> Import::clone() const
{
    return std::unique_ptr<Import>(new Import(*this));
}

void Import::setScaling(uint16_t zero, float newGain, float newOffset)
{
    zeroWord = zero;
    gain = newGain;
    offset = newOffset;
}

const std::string* Import::getGatewayName() const
{
    return owner != nullptr ? owner->getGatewayName() : nullptr;
}

const std::string* Import::getModuleName() const
{
    return owner != nullptr ? owner->getModuleName() : nullptr;
}

const Import* Import::getSourceRoot() const
{
    const Import* point = this;
    for (int i = 0; i < kMaxChain; ++i) {
        const Import* next = point->getSource();
        if (next == nullptr) {
            return point;
        }
        point = next;
    }
    return point;
}

bool Import::sourceChainContains(const Import& target) const
{
    const Import* point = this;
    for (int i = 0; i < kMaxChain && point != nullptr; ++i) {
        if (point == &target) {
            return true;
        }
        point = point->getSource();
    }
    return false;
}

bool Import::sourceChainOwnedBy(const Node& node) const
{
    const Import* point = this;
    for (int i = 0; i < kMaxChain && point != nullptr; ++i) {
        if (point->owner == &node) {
            return true;
        }
        point = point->getSource();
    }
    return false;
}

void Import::fillImportRecord(uint8_t* record) const
{
    if (&getRuntimeClass() != &Import::classInfo) {
        fillBaseRecord(record);
    }
}

void Import::fillBaseRecord(uint8_t* r) const
{
    bytes::putU16(r + 0, static_cast<uint16_t>(dataStoreIndex));
    bytes::putU32(r + 4, interval);
    bytes::putU16(r + 2, static_cast<uint16_t>(sourceType));
    bytes::putU16(r + 8, zeroWord);
    bytes::putF32(r + 10, gain);
    bytes::putF32(r + 14, offset);
    std::copy(details.begin(), details.end(), r + 18);
}

// IOImport

void IOImport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioU32(ar, details, 0);
    }
}

std::unique_ptr<Import> IOImport::clone() const
{
    return std::unique_ptr<Import>(new IOImport(*this));
}

uint32_t IOImport::localChannel() const
{
    return detail_bytes::u32(details, 0);
}

void IOImport::setLocalChannel(uint32_t channel)
{
    detail_bytes::setU32(details, 0, channel);
}

// RFImport

uint32_t RFImport::liveSourceNodeId() const
{
    if (source == nullptr) {
        return sourceNodeId;
    }
    const Node* gateway = owningGateway(*source);
    return gateway != nullptr ? gateway->getId() : sourceNodeId;
}

uint32_t RFImport::liveSourcePointId() const
{
    return source != nullptr ? source->pointId : sourcePointId;
}

void RFImport::serialize(Archive& ar)
{
    if (!serializeBase(ar)) {
        return;
    }
    if (ar.isStoring()) {
        ar.writeU32(liveSourceNodeId());
        ar.writeU32(liveSourcePointId());
    } else {
        sourceNodeId = ar.readU32();
        sourcePointId = ar.readU32();
    }
    detail_bytes::ioU16(ar, details, 0);
    detail_bytes::ioU16(ar, details, 2);
}

std::unique_ptr<Import> RFImport::clone() const
{
    return std::unique_ptr<Import>(new RFImport(*this));
}

const std::string* RFImport::getGatewayName() const
{
    return source != nullptr && source->owner != nullptr ? source->owner->getGatewayName()
                                                         : nullptr;
}

const std::string* RFImport::getModuleName() const
{
    return source != nullptr && source->owner != nullptr ? source->owner->getModuleName()
                                                         : nullptr;
}

const std::string* RFImport::getPointName() const
{
    if (source == nullptr || source == this) {
        return nullptr;
    }
    // Follow the chain iteratively: a looping chain from a damaged file must end.
    const Import* root = getSourceRoot();
    return root->isSharedImport() ? nullptr : root->getPointName();
}

// PolyImport

void PolyImport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioU16(ar, details, 0);
        detail_bytes::ioU16(ar, details, 2);
    }
}

std::unique_ptr<Import> PolyImport::clone() const
{
    return std::unique_ptr<Import>(new PolyImport(*this));
}

// MBImport

void MBImport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioModbus(ar, details);
    }
}

std::unique_ptr<Import> MBImport::clone() const
{
    return std::unique_ptr<Import>(new MBImport(*this));
}

bool MBImport::canScale() const
{
    return owner != nullptr && owner->isModbusModule();
}

// LegacyImport

void LegacyImport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioU16(ar, details, 0);
        detail_bytes::ioU8(ar, details, 2);
        detail_bytes::ioU8(ar, details, 3);
        detail_bytes::ioU8(ar, details, 4);
        detail_bytes::ioU8(ar, details, 5);
    }
}

std::unique_ptr<Import> LegacyImport::clone() const
{
    return std::unique_ptr<Import>(new LegacyImport(*this));
}

// PIOImport

void PIOImport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        ar.io(pioValue);
        detail_bytes::ioU8(ar, details, 0);
        detail_bytes::ioU8(ar, details, 1);
        detail_bytes::ioU16(ar, details, 2);
        detail_bytes::ioU16(ar, details, 4);
    }
}

std::unique_ptr<Import> PIOImport::clone() const
{
    return std::unique_ptr<Import>(new PIOImport(*this));
}

// Radio status imports

void RadioStatusImport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioU16(ar, details, 0);
        if (ar.isLoading()) {
            pointType = fixedPointType();
        }
    }
}

void RadioStatusImport::fillImportRecord(uint8_t* record) const
{
    fillBaseRecord(record);
    std::fill(record + 20, record + 24, uint8_t{0});
}

// MBCommand

void MBCommand::serialize(Archive& ar)
{
    serializeBase(ar);
}

void MBCommand::fillImportRecord(uint8_t* r) const
{
    bytes::putU16(r + 0, static_cast<uint16_t>(dataStoreIndex));
    bytes::putU16(r + 2, static_cast<uint16_t>(sourceType));
    bytes::putU32(r + 4, interval);
}

std::unique_ptr<Import> MBCommand::clone() const
{
    return std::unique_ptr<Import>(new MBCommand(*this));
}

// ROCImport

void ROCImport::serialize(Archive& ar)
{
    if (serializeBase(ar)) {
        detail_bytes::ioU16(ar, details, 0);
        ar.io(rocByte3);
        ar.io(rocByte1);
        ar.io(rocByte2);
        ar.io(rocByte0);
    }
}

void ROCImport::fillImportRecord(uint8_t* record) const
{
    fillBaseRecord(record);
    std::fill(record + 20, record + 24, uint8_t{0});
}

std::unique_ptr<Import> ROCImport::clone() const
{
    return std::unique_ptr<Import>(new ROCImport(*this));
}

// Makers

Node* owningGateway(const Import& point)
{
    Node* owner = point.owner;
    if (owner == nullptr || owner->isGateway()) {
        return owner;
    }
    return owner->getParent();
}

std::unique_ptr<RFImport> makeSharedImport(Import& s, Node& gateway)
{
    auto point = std::make_unique<RFImport>();
    // As the creating constructor: the point id comes from the receiving gateway.
    point->formatWord = s.formatWord;
    point->sizeWord = s.sizeWord;
    point->owner = &gateway;
    point->gain = 1.0f;
    point->pointId = gateway.nextTagNumber();
    point->imageIndex = point->selectedImageIndex = 3;
    point->source = &s;
    point->inImportTable = true;
    point->sourceType = sourceRfNode;
    point->interval = 0;
    point->spareShort = s.spareShort;
    if (const Node* g = owningGateway(s)) {
        point->setRadioAddress(g->getAddress());
        point->sourceNodeId = g->getId();
    }
    point->sourcePointId = s.pointId;
    point->setSourcePointIndex(static_cast<uint16_t>(s.dataStoreIndex));
    return point;
}

std::unique_ptr<MBImport> makeModbusInput(int16_t format, Node& module, int16_t sizeWord,
                                          uint8_t slaveId, uint16_t startRegister,
                                          uint8_t registerCount, uint8_t formatByte)
{
    auto point = std::make_unique<MBImport>(format, &module, sizeWord);
    point->imageIndex = point->selectedImageIndex = 4;
    point->inImportTable = true;
    point->interval = 1;
    point->sourceType = sourceModbus;
    point->setModbusDetails(0, slaveId, startRegister, registerCount, formatByte);
    return point;
}

std::unique_ptr<MBCommand> makeWriteImport(const std::string& name, Node& gateway, bool isFloat)
{
    auto point = std::make_unique<MBCommand>(formatShort, &gateway, 2);
    point->imageIndex = point->selectedImageIndex = 4;
    point->inImportTable = true;
    point->sourceType = sourceModbusWrite;
    point->interval = 0;
    point->pointName = name;
    if (isFloat) {
        point->formatWord = formatFloat;
        point->sizeWord = 4;
    }
    return point;
}

} // namespace quillan
