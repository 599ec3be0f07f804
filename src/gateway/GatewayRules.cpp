#include "gateway/GatewayRules.h"

#include "gateway/ZAVGateway.h"
#include "model/MBModule.h"
#include "model/Site.h"
#include "model/Text.h"

#include <set>

namespace quillan {

uint32_t clampSlaveId(long typed, bool extended)
{
    const long high = extended ? 65535 : 247;
    if (typed < 1) {
        return 1;
    }
    return static_cast<uint32_t>(typed > high ? high : typed);
}

bool isOfferedBaudRate(uint32_t rate)
{
    for (const uint32_t r : {1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u}) {
        if (r == rate) {
            return true;
        }
    }
    return false;
}

RtuPortUse rtuPortUse(const ZAVGateway& gateway)
{
    RtuPortUse use;
    std::set<uint8_t> slaves;
    for (const auto& node : gateway.childModules()) {
        const auto* module = dynamic_cast<const MBModule*>(node.get());
        if (module != nullptr && module->getModbusPort() == 3) {
            use.moduleOnPort = true;
            slaves.insert(module->getModbusSlaveId());
        }
    }
    use.severalSlaves = slaves.size() > 1;
    return use;
}

namespace {

// The slave properties shared by both port pages; they apply only in Modbus Slave mode.
std::string applySlaveProperties(SerialPortDefinition& port, const PortChange& c)
{
    const bool slaveMode = port.protocol == protocolModbusSlave;
    if (!slaveMode && (c.slaveId || c.extended || c.split)) {
        return "the slave id, extended mode and split values apply only in Modbus Slave mode";
    }
    uint16_t flags = port.recordWord10;
    if (c.extended) {
        flags = static_cast<uint16_t>(*c.extended ? flags | portFlagExtended
                                                  : flags & ~portFlagExtended);
    }
    if (c.split) {
        flags = static_cast<uint16_t>(*c.split ? flags | portFlagSplit : flags & ~portFlagSplit);
    }
    const bool extended = (flags & portFlagExtended) != 0;
    uint32_t slave = port.recordWord8;
    if (c.slaveId) {
        const uint32_t high = extended ? 65535 : 247;
        if (*c.slaveId < 1 || *c.slaveId > high) {
            return strprintf("the slave id must be 1 to %u%s", high,
                             extended ? "" : " (up to 65535 in extended mode)");
        }
        slave = *c.slaveId;
    } else if (!extended && slave > 247) {
        // Leaving extended mode brings a large id back into range.
        slave = 247;
    }
    port.recordWord10 = flags;
    port.recordWord8 = static_cast<uint16_t>(slave);
    return {};
}

} // namespace

std::string changeConfigPort(ZAVGateway& gateway, const PortChange& c)
{
    SerialPortDefinition* port = gateway.port(0);
    if (port == nullptr) {
        return "the gateway has no CONFIG port";
    }
    if (c.baudRate || c.parity || c.stopBits || c.rs485) {
        return "the CONFIG port's line settings cannot be changed";
    }
    if (c.protocol && *c.protocol != protocolDebug && *c.protocol != protocolModbusSlave) {
        return "the CONFIG port runs Debug or Modbus Slave only";
    }
    SerialPortDefinition changed = *port;
    if (c.protocol) {
        changed.protocol = *c.protocol;
    }
    if (std::string refused = applySlaveProperties(changed, c); !refused.empty()) {
        return refused;
    }
    *port = changed;
    gateway.markModified();
    return {};
}

std::string changeRtuPort(ZAVGateway& gateway, const PortChange& c)
{
    SerialPortDefinition* port = gateway.port(2);
    if (port == nullptr) {
        return "the gateway has no RTU port";
    }
    if (c.protocol && *c.protocol != protocolModbusMaster && *c.protocol != protocolModbusSlave) {
        return "the RTU port runs Modbus Master or Modbus Slave only";
    }
    const RtuPortUse use = rtuPortUse(gateway);
    if (c.protocol && *c.protocol == protocolModbusSlave && use.moduleOnPort &&
        port->protocol != protocolModbusSlave) {
        return "a Modbus module uses the RTU port, so it must stay a Modbus Master";
    }
    if (c.rs485 && !*c.rs485 && use.severalSlaves) {
        return "Modbus modules with several slave ids use the RTU port, so its line stays RS485";
    }
    if (c.baudRate && !isOfferedBaudRate(*c.baudRate)) {
        return "the baud rate must be 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
    }
    if (c.parity && (*c.parity < parityNone || *c.parity > parityOdd)) {
        return "the parity must be none, even or odd";
    }
    if (c.stopBits && *c.stopBits != 1 && *c.stopBits != 2) {
        return "the stop bits must be 1 or 2";
    }
    SerialPortDefinition changed = *port;
    if (c.protocol) {
        changed.protocol = *c.protocol;
        changed.dataBits = 8;
    }
    if (c.baudRate) {
        changed.baudRate = *c.baudRate;
    }
    if (c.parity) {
        changed.parity = *c.parity;
    }
    if (c.stopBits) {
        changed.stopBits = *c.stopBits;
    }
    if (c.rs485) {
        changed.recordWord10 = static_cast<uint16_t>(
            *c.rs485 ? changed.recordWord10 | portFlagRs485 : changed.recordWord10 & ~portFlagRs485);
    }
    if (use.severalSlaves) {
        changed.recordWord10 |= portFlagRs485;
    }
    if (std::string refused = applySlaveProperties(changed, c); !refused.empty()) {
        return refused;
    }
    *port = changed;
    gateway.markModified();
    return {};
}

std::string changeRadio(ZAVGateway& gateway, std::optional<uint16_t> powerIndex,
                        std::optional<int> shownRetries)
{
    const Site* site = gateway.getSite();
    const uint16_t band = site != nullptr ? site->getBand() : uint16_t{bandNotChosen};
    if (powerIndex && *powerIndex > 4) {
        return "the transmit power index must be 0 to 4";
    }
    uint16_t retries = gateway.getRetries();
    if (shownRetries) {
        switch (band) {
        case band868:
        case band900: {
            const int high = band == band868 ? 16 : 32;
            if (*shownRetries < 1 || *shownRetries > high) {
                return strprintf("the retries must be 1 to %d on this band", high);
            }
            retries = static_cast<uint16_t>(*shownRetries);
            break;
        }
        case band2400:
            if (site->isAesEnabled()) {
                return "the retries are fixed while the site has AES on";
            }
            if (*shownRetries < 3 || *shownRetries > 21 || *shownRetries % 3 != 0) {
                return "the retries must be 3 to 21 in steps of 3 on the 2.4 GHz band";
            }
            retries = static_cast<uint16_t>(*shownRetries / 3 - 1);
            break;
        default:
            return "the gateway's site has no band";
        }
    }
    if (powerIndex) {
        gateway.setRadioFlags(static_cast<uint16_t>((gateway.getRadioFlags() & 0xC0) | *powerIndex));
    }
    gateway.setRetries(retries);
    gateway.markModified();
    return {};
}

} // namespace quillan
