#include "platform/QtPortLister.h"

#include "model/Text.h"

#include <QSerialPortInfo>

namespace quillan::platform {

std::vector<device::PortInfo> QtPortLister::listPorts()
{
    std::vector<device::PortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        device::PortInfo port;
        port.name = info.portName().toStdString();
        if (info.hasVendorIdentifier()) {
            port.vendorId = info.vendorIdentifier();
        }
        if (info.hasProductIdentifier()) {
            port.productId = info.productIdentifier();
        }
        port.serialNumber = info.serialNumber().toStdString();
        port.description = utf8ToCp1252(info.description().toStdString());
        ports.push_back(std::move(port));
    }
    return ports;
}

} // namespace quillan::platform
