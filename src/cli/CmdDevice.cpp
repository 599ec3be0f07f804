// The commands that talk to a gateway: update, read and read-key. They run the same core
// operations the GUI runs, on the terminal's thread.
#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "cli/DeviceRun.h"
#include "device/GatewayConnect.h"
#include "device/GatewayLink.h"
#include "device/UpdateDevice.h"
#include "gateway/DevicePage.h"
#include "gateway/ImageComparison.h"
#include "gateway/ZAVGateway.h"
#include "gateway/dump/ConfigDump.h"
#include "model/Site.h"
#include "model/Text.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <optional>
#include <ostream>

namespace quillan::cli {

namespace {

void printDevicePage(const ReadBack& read, std::ostream& out)
{
    const device::IdentityRecord identity = device::IdentityRecord::decode(read.identity);
    const DevicePageValues page =
        devicePageValues(identity.deviceType, identity.firmwareVersion, read.image);
    const auto choice = [](const std::vector<std::string>& list, unsigned at) {
        return at < list.size() ? list[at] : std::string();
    };
    out << "Type: " << page.type << "\n"
        << "Version: " << cp1252ToUtf8(page.version) << "\n"
        << "ID: " << page.id << "\n"
        << "Channel: " << page.channel << "\n"
        << "Group: " << page.group << "\n"
        << "VevaDor ID: " << page.vevaDorId << "\n"
        << "Tx Power: " << choice(page.powerChoices, page.powerSelection) << "\n"
        << "Retries: " << page.retries << "\n"
        << "Bit Rate: " << choice(page.bitRateChoices, page.bitRateSelection) << "\n"
        << "Device: " << page.deviceSecurity << "\n";
}

// update --------------------------------------------------------------------------------------

struct UpdateOptions {
    std::string path;
    std::optional<std::string> gateway;
    std::optional<size_t> radio;
    std::optional<size_t> key;
    bool verify = false;
    PortOptions port;
};

int runUpdate(const UpdateOptions& o, CommandIo io)
{
    CliProject project(io, o.port.verbose);
    ZAVGateway* gateway = project.openGateway(o.path, *o.gateway);
    if (gateway == nullptr) {
        return exitFailed;
    }
    const device::UpdateRequest request = device::makeUpdateRequest(*gateway);

    DeviceRun run(io, o.port);
    if (!run.openPort()) {
        return exitFailed;
    }
    const MessageAnswer radioAnswers[] = {MessageAnswer::yes, MessageAnswer::no};
    const MessageAnswer keyAnswers[] = {MessageAnswer::yes, MessageAnswer::no,
                                        MessageAnswer::cancel};
    run.prompts().answerBy(device::RADIO_QUESTION_CAPTION, "--radio yes|no",
                           o.radio ? std::optional(radioAnswers[*o.radio]) : std::nullopt);
    run.prompts().answerBy(device::SITE_SECURITY_CAPTION, "--key update|ignore|cancel",
                           o.key ? std::optional(keyAnswers[*o.key]) : std::nullopt);

    device::GatewayLink link(run.services(), request.gatewayName);
    if (device::updateDevice(link, request) != 2) {
        return exitFailed;
    }
    if (!o.verify) {
        return exitOk;
    }
    // What went to the device: the image for older firmware when the device reported such.
    const ConfigImage& written =
        request.olderFirmwareImage && olderLevelFirmware(link.state().firmwareVersion())
            ? *request.olderFirmwareImage
            : request.compiled.image;
    const std::optional<uint32_t> key =
        request.site ? std::optional(link.state().keyValue) : std::nullopt;
    const auto read = readConfiguration(run, request.gatewayName);
    if (!read) {
        io.err << "quillan-cli: the configuration could not be read back to verify it\n";
        return exitFailed;
    }
    if (const auto difference = firstImageDifference(written, read->image, key)) {
        io.out << "not verified: " << imageDifferenceText(*difference) << "\n";
        return exitFailed;
    }
    io.out << "verified\n";
    return exitOk;
}

// read ----------------------------------------------------------------------------------------

struct ReadOptions {
    std::optional<std::string> image;
    bool dump = false;
    PortOptions port;
};

int runRead(const ReadOptions& o, CommandIo io)
{
    DeviceRun run(io, o.port);
    if (!run.openPort()) {
        return exitFailed;
    }
    const auto read = readConfiguration(run, UNNAMED_GATEWAY);
    if (!read) {
        io.err << "quillan-cli: no configuration was read\n";
        return exitFailed;
    }
    printDevicePage(*read, io.out);
    if (o.image) {
        std::ofstream file(*o.image, std::ios::binary | std::ios::trunc);
        const auto bytes = read->image.bytes();
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            io.err << "quillan-cli: cannot write " << *o.image << "\n";
            return exitFailed;
        }
    }
    if (o.dump) {
        const uint16_t type = device::IdentityRecord::decode(read->identity).deviceType;
        if (!writeDump(read->image, type, ".", run.console())) {
            io.err << "quillan-cli: cannot write Dump.txt in the working directory\n";
            return exitFailed;
        }
    }
    return exitOk;
}

// read-key ------------------------------------------------------------------------------------

struct ReadKeyOptions {
    std::string path;
    std::optional<std::string> gateway;
    PortOptions port;
};

int runReadKey(const ReadKeyOptions& o, CommandIo io)
{
    CliProject project(io, o.port.verbose);
    ZAVGateway* gateway = project.openGateway(o.path, *o.gateway);
    if (gateway == nullptr) {
        return exitFailed;
    }
    Site* site = gateway->getSite();
    // The tree offers the command only then: without site security there is no key to take.
    if (site == nullptr || !site->isSecurityEnabled()) {
        io.err << "quillan-cli: refused: the site of " << cp1252ToUtf8(gateway->getName())
               << " has Enhanced Site Security off\n";
        return exitFailed;
    }
    DeviceRun run(io, o.port);
    if (!run.openPort()) {
        return exitFailed;
    }
    device::GatewayLink link(run.services(), gateway->getName());
    const device::SiteKeyResult result = device::readSiteSecurityKey(link);
    if (device::applySiteKeyResult(*site, result)) {
        project.doc().setModified();
        if (!project.save()) {
            return exitFailed;
        }
    }
    return result.resultCode == 46 || result.resultCode == 47 ? exitOk : exitFailed;
}

} // namespace

void addDeviceCommands(CLI::App& app, CommandTable& table)
{
    {
        auto o = std::make_shared<UpdateOptions>();
        CLI::App* cmd = app.add_subcommand(
            "update", "Write a gateway's configuration to the device, as Update Device does");
        cmd->footer("Exit status 0 only when the device took the configuration (and, with "
                    "--verify, it reads back the same). A question without its answer flag is "
                    "asked on the terminal; in a script it is answered No or Cancel.");
        addPositional(*cmd, "PROJECT", o->path, "the project file");
        addText(*cmd, "--gateway", o->gateway, "the gateway to write")
            ->type_name("NAME")
            ->required();
        addChoice(*cmd, "--radio", o->radio, {"yes", "no"},
                  "answer to reconfiguring the device for the site's radio band");
        addChoice(*cmd, "--key", o->key, {"update", "ignore", "cancel"},
                  "answer to a site security key that differs from the project's");
        cmd->add_flag("--verify", o->verify,
                      "read the configuration back and compare it with what was written");
        addPortOptions(*cmd, o->port);
        table.add(cmd, [o](CommandIo io) { return runUpdate(*o, io); });
    }
    {
        auto o = std::make_shared<ReadOptions>();
        CLI::App* cmd = app.add_subcommand(
            "read", "Read a gateway's configuration and show its Device page, as Connect does");
        addText(*cmd, "--image", o->image, "write the 97,422-byte image read to this file")
            ->type_name("OUT");
        cmd->add_flag("--dump", o->dump, "write Dump.txt in the working directory");
        addPortOptions(*cmd, o->port);
        table.add(cmd, [o](CommandIo io) { return runRead(*o, io); });
    }
    {
        auto o = std::make_shared<ReadKeyOptions>();
        CLI::App* cmd = app.add_subcommand(
            "read-key", "Read the site security key from a gateway into its site");
        cmd->footer("The project is saved when its site changed.");
        addPositional(*cmd, "PROJECT", o->path, "the project file");
        addText(*cmd, "--gateway", o->gateway, "the gateway to read")
            ->type_name("NAME")
            ->required();
        addPortOptions(*cmd, o->port);
        table.add(cmd, [o](CommandIo io) { return runReadKey(*o, io); });
    }
}

} // namespace quillan::cli
