#include "device/LinkFactory.h"

namespace quillan::device {

std::unique_ptr<SerialLink> LinkFactory::create(const std::string& portName) const
{
    if (const auto it = m_virtual.find(portName); it != m_virtual.end()) {
        return it->second ? it->second() : nullptr;
    }
    return m_serialPorts ? m_serialPorts() : nullptr;
}

std::unique_ptr<SerialLink> openLinkByName(const LinkFactory& factory, const std::string& portName)
{
    auto link = factory.create(portName);
    if (!link || !link->open(portName)) {
        return nullptr;
    }
    return link;
}

} // namespace quillan::device
