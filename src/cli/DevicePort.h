#pragma once

#include "device/LinkFactory.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace quillan::cli {

// The open port a device command talks through.
struct DevicePort {
    std::unique_ptr<device::SerialLink> link;
    std::string name;
};

// Where a port name comes from when --port is not given: the "portOverride" setting, then the
// gateway's converter among the ports present. Either may be empty.
struct PortChoices {
    std::string portOverride;
    std::string detectedPort;
};

// The settings' override and the detected converter, as the GUI would find them. Like every
// reader of the settings here, names a settings file that cannot be read on err and goes on
// with the defaults.
[[nodiscard]] PortChoices findPortChoices(std::ostream& err);
// The remembered project folder of the user's settings, read only; empty when none.
[[nodiscard]] std::string rememberedProjectFolder(std::ostream& err);

// The configuration port's line settings from the user's settings, read only: what the
// gateway's Modbus slave answers at. 57600 8N1 where a setting is absent; none, with the
// reason on err, when a stored setting cannot be used.
[[nodiscard]] std::optional<device::LineSettings> configPortSettings(std::ostream& err);

// Opens --port when given ("sim" is the in-process simulated gateway, anything else a serial
// device or pseudo-terminal), else the override, else the detected gateway. None, with the
// reason on err, when there is no port to use or it does not open.
[[nodiscard]] std::optional<DevicePort> openDevicePort(const std::optional<std::string>& port,
                                                       const PortChoices& choices,
                                                       const device::LinkFactory& factory,
                                                       std::ostream& err);

} // namespace quillan::cli
