#pragma once

#include "device/SerialLink.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace quillan::device {

// The port name of the in-process gateway simulator.
inline constexpr const char* SIMULATOR_PORT_NAME = "sim";

// Makes the link that serves a port name: a named virtual port (such as the simulator) when one
// is registered under that name, a serial port otherwise.
class LinkFactory {
public:
    using Maker = std::function<std::unique_ptr<SerialLink>()>;

    LinkFactory() = default;
    explicit LinkFactory(Maker serialPorts) : m_serialPorts(std::move(serialPorts)) {}

    void setSerialPortMaker(Maker maker) { m_serialPorts = std::move(maker); }
    void addVirtualPort(const std::string& name, Maker maker)
    {
        m_virtual[name] = std::move(maker);
    }
    [[nodiscard]] bool isVirtualPort(const std::string& name) const
    {
        return m_virtual.count(name) != 0;
    }

    // A new, closed link for portName; null when nothing serves it.
    [[nodiscard]] std::unique_ptr<SerialLink> create(const std::string& portName) const;

private:
    Maker m_serialPorts;
    std::map<std::string, Maker> m_virtual;
};

// Creates the link for portName and opens it; null when it cannot be made or opened.
[[nodiscard]] std::unique_ptr<SerialLink> openLinkByName(const LinkFactory& factory,
                                                         const std::string& portName);

} // namespace quillan::device
