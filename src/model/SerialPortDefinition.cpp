#include "model/SerialPortDefinition.h"

#include "model/Archive.h"
#include "model/Text.h"

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(SerialPortDefinition, Serializable)

void SerialPortDefinition::serialize(Archive& ar)
{
    if (ar.isLoading() && ar.getObjectSchema() != 1) {
        return;
    }
    ar.io(baudRate);
    ar.io(dataBits);
    ar.io(stopBits);
    ar.io(parity);
    ar.io(protocol);
    ar.io(recordWord8);
    ar.io(recordWord10);
    ar.io(portName);
    ar.io(portNumber);
}

std::unique_ptr<SerialPortDefinition> SerialPortDefinition::clone() const
{
    return std::make_unique<SerialPortDefinition>(*this);
}

std::array<uint8_t, 12> SerialPortDefinition::portRecord() const
{
    return {static_cast<uint8_t>(baudRate),
            static_cast<uint8_t>(baudRate >> 8),
            static_cast<uint8_t>(baudRate >> 16),
            static_cast<uint8_t>(baudRate >> 24),
            dataBits,
            stopBits,
            parity,
            protocol,
            static_cast<uint8_t>(recordWord8),
            static_cast<uint8_t>(recordWord8 >> 8),
            static_cast<uint8_t>(recordWord10),
            static_cast<uint8_t>(recordWord10 >> 8)};
}

void SerialPortDefinition::setPortRecord(const std::array<uint8_t, 12>& r)
{
    baudRate = static_cast<uint32_t>(r[0]) | (static_cast<uint32_t>(r[1]) << 8) |
               (static_cast<uint32_t>(r[2]) << 16) | (static_cast<uint32_t>(r[3]) << 24);
    dataBits = r[4];
    stopBits = r[5];
    parity = r[6];
    protocol = r[7];
    recordWord8 = static_cast<uint16_t>(r[8] | (r[9] << 8));
    recordWord10 = static_cast<uint16_t>(r[10] | (r[11] << 8));
}

std::string SerialPortDefinition::settingsText() const
{
    std::string text = (recordWord10 & portFlagRs485) != 0 ? "RS485, " : "RS232, ";
    text += strprintf("%d, %d, ", static_cast<int>(baudRate), dataBits);
    switch (parity) {
    case parityNone:
        text += strprintf("N, %d", stopBits);
        break;
    case parityEven:
        text += strprintf("E, %d", stopBits);
        break;
    case parityOdd:
        text += strprintf("O, %d", stopBits);
        break;
    default:
        break;
    }
    return text;
}

std::string SerialPortDefinition::protocolText() const
{
    switch (protocol) {
    case protocolDisabled:
        return "Disabled";
    case protocolDebug:
        return "Debug";
    case protocolModbusSlave: {
        std::string text = "Modbus Slave";
        if ((recordWord10 & portFlagExtended) != 0) {
            text += " Extended";
        }
        if ((recordWord10 & portFlagSplit) != 0) {
            text += " Split";
        }
        return text;
    }
    case protocolModbusMaster:
        return "Modbus Master";
    case protocolLevelMasterAscii:
        return "LevelMaster ASCII";
    case protocolRocLinkMaster:
        return "ROC Link Master";
    default:
        return {};
    }
}

} // namespace quillan
