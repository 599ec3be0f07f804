#include "cli/DevicePort.h"

#include "device/PortLister.h"
#include "platform/QtPortLister.h"
#include "platform/QtSettingsStore.h"
#include "settings/ProjectSettings.h"

#include <ostream>
#include <type_traits>

namespace quillan::cli {

namespace {

// Read only: a command must not create or rewrite the user's settings.
bool openSettings(platform::QtSettingsStore& store, std::ostream& err)
{
    const SettingsResult opened = store.open();
    if (opened.code == SettingsStatus::damaged) {
        err << "quillan-cli: " << opened.message
            << " The default settings are used; the file is left as it is.\n";
    }
    return opened.ok();
}

} // namespace

PortChoices findPortChoices(std::ostream& err)
{
    PortChoices choices;
    platform::QtSettingsStore store;
    if (openSettings(store, err)) {
        choices.portOverride =
            store.readText(ProjectSettings::kPortOverride).value_or(std::string());
        store.close();
    }
    platform::QtPortLister lister;
    for (const device::PortInfo& info : lister.listPorts()) {
        if (device::isGatewayPort(info)) {
            choices.detectedPort = info.name;
            break;
        }
    }
    return choices;
}

std::string rememberedProjectFolder(std::ostream& err)
{
    platform::QtSettingsStore store;
    std::string folder;
    if (openSettings(store, err)) {
        folder = store.readText(ProjectSettings::kWizardDefaultLoc).value_or(std::string());
        store.close();
    }
    return folder;
}

std::optional<device::LineSettings> configPortSettings(std::ostream& err)
{
    device::LineSettings settings = device::DEVICE_LINE_SETTINGS;
    platform::QtSettingsStore store;
    if (openSettings(store, err)) {
        const auto number = [&](std::string_view name, auto& field) {
            if (const auto value = store.readNumber(name); value && *value >= 0) {
                field = static_cast<std::remove_reference_t<decltype(field)>>(*value);
            }
        };
        number(ProjectSettings::kConfigBaudRate, settings.baudRate);
        number(ProjectSettings::kConfigDataBits, settings.dataBits);
        number(ProjectSettings::kConfigParity, settings.parity);
        number(ProjectSettings::kConfigStopBits, settings.stopBits);
        store.close();
    }
    if (!device::isValidLineSettings(settings)) {
        err << "quillan-cli: the configuration port settings cannot be used (baud rate "
            << settings.baudRate << ", " << unsigned{settings.dataBits} << " data bits, parity "
            << unsigned{settings.parity} << ", stop bits " << unsigned{settings.stopBits}
            << ") in the settings configBaudRate, configDataBits, configParity and "
               "configStopBits\n";
        return std::nullopt;
    }
    return settings;
}

std::optional<DevicePort> openDevicePort(const std::optional<std::string>& port,
                                         const PortChoices& choices,
                                         const device::LinkFactory& factory, std::ostream& err)
{
    std::string name;
    const char* from = "";
    if (port) {
        name = *port;
    } else if (!choices.portOverride.empty()) {
        name = choices.portOverride;
        from = " (the port override setting)";
    } else if (!choices.detectedPort.empty()) {
        name = choices.detectedPort;
        from = " (the gateway's USB converter)";
    } else {
        err << "quillan-cli: no gateway found: plug in its USB cable, or give --port PORT "
               "(a serial device, or sim for the built-in simulator)\n";
        return std::nullopt;
    }
    auto link = device::openLinkByName(factory, name);
    if (!link) {
        err << "quillan-cli: cannot open the port " << name << from << "\n";
        return std::nullopt;
    }
    return DevicePort{std::move(link), name};
}

} // namespace quillan::cli
