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

PortRecord SerialPortDefinition::portRecord() const
{
    return {baudRate,
            dataBits,
            static_cast<StopBits>(stopBits),
            static_cast<Parity>(parity),
            static_cast<PortProtocol>(protocol),
            recordWord8,
            recordWord10};
}

void SerialPortDefinition::setPortRecord(const PortRecord& record)
{
    baudRate = record.baudRate;
    dataBits = record.dataBits;
    stopBits = static_cast<uint8_t>(record.stopBits);
    parity = static_cast<uint8_t>(record.parity);
    protocol = static_cast<uint8_t>(record.protocol);
    recordWord8 = record.slaveId;
    recordWord10 = record.flags;
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
