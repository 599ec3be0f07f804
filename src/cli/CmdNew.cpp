#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "document/TarnDoc.h"
#include "gateway/GatewayRules.h"
#include "model/NodeName.h"
#include "model/Text.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace quillan::cli {

namespace {

const std::vector<uint16_t> kBands = {band868, band900, band2400};

struct NewOptions {
    std::optional<std::string> name;
    std::optional<std::string> folder;
    std::optional<size_t> band;
    std::optional<std::string> channel;
    std::optional<uint16_t> group;
    std::optional<std::string> gateway;
    std::optional<uint16_t> txPower;
    std::optional<size_t> rtu;
    std::optional<uint32_t> baud;
    std::optional<uint16_t> slaveId;
    std::optional<size_t> configPort;
    bool overwrite = false;
    bool verbose = false;
};

// Characters the wizard never lets end a project name; a file name cannot hold them.
std::string checkProjectName(const std::string& name)
{
    if (std::string outside = checkModelText(name); !outside.empty()) {
        return outside;
    }
    return !name.empty() && name.find_first_of("\"*/:<>?\\|") == std::string::npos
               ? std::string()
               : "must be a non-empty file name without \" * / : < > ? \\ |";
}

std::string checkNodeName(const std::string& name)
{
    if (std::string outside = checkModelText(name); !outside.empty()) {
        return outside;
    }
    return isValidNodeName(utf8ToCp1252(name))
               ? std::string()
               : "must be a name of 1 to 63 characters without spaces or \\|&;<>()$`\"'*?[#~=%:/.";
}

std::string checkBaudRate(const std::string& text)
{
    return isOfferedBaudRate(static_cast<uint32_t>(*parseNumber(text, 1200, 115200)))
               ? std::string()
               : "must be 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
}

int runNew(const NewOptions& o, CommandIo io)
{
    NewProjectValues values;
    values.name = utf8ToCp1252(*o.name);
    values.folder = *o.folder;
    values.band = kBands[o.band.value_or(1)];
    const auto range = site_rules::channelRange(values.band);
    const auto channel =
        parseNumber(o.channel.value_or(std::to_string(range.low)), range.low, range.high);
    values.channel = static_cast<uint16_t>(*channel);
    values.group = o.group.value_or(0);
    if (o.gateway) {
        NewGatewayValues g;
        g.name = utf8ToCp1252(*o.gateway);
        // The wizard preselects the highest power, or 100 mW on 900 MHz.
        g.txPowerIndex = o.txPower.value_or(values.band == band900 ? 2 : 4);
        g.rtuRs485 = o.rtu.value_or(0) == 1;
        g.baudRate = o.baud.value_or(9600);
        g.slaveId = o.slaveId.value_or(1);
        g.configPortModbus = o.configPort.value_or(0) == 1;
        values.gateway = g;
    }

    std::error_code ec;
    std::filesystem::create_directories(values.folder, ec);
    if (ec) {
        io.err << "quillan-cli: cannot create folder " << values.folder << ": " << ec.message()
               << "\n";
        return exitFailed;
    }
    CliNotifications notifications(io.out, o.verbose);
    CliPrompts prompts(io.err);
    TarnDoc doc(notifications, prompts);
    const std::string target = doc.newProject(values);
    // The wizard warns before it replaces a file; a script says so with --overwrite.
    if (std::filesystem::exists(target) && !o.overwrite) {
        io.err << "quillan-cli: " << target << " exists; give --overwrite to replace it\n";
        return exitFailed;
    }
    const DocumentStatus status = doc.saveDocument(target);
    if (!status) {
        io.err << status.message << " (" << status.detail << ")\n";
        return exitFailed;
    }
    io.out << "created " << doc.path() << "\n";
    printTree(doc, io.out);
    return exitOk;
}

} // namespace

void addNewCommand(CLI::App& app, CommandTable& table)
{
    auto o = std::make_shared<NewOptions>();
    CLI::App* cmd =
        app.add_subcommand("new", "Create a project file as the new-project wizard does");
    cmd->footer("The file is DIR/NAME.zavproj; its tree is printed.");
    addText(*cmd, "--name", o->name, "the project name", checkProjectName)
        ->type_name("NAME")
        ->required();
    addText(*cmd, "--folder", o->folder, "the folder of the project file; made when missing")
        ->type_name("DIR")
        ->required();
    addChoice(*cmd, "--band", o->band, {"868", "900", "2.4"}, "the site's band (default: 900)");
    addText(*cmd, "--channel", o->channel,
            "the site's channel: 0-9, or 12-23 on 2.4 (default: the band's lowest)")
        ->type_name("C");
    addNumber(*cmd, "--group", o->group, 0, 999, "the site's first group (default: 0)")
        ->type_name("G");
    addText(*cmd, "--gateway", o->gateway,
            "also make a gateway of that name; the options below need it", checkNodeName)
        ->type_name("NAME");
    addNumber(*cmd, "--tx-power", o->txPower, 0, 4,
              "the gateway's transmit power index (default: 2 on 900, else 4)");
    addChoice(*cmd, "--rtu", o->rtu, {"rs232", "rs485"}, "the RTU port's wiring (default: rs232)");
    addNumber(*cmd, "--baud", o->baud, 1200, 115200, "the RTU port's baud rate (default: 9600)",
              checkBaudRate)
        ->type_name("RATE");
    addNumber(*cmd, "--slave-id", o->slaveId, 1, 65535,
              "the RTU port's slave id; above 247 it uses extended addressing (default: 1)")
        ->type_name("ID");
    addChoice(*cmd, "--config-port", o->configPort, {"debug", "modbus"},
              "the CONFIG port's protocol (default: debug)");
    cmd->add_flag("--overwrite", o->overwrite, "replace an existing project file");
    addVerbose(*cmd, o->verbose);
    // Checks of options that depend on others, once all have parsed.
    cmd->callback([o] {
        if (!o->gateway && (o->txPower || o->rtu || o->baud || o->slaveId || o->configPort)) {
            throw CLI::ValidationError("the gateway values need --gateway NAME");
        }
        const auto range = site_rules::channelRange(kBands[o->band.value_or(1)]);
        if (o->channel && !parseNumber(*o->channel, range.low, range.high)) {
            throw CLI::ValidationError("--channel", "must be " + std::to_string(range.low) +
                                                        " to " + std::to_string(range.high) +
                                                        " on this band");
        }
    });
    table.add(cmd, [o](CommandIo io) { return runNew(*o, io); });
}

} // namespace quillan::cli
