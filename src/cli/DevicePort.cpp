#include "cli/DevicePort.h"

#include "device/ConfigPortLine.h"
#include "device/PortLister.h"
#include "platform/QtPortLister.h"
#include "platform/QtSettingsStore.h"
#include "settings/ProjectSettings.h"

#include <ostream>

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
    // An absent value is the default it would have been initialised with.
    const device::LineSettings defaults = device::DEVICE_LINE_SETTINGS;
    std::int32_t baudRate = static_cast<std::int32_t>(defaults.baudRate);
    std::int32_t dataBits = defaults.dataBits;
    std::int32_t parity = defaults.parity;
    std::int32_t stopBits = defaults.stopBits;
    platform::QtSettingsStore store;
    if (openSettings(store, err)) {
        const auto number = [&](std::string_view name, std::int32_t& field) {
            field = store.readNumber(name).value_or(field);
        };
        number(ProjectSettings::kConfigBaudRate, baudRate);
        number(ProjectSettings::kConfigDataBits, dataBits);
        number(ProjectSettings::kConfigParity, parity);
        number(ProjectSettings::kConfigStopBits, stopBits);
        store.close();
    }
    // The window falls back to the defaults; a command refuses rather than run a line the
    // user did not ask for.
    const device::ConfigPortLine read =
        device::configPortLine(baudRate, dataBits, parity, stopBits);
    if (!read.refused.empty()) {
        err << "quillan-cli: the configuration port settings cannot be used: " << read.refused
            << "\n";
        return std::nullopt;
    }
    return read.line;
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
