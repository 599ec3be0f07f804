#include "cli/Commands.h"
#include "device/PortLister.h"
#include "model/Text.h"
#include "platform/QtPortLister.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

namespace quillan::cli {

namespace {

// Lists the serial ports present: name, USB vendor:product, serial number, description; the
// gateway's converter is marked.
int runPorts(CommandIo io)
{
    platform::QtPortLister lister;
    const std::vector<device::PortInfo> ports = lister.listPorts();
    if (ports.empty()) {
        io.out << "no serial ports\n";
        return exitOk;
    }
    size_t nameWidth = 4;
    size_t serialWidth = 6;
    for (const auto& port : ports) {
        nameWidth = std::max(nameWidth, port.name.size());
        serialWidth = std::max(serialWidth, port.serialNumber.size());
    }
    const auto padded = [](const std::string& text, size_t width) {
        return text + std::string(width - text.size() + 2, ' ');
    };
    io.out << padded("PORT", nameWidth) << "USB        " << padded("SERIAL", serialWidth)
           << "DESCRIPTION\n";
    for (const auto& port : ports) {
        const std::string usb = port.vendorId == 0 && port.productId == 0
                                    ? "-"
                                    : strprintf("%04x:%04x", port.vendorId, port.productId);
        std::string line =
            padded(port.name, nameWidth) + padded(usb, 9) +
            padded(port.serialNumber.empty() ? "-" : port.serialNumber, serialWidth) +
            cp1252ToUtf8(port.description) + (device::isGatewayPort(port) ? "  [ZAV Gateway]" : "");
        line.erase(line.find_last_not_of(' ') + 1);
        io.out << line << "\n";
    }
    return exitOk;
}

} // namespace

void addPortsCommand(CLI::App& app, CommandTable& table)
{
    CLI::App* cmd =
        app.add_subcommand("ports", "List the serial ports; the gateway's converter is marked");
    table.add(cmd, runPorts);
}

} // namespace quillan::cli
