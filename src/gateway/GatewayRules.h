#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillan {

class SerialPortDefinition;
class ZAVGateway;

// Changes the gateway's property pages may make, with their rules; the GUI pages, the CLI and
// the tests share them. Each returns an empty text on success, else what was refused, and
// then changes nothing.

struct PortChange {
    std::optional<uint8_t> protocol;
    std::optional<uint32_t> baudRate;
    std::optional<uint8_t> parity;   // 1 none, 2 even, 3 odd
    std::optional<uint8_t> stopBits; // 1 or 2
    std::optional<bool> rs485;
    std::optional<uint32_t> slaveId;
    std::optional<bool> extended;
    std::optional<bool> split;
};

// The CONFIG port: Debug or Modbus Slave, slave properties; line settings are fixed.
[[nodiscard]] std::string changeConfigPort(ZAVGateway& gateway, const PortChange& change);
// The RTU port: line, rate, parity, stop bits, Modbus Master or Slave, slave properties.
[[nodiscard]] std::string changeRtuPort(ZAVGateway& gateway, const PortChange& change);

// The Radio page. Retries are given as the page shows them (on 2.4 GHz 3 x stored + 3).
[[nodiscard]] std::string changeRadio(ZAVGateway& gateway, std::optional<uint16_t> powerIndex,
                                      std::optional<int> shownRetries);

// Typed slave ids are clamped to 1-247, or 1-65535 in extended mode.
[[nodiscard]] uint32_t clampSlaveId(long typed, bool extended);
// Baud rates the port lists offer.
[[nodiscard]] bool isOfferedBaudRate(uint32_t rate);

// A Modbus module of the gateway uses its RTU port (port 3), and whether those modules use
// more than one slave id.
struct RtuPortUse {
    bool moduleOnPort = false;
    bool severalSlaves = false;
};
[[nodiscard]] RtuPortUse rtuPortUse(const ZAVGateway& gateway);

} // namespace quillan
