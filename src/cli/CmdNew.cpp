#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "document/TarnDoc.h"
#include "gateway/GatewayRules.h"
#include "model/NodeName.h"
#include "model/Text.h"

#include <filesystem>
#include <ostream>

namespace quillan::cli {

namespace {

std::optional<uint16_t> parseBand(const std::string& text)
{
    if (text == "868") {
        return band868;
    }
    if (text == "900") {
        return band900;
    }
    if (text == "2.4") {
        return band2400;
    }
    return std::nullopt;
}

// Characters the wizard never lets end a project name; a file name cannot hold them.
bool isValidProjectName(const std::string& name)
{
    return !name.empty() && name.find_first_of("\"*/:<>?\\|") == std::string::npos;
}

} // namespace

int runNew(const std::vector<std::string>& argv, CommandIo io)
{
    const CliArgs args(argv, {"verbose", "overwrite"});
    if (!checkOptions(args,
                      {"name", "folder", "band", "channel", "group", "gateway", "tx-power", "rtu",
                       "baud", "slave-id", "config-port", "verbose", "overwrite"},
                      io.err)) {
        return 2;
    }
    NewProjectValues values;
    values.name = utf8ToCp1252(args.value("name").value_or(""));
    values.folder = args.value("folder").value_or("");
    if (!isValidProjectName(values.name)) {
        io.err << "quillan-cli: --name must be a non-empty file name without \" * / : < > ? \\ |\n";
        return 2;
    }
    if (values.folder.empty()) {
        io.err << "quillan-cli: --folder is required\n";
        return 2;
    }
    const auto band = parseBand(args.value("band").value_or("900"));
    if (!band) {
        io.err << "quillan-cli: --band must be 868, 900 or 2.4\n";
        return 2;
    }
    values.band = *band;
    const auto range = site_rules::channelRange(values.band);
    const auto channel =
        parseNumber(args.value("channel").value_or(std::to_string(range.low)), range.low,
                    range.high);
    if (!channel) {
        io.err << "quillan-cli: --channel must be " << range.low << " to " << range.high
               << " on this band\n";
        return 2;
    }
    values.channel = static_cast<uint16_t>(*channel);
    const auto group = parseNumber(args.value("group").value_or("0"), 0, 999);
    if (!group) {
        io.err << "quillan-cli: --group must be 0 to 999\n";
        return 2;
    }
    values.group = static_cast<uint16_t>(*group);

    if (const auto gatewayName = args.value("gateway")) {
        NewGatewayValues g;
        g.name = utf8ToCp1252(*gatewayName);
        if (!isValidNodeName(g.name)) {
            io.err << "quillan-cli: --gateway must be a name of 1 to 63 characters without "
                      "spaces or \\|&;<>()$`\"'*?[#~=%:/.\n";
            return 2;
        }
        // The wizard preselects the highest power, or 100 mW on 900 MHz.
        const auto power = parseNumber(
            args.value("tx-power").value_or(values.band == band900 ? "2" : "4"), 0, 4);
        const auto rtu = args.value("rtu").value_or("rs232");
        const auto baud = parseNumber(args.value("baud").value_or("9600"), 1200, 115200);
        const auto slave = parseNumber(args.value("slave-id").value_or("1"), 1, 65535);
        const auto config = args.value("config-port").value_or("debug");
        if (!power || (rtu != "rs232" && rtu != "rs485") || !baud ||
            !isOfferedBaudRate(static_cast<uint32_t>(*baud)) || !slave ||
            (config != "debug" && config != "modbus")) {
            io.err << "quillan-cli: gateway values: --tx-power 0-4, --rtu rs232|rs485, --baud "
                      "1200|2400|4800|9600|19200|38400|57600|115200, --slave-id 1-65535, "
                      "--config-port debug|modbus\n";
            return 2;
        }
        g.txPowerIndex = static_cast<uint16_t>(*power);
        g.rtuRs485 = rtu == "rs485";
        g.baudRate = static_cast<uint32_t>(*baud);
        g.slaveId = static_cast<uint16_t>(*slave);
        g.configPortModbus = config == "modbus";
        values.gateway = g;
    } else if (args.has("tx-power") || args.has("rtu") || args.has("baud") ||
               args.has("slave-id") || args.has("config-port")) {
        io.err << "quillan-cli: the gateway values need --gateway NAME\n";
        return 2;
    }

    std::error_code ec;
    std::filesystem::create_directories(values.folder, ec);
    if (ec) {
        io.err << "quillan-cli: cannot create folder " << values.folder << ": " << ec.message()
               << "\n";
        return 1;
    }

    CliNotifications notifications(io.out, args.has("verbose"));
    CliPrompts prompts(io.err);
    TarnDoc doc(notifications, prompts);
    const std::string target = doc.newProject(values);
    // The wizard warns before it replaces a file; a script says so with --overwrite.
    if (std::filesystem::exists(target) && !args.has("overwrite")) {
        io.err << "quillan-cli: " << target << " exists; give --overwrite to replace it\n";
        return 1;
    }
    const DocumentStatus status = doc.saveDocument(target);
    if (!status) {
        io.err << status.message << " (" << status.detail << ")\n";
        return 1;
    }
    io.out << "created " << doc.path() << "\n";
    printTree(doc, io.out);
    return 0;
}

} // namespace quillan::cli
