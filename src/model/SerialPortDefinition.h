#pragma once

#include "model/PortRecord.h"
#include "model/Serializable.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quillan {

enum SerialProtocol : uint8_t {
    protocolDisabled = 0,
    protocolDebug = 1,
    protocolModbusSlave = 2,
    protocolModbusMaster = 3,
    protocolLevelMasterAscii = 4,
    protocolRocLinkMaster = 5,
};

enum PortParity : uint8_t { parityNone = 1, parityEven = 2, parityOdd = 3 };

// Flags of port record byte 10.
enum PortFlags : uint16_t {
    portFlagSplit = 0x01,
    portFlagExtended = 0x08,
    portFlagRs485 = 0x10,
};

// One serial port of a gateway with its 12-byte device port record.
class SerialPortDefinition : public Serializable {
    QUILLAN_SERIAL(SerialPortDefinition)
public:
    SerialPortDefinition() = default;

    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<SerialPortDefinition> clone() const;

    // The port as the device configuration holds it.
    [[nodiscard]] PortRecord portRecord() const;
    void setPortRecord(const PortRecord& record);

    // "RS485, 9600, 8, N, 1" and the like.
    [[nodiscard]] std::string settingsText() const;
    // "Modbus Slave Extended Split" and the like.
    [[nodiscard]] std::string protocolText() const;

    [[nodiscard]] uint16_t flags() const { return recordWord10; }
    [[nodiscard]] uint16_t slaveId() const { return recordWord8; }

    uint32_t baudRate = 0;
    uint8_t dataBits = 0;
    uint8_t stopBits = 0;
    uint8_t parity = 0;
    uint8_t protocol = 0;
    uint16_t recordWord8 = 0;  // Modbus slave id of the port
    uint16_t recordWord10 = 0; // port flags
    std::string portName;
    uint8_t portNumber = 0; // 1 CONFIG, 2 RS485, 3 RTU
};

} // namespace quillan
