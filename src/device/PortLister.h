#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillan::device {

// One serial port present on the machine. USB identifiers are 0 for ports without them.
struct PortInfo {
    std::string name;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string serialNumber;
    std::string description;

    friend bool operator==(const PortInfo&, const PortInfo&) = default;
};

// The gateway's USB serial converter.
inline constexpr uint16_t GATEWAY_VENDOR_ID = 0x0403;
inline constexpr uint16_t GATEWAY_PRODUCT_ID = 0x6001;
inline constexpr const char* GATEWAY_SERIAL_NUMBER = "RA-VAVE-RO1";

// True for the gateway's converter; the serial number must match exactly, letter case too.
[[nodiscard]] inline bool isGatewayPort(const PortInfo& port)
{
    return port.vendorId == GATEWAY_VENDOR_ID && port.productId == GATEWAY_PRODUCT_ID &&
           port.serialNumber == GATEWAY_SERIAL_NUMBER;
}

// Lists the serial ports present, in the system's order.
class PortLister {
public:
    virtual ~PortLister() = default;
    [[nodiscard]] virtual std::vector<PortInfo> listPorts() = 0;
};

} // namespace quillan::device
