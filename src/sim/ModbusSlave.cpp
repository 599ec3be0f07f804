#include "sim/ModbusSlave.h"

#include "device/Crc16.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <set>

namespace quillan::sim {

namespace {

constexpr uint8_t kReadHolding = 3;
constexpr uint8_t kWriteSingle = 6;
constexpr uint16_t kMaxReadRegisters = 125;

uint16_t getBe16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

void putBe16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void putBe32(std::vector<uint8_t>& out, uint32_t v)
{
    putBe16(out, static_cast<uint16_t>(v >> 16));
    putBe16(out, static_cast<uint16_t>(v));
}

// A value as the 16-bit register shows it: rounded, a negative value in two's complement,
// saturated at the ends of the 16-bit ranges.
uint16_t toRegister16(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    const double r = std::round(std::clamp(value, -32768.0, 65535.0));
    return static_cast<uint16_t>(static_cast<int32_t>(r));
}

// Calls visit with each record of a table, reading a further page only after a full one, as
// the device's own readers do.
template <typename Record, typename Visit>
void forEachRecord(const ConfigImage& image, BlockType table, Visit visit)
{
    for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
        const unsigned count =
            std::min<unsigned>(image.pageCount(table, page), ConfigImage::kRecordsPerPage);
        for (unsigned slot = 0; slot < count; ++slot) {
            const auto place =
                ConfigImage::recordAt(table, int64_t{page} * ConfigImage::kRecordsPerPage + slot);
            visit(image.read<Record>(*place));
        }
        if (count < ConfigImage::kRecordsPerPage) {
            break;
        }
    }
}

uint32_t secondsSince(DataStoreValues::Clock::time_point since,
                      DataStoreValues::Clock::time_point now)
{
    if (now <= since) {
        return 0;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - since).count();
    return static_cast<uint32_t>(std::min<int64_t>(seconds, UINT32_MAX));
}

} // namespace

double DataStoreValues::driftValue(uint16_t point, uint32_t elapsedSeconds)
{
    return static_cast<double>((point + elapsedSeconds / kDriftStepSeconds) % kDriftRange);
}

double DataStoreValues::value(uint16_t point, Clock::time_point now) const
{
    const auto it = m_values.find(point);
    return it != m_values.end() ? it->second : driftValue(point, secondsSince(m_start, now));
}

void DataStoreValues::set(uint16_t point, double value, Clock::time_point now)
{
    m_values[point] = value;
    m_setAt[point] = now;
}

uint32_t DataStoreValues::ageSeconds(uint16_t point, Clock::time_point now) const
{
    const auto it = m_setAt.find(point);
    return secondsSince(it == m_setAt.end() ? m_start : it->second, now);
}

void appendModbusCrc(std::vector<uint8_t>& frame)
{
    const uint16_t crc = device::crc16Update(0xFFFF, frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

ModbusSlave::ModbusSlave(const ConfigImage& image, std::optional<uint8_t> slaveId)
{
    const unsigned id = slaveId ? *slaveId : image.port(0).slaveId;
    m_slaveId = id >= 1 && id <= 247 ? static_cast<uint16_t>(id) : 0;

    // The data store points and which of them an import fills.
    std::vector<DataStoreRecord> points;
    std::set<uint16_t> imported;
    forEachRecord<DataStoreRecord>(image, BlockType::dataStore,
                                   [&](const DataStoreRecord& r) { points.push_back(r); });
    forEachRecord<ImportRecord>(image, BlockType::imports,
                                [&](const ImportRecord& r) { imported.insert(r.index); });
    forEachRecord<MapRecord>(image, BlockType::modbusMap, [&](const MapRecord& record) {
        if (record.index >= points.size() || m_registers.count(record.startRegister) != 0) {
            return; // no such point, or the register is already taken: the first one counts
        }
        Register reg;
        reg.point = record.index;
        reg.attribute = record.attribute;
        reg.pointFormat = static_cast<PointFormat>(points[record.index].formatWord & 0xFF);
        reg.writable = record.attribute == MapAttribute::value && imported.count(record.index) == 0;
        m_registers.emplace(record.startRegister, reg);
    });
}

std::vector<uint8_t> ModbusSlave::exception(uint8_t function, Exception code) const
{
    std::vector<uint8_t> out{static_cast<uint8_t>(m_slaveId), static_cast<uint8_t>(function | 0x80),
                             code};
    appendModbusCrc(out);
    return out;
}

std::vector<uint8_t> ModbusSlave::answer(const std::vector<uint8_t>& request,
                                         DataStoreValues& values,
                                         DataStoreValues::Clock::time_point now) const
{
    if (m_slaveId == 0 || request.size() < 4 || request[0] != m_slaveId) {
        return {};
    }
    switch (request[1]) {
    case kReadHolding:
        return readHolding(request, values, now);
    case kWriteSingle:
        return writeSingle(request, values, now);
    default:
        return exception(request[1], illegalFunction);
    }
}

std::vector<uint8_t> ModbusSlave::readHolding(const std::vector<uint8_t>& request,
                                              const DataStoreValues& values,
                                              DataStoreValues::Clock::time_point now) const
{
    if (request.size() != 8) {
        return exception(kReadHolding, illegalDataValue);
    }
    const uint16_t first = getBe16(&request[2]);
    const uint16_t count = getBe16(&request[4]);
    if (count == 0 || count > kMaxReadRegisters) {
        return exception(kReadHolding, illegalDataValue);
    }
    std::vector<uint8_t> out{static_cast<uint8_t>(m_slaveId), kReadHolding, 0};
    for (uint32_t r = first; r < uint32_t{first} + count; ++r) {
        const auto it =
            r <= 0xFFFF ? m_registers.find(static_cast<uint16_t>(r)) : m_registers.end();
        if (it == m_registers.end()) {
            return exception(kReadHolding, illegalDataAddress);
        }
        const Register& reg = it->second;
        const double v = reg.attribute == MapAttribute::timestamp
                             ? static_cast<double>(values.ageSeconds(reg.point, now))
                             : values.value(reg.point, now);
        if (r >= kFirstFloatRegister) {
            putBe32(out, std::bit_cast<uint32_t>(static_cast<float>(v)));
        } else {
            putBe16(out, toRegister16(v));
        }
    }
    // The byte count field holds at most 255; a read of floats can ask for more.
    if (out.size() - 3 > 255) {
        return exception(kReadHolding, illegalDataValue);
    }
    out[2] = static_cast<uint8_t>(out.size() - 3);
    appendModbusCrc(out);
    return out;
}

std::vector<uint8_t> ModbusSlave::writeSingle(const std::vector<uint8_t>& request,
                                              DataStoreValues& values,
                                              DataStoreValues::Clock::time_point now) const
{
    const uint16_t address = getBe16(&request[2]);
    const bool isFloat = address >= kFirstFloatRegister;
    if (request.size() != (isFloat ? 10u : 8u)) {
        return exception(kWriteSingle, illegalDataValue);
    }
    const auto it = m_registers.find(address);
    if (it == m_registers.end() || !it->second.writable) {
        return exception(kWriteSingle, illegalDataAddress);
    }
    double value = 0.0;
    if (isFloat) {
        const uint32_t bits = (uint32_t{getBe16(&request[4])} << 16) | getBe16(&request[6]);
        const float f = std::bit_cast<float>(bits);
        if (!std::isfinite(f)) {
            return exception(kWriteSingle, illegalDataValue);
        }
        value = f;
    } else {
        const uint16_t raw = getBe16(&request[4]);
        value = it->second.pointFormat == PointFormat::shortInt
                    ? static_cast<double>(static_cast<int16_t>(raw))
                    : static_cast<double>(raw);
    }
    values.set(it->second.point, value, now);
    // The reply echoes the request.
    return request;
}

} // namespace quillan::sim
