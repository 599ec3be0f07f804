#include "gateway/ImageRecords.h"

#include <algorithm>

namespace quillan {

using namespace le;

void RadioRecord::encode(std::span<uint8_t, kSize> out) const
{
    putU16(&out[0], address);
    putU16(&out[2], retries);
    putU16(&out[4], groupMask);
    out[6] = channel;
    out[7] = flags;
}

RadioRecord RadioRecord::decode(std::span<const uint8_t, kSize> in)
{
    RadioRecord r;
    r.address = getU16(&in[0]);
    r.retries = getU16(&in[2]);
    r.groupMask = getU16(&in[4]);
    r.channel = in[6];
    r.flags = in[7];
    return r;
}

void DataStoreRecord::encode(std::span<uint8_t, kSize> out) const
{
    putU16(&out[0], attributeWord);
    putU16(&out[2], formatWord);
}

DataStoreRecord DataStoreRecord::decode(std::span<const uint8_t, kSize> in)
{
    return {getU16(&in[0]), getU16(&in[2])};
}

DetailBytes LocalIoDetails::encode() const
{
    DetailBytes out{};
    putU32(&out[0], channel);
    return out;
}

LocalIoDetails LocalIoDetails::decode(const DetailBytes& in)
{
    return {getU32(&in[0])};
}

DetailBytes RfNodeDetails::encode() const
{
    DetailBytes out{};
    putU16(&out[0], address);
    putU16(&out[2], pointIndex);
    return out;
}

RfNodeDetails RfNodeDetails::decode(const DetailBytes& in)
{
    return {getU16(&in[0]), getU16(&in[2])};
}

DetailBytes ModbusDetails::encode() const
{
    DetailBytes out{};
    out[0] = port;
    out[1] = slaveId;
    putU16(&out[2], startRegister);
    out[4] = registerCount;
    out[5] = format;
    return out;
}

ModbusDetails ModbusDetails::decode(const DetailBytes& in)
{
    return {in[0], in[1], getU16(&in[2]), in[4], in[5]};
}

DetailBytes LegacyImportDetails::encode() const
{
    DetailBytes out{};
    putU16(&out[0], address);
    out[2] = command;
    out[3] = offset;
    out[4] = format;
    out[5] = extra;
    return out;
}

LegacyImportDetails LegacyImportDetails::decode(const DetailBytes& in)
{
    return {getU16(&in[0]), in[2], in[3], in[4], in[5]};
}

DetailBytes PioDetails::encode() const
{
    DetailBytes out{};
    out[0] = port;
    out[1] = slaveId;
    putU16(&out[2], inputMask);
    putU16(&out[4], countMask);
    return out;
}

PioDetails PioDetails::decode(const DetailBytes& in)
{
    return {in[0], in[1], getU16(&in[2]), getU16(&in[4])};
}

DetailBytes NodeAddressDetails::encode() const
{
    DetailBytes out{};
    putU16(&out[0], address);
    return out;
}

NodeAddressDetails NodeAddressDetails::decode(const DetailBytes& in)
{
    return {getU16(&in[0])};
}

DetailBytes RocLinkDetails::encode() const
{
    DetailBytes out{};
    putU16(&out[0], word);
    return out;
}

RocLinkDetails RocLinkDetails::decode(const DetailBytes& in)
{
    return {getU16(&in[0])};
}

DetailBytes LegacyExportDetails::encode() const
{
    DetailBytes out{};
    putU16(&out[0], address);
    putU16(&out[2], output);
    return out;
}

LegacyExportDetails LegacyExportDetails::decode(const DetailBytes& in)
{
    return {getU16(&in[0]), getU16(&in[2])};
}

void ImportRecord::encode(std::span<uint8_t, kSize> out) const
{
    putU16(&out[0], index);
    putU16(&out[2], static_cast<uint16_t>(sourceType));
    putU32(&out[4], interval);
    putU16(&out[8], zero);
    putF32(&out[10], gain);
    putF32(&out[14], offset);
    std::copy(details.begin(), details.end(), &out[18]);
}

ImportRecord ImportRecord::decode(std::span<const uint8_t, kSize> in)
{
    ImportRecord r;
    r.index = getU16(&in[0]);
    r.sourceType = static_cast<SourceType>(getU16(&in[2]));
    r.interval = getU32(&in[4]);
    r.zero = getU16(&in[8]);
    r.gain = getF32(&in[10]);
    r.offset = getF32(&in[14]);
    std::copy_n(&in[18], r.details.size(), r.details.begin());
    return r;
}

void ExportRecord::encode(std::span<uint8_t, kSize> out) const
{
    putU16(&out[0], index);
    putU16(&out[2], static_cast<uint16_t>(destinationType));
    putU32(&out[4], interval);
    std::copy(details.begin(), details.end(), &out[8]);
}

ExportRecord ExportRecord::decode(std::span<const uint8_t, kSize> in)
{
    ExportRecord r;
    r.index = getU16(&in[0]);
    r.destinationType = static_cast<SourceType>(getU16(&in[2]));
    r.interval = getU32(&in[4]);
    std::copy_n(&in[8], r.details.size(), r.details.begin());
    return r;
}

void MapRecord::encode(std::span<uint8_t, kSize> out) const
{
    putU16(&out[0], index);
    putU16(&out[2], startRegister);
    putU16(&out[4], registerCount);
    out[6] = static_cast<uint8_t>(attribute);
    out[7] = static_cast<uint8_t>(format);
}

MapRecord MapRecord::decode(std::span<const uint8_t, kSize> in)
{
    MapRecord r;
    r.index = getU16(&in[0]);
    r.startRegister = getU16(&in[2]);
    r.registerCount = getU16(&in[4]);
    r.attribute = static_cast<MapAttribute>(in[6]);
    r.format = static_cast<PointFormat>(in[7]);
    return r;
}

void SecurityBlock::encode(std::span<uint8_t, kSize> out) const
{
    putU32(&out[0], siteKey);
    out[4] = reserved[0];
    out[5] = reserved[1];
}

SecurityBlock SecurityBlock::decode(std::span<const uint8_t, kSize> in)
{
    return {getU32(&in[0]), {in[4], in[5]}};
}

} // namespace quillan
