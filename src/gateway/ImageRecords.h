#pragma once

#include "model/Bytes.h"
#include "model/PortRecord.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quillan {

// Little-endian fields of the image.
namespace le = bytes;

// Source types of imports; exports use codes 0 to 3 as destination types.
enum class SourceType : uint16_t {
    localIo = 0,
    rfNode = 1,
    modbus = 2,
    legacyMonitor = 3,
    pioModule = 4,
    rfNodeTimeout = 5,
    rssiValue = 6,
    rfRefresh = 7,
    modbusWrite = 8,
    rocLink = 9,
};

enum class PointFormat : uint8_t { shortInt = 0, longInt = 1, floatValue = 2 };
enum class MapAttribute : uint8_t { value = 0, timestamp = 1 };

// The records below are the image's little-endian layouts. Codes are kept as the device
// sent them, so an enum field may hold a value that has no enumerator.

struct RadioRecord {
    static constexpr size_t kSize = 8;
    static constexpr uint8_t kPowerMask = 0x07;
    static constexpr uint8_t kAesFlag = 0x40;
    static constexpr uint8_t kLowBitRateFlag = 0x80; // 900 MHz band: 9600 instead of 115200

    uint16_t address = 0; // group << 6 | node
    uint16_t retries = 0;
    uint16_t groupMask = 0;
    uint8_t channel = 0;
    uint8_t flags = 0;

    [[nodiscard]] unsigned group() const { return address >> 6; }
    [[nodiscard]] unsigned node() const { return address & 0x3Fu; }
    [[nodiscard]] unsigned powerIndex() const { return flags & kPowerMask; }

    void encode(std::span<uint8_t, kSize> out) const;
    [[nodiscard]] static RadioRecord decode(std::span<const uint8_t, kSize> in);
    bool operator==(const RadioRecord&) const = default;
};

struct DataStoreRecord {
    static constexpr size_t kSize = 4;

    uint16_t attributeWord = 0; // copied from the point
    uint16_t formatWord = 0;    // a PointFormat code

    void encode(std::span<uint8_t, kSize> out) const;
    [[nodiscard]] static DataStoreRecord decode(std::span<const uint8_t, kSize> in);
    bool operator==(const DataStoreRecord&) const = default;
};

// The six bytes that describe an import's source or an export's destination.
using DetailBytes = std::array<uint8_t, 6>;

// Local I/O: an import's local channel (AIN0-3 = 0-3, DIN0-1 = 4-5) or an export's local
// output (DOUT0-1 = 0-1).
struct LocalIoDetails {
    uint32_t channel = 0;
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static LocalIoDetails decode(const DetailBytes& in);
    bool operator==(const LocalIoDetails&) const = default;
};

struct RfNodeDetails {
    uint16_t address = 0;
    uint16_t pointIndex = 0;
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static RfNodeDetails decode(const DetailBytes& in);
    bool operator==(const RfNodeDetails&) const = default;
};

// Modbus imports and exports.
struct ModbusDetails {
    uint8_t port = 0;
    uint8_t slaveId = 0;
    uint16_t startRegister = 0;
    uint8_t registerCount = 0;
    uint8_t format = 0;
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static ModbusDetails decode(const DetailBytes& in);
    bool operator==(const ModbusDetails&) const = default;
};

struct LegacyImportDetails {
    uint16_t address = 0;
    uint8_t command = 0;
    uint8_t offset = 0;
    uint8_t format = 0;
    uint8_t extra = 0;
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static LegacyImportDetails decode(const DetailBytes& in);
    bool operator==(const LegacyImportDetails&) const = default;
};

struct PioDetails {
    uint8_t port = 0;
    uint8_t slaveId = 0;
    uint16_t inputMask = 0;
    uint16_t countMask = 0;
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static PioDetails decode(const DetailBytes& in);
    bool operator==(const PioDetails&) const = default;
};

// A radio address and four zero bytes: RF node timeout, RSSI value and RF refresh imports,
// RF node exports.
struct NodeAddressDetails {
    uint16_t address = 0;
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static NodeAddressDetails decode(const DetailBytes& in);
    bool operator==(const NodeAddressDetails&) const = default;
};

struct RocLinkDetails {
    uint16_t word = 0; // copied from the import
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static RocLinkDetails decode(const DetailBytes& in);
    bool operator==(const RocLinkDetails&) const = default;
};

struct LegacyExportDetails {
    uint16_t address = 0;
    uint16_t output = 0; // CPDOUT0-1 = 0-1
    [[nodiscard]] DetailBytes encode() const;
    [[nodiscard]] static LegacyExportDetails decode(const DetailBytes& in);
    bool operator==(const LegacyExportDetails&) const = default;
};

struct ImportRecord {
    static constexpr size_t kSize = 24;
    static constexpr uint16_t kSubtractZero = 0x8000;
    static constexpr uint16_t kZeroCountMask = 0x7FFF;

    uint16_t index = 0; // data store point that receives the value
    SourceType sourceType{};
    uint32_t interval = 0; // seconds; 0 = on change
    uint16_t zero = 0;
    float gain = 0.0f;
    float offset = 0.0f;
    DetailBytes details{};

    void encode(std::span<uint8_t, kSize> out) const;
    [[nodiscard]] static ImportRecord decode(std::span<const uint8_t, kSize> in);
    bool operator==(const ImportRecord&) const = default;
};

struct ExportRecord {
    static constexpr size_t kSize = 14;

    uint16_t index = 0; // data store point that is sent
    SourceType destinationType{};
    uint32_t interval = 0;
    DetailBytes details{};

    void encode(std::span<uint8_t, kSize> out) const;
    [[nodiscard]] static ExportRecord decode(std::span<const uint8_t, kSize> in);
    bool operator==(const ExportRecord&) const = default;
};

struct MapRecord {
    static constexpr size_t kSize = 8;

    uint16_t index = 0; // data store point shown in the registers
    uint16_t startRegister = 0;
    uint16_t registerCount = 0;
    MapAttribute attribute{};
    PointFormat format{};

    void encode(std::span<uint8_t, kSize> out) const;
    [[nodiscard]] static MapRecord decode(std::span<const uint8_t, kSize> in);
    bool operator==(const MapRecord&) const = default;
};

struct SecurityBlock {
    static constexpr size_t kSize = 6;

    uint32_t siteKey = 0; // 0 = site security off
    std::array<uint8_t, 2> reserved{};

    void encode(std::span<uint8_t, kSize> out) const;
    [[nodiscard]] static SecurityBlock decode(std::span<const uint8_t, kSize> in);
    bool operator==(const SecurityBlock&) const = default;
};

} // namespace quillan
