#pragma once

#include "device/PortLister.h"

namespace quillan::platform {

// The serial ports QSerialPortInfo knows of. Pseudo-terminals are not among them; a port named
// explicitly (command line, settings) reaches those.
class QtPortLister final : public device::PortLister {
public:
    [[nodiscard]] std::vector<device::PortInfo> listPorts() override;
};

} // namespace quillan::platform
