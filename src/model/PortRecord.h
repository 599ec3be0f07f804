#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillan {

enum class PortProtocol : uint8_t {
    disabled = 0,
    debug = 1,
    modbusSlave = 2,
    modbusMaster = 3,
    levelmasterAscii = 4,
    roclinkMaster = 5,
};

enum class StopBits : uint8_t { one = 1, two = 2, onePointFive = 3 };
enum class Parity : uint8_t { none = 1, even = 2, odd = 3 };

// The 12-byte record of one serial port, as a gateway's configuration holds it and as the
// project keeps it for each port. Codes are kept as given, so an enum field may hold a value
// without an enumerator.
struct PortRecord {
    static constexpr size_t kSize = 12;
    static constexpr uint16_t kSplit32BitValues = 0x0001;
    static constexpr uint16_t kExtendedMode = 0x0008;
    static constexpr uint16_t kRs485Line = 0x0010;

    uint32_t baudRate = 0;
    uint8_t dataBits = 0;
    StopBits stopBits{};
    Parity parity{};
    PortProtocol protocol{};
    uint16_t slaveId = 0;
    uint16_t flags = 0;

    void encode(std::span<uint8_t, kSize> out) const;
    [[nodiscard]] static PortRecord decode(std::span<const uint8_t, kSize> in);
    bool operator==(const PortRecord&) const = default;
};

} // namespace quillan
