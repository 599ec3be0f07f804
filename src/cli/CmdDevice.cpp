// The commands that talk to a gateway: update, read and read-key. They run the same core
// operations the GUI runs, on the terminal's thread.
#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "cli/DeviceConsole.h"
#include "cli/DevicePort.h"
#include "device/GatewayConnect.h"
#include "device/GatewayLink.h"
#include "device/UpdateDevice.h"
#include "device/ZAVSession.h"
#include "gateway/DevicePage.h"
#include "gateway/ImageComparison.h"
#include "gateway/ZAVGateway.h"
#include "gateway/dump/ConfigDump.h"
#include "model/Site.h"
#include "model/Text.h"
#include "platform/QtLinkFactory.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>

namespace quillan::cli {

namespace {

// The name a gateway read without a project goes by in its result lines.
constexpr const char* UNNAMED_GATEWAY = "Gateway";
// Long enough for a whole configuration at 57600 baud and every reply time-out on the way.
constexpr int READ_TIMEOUT_MS = 180'000;

struct PortOptions {
    std::optional<std::string> port;
    bool trace = false;
    bool verbose = false;
};

void addPortOptions(CLI::App& cmd, PortOptions& o)
{
    addText(cmd, "--port", o.port,
            "the serial port: a device path, or sim for the built-in simulated gateway "
            "(default: the port override setting, else the gateway's USB converter)")
        ->type_name("PORT");
    cmd.add_flag("--trace", o.trace, "print every frame sent and received on stderr");
    addVerbose(cmd, o.verbose);
}

// The port, the windows and the questions of one device command.
class DeviceRun {
public:
    DeviceRun(CommandIo io, const PortOptions& options)
        : m_io(io), m_options(options), m_console(io.out, options.verbose),
          m_prompts(io.err, terminalInput())
    {
        // The serial link delivers the port's notifications through an application object.
        if (QCoreApplication::instance() == nullptr) {
            m_app = std::make_unique<QCoreApplication>(s_argc, s_argv);
        }
        m_factory = platform::makeQtLinkFactory(&m_console);
    }

    [[nodiscard]] bool openPort()
    {
        const PortChoices choices = m_options.port ? PortChoices{} : findPortChoices();
        m_port = openDevicePort(m_options.port, choices, m_factory, m_io.err);
        return m_port.has_value();
    }

    [[nodiscard]] device::DeviceServices services()
    {
        device::DeviceServices services{*m_port->link, m_console, m_prompts, nullptr, {}};
        if (m_options.trace) {
            services.trace = frameTrace(m_io.err);
        }
        return services;
    }

    [[nodiscard]] DeviceConsole& console() { return m_console; }
    [[nodiscard]] CliPrompts& prompts() { return m_prompts; }

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "quillan-cli";
    static inline char* s_argv[] = {s_name, nullptr};

    CommandIo m_io;
    const PortOptions& m_options;
    std::unique_ptr<QCoreApplication> m_app;
    DeviceConsole m_console;
    CliPrompts m_prompts;
    device::LinkFactory m_factory;
    std::optional<DevicePort> m_port;
};

struct ReadBack {
    device::IdentityRecord::Bytes identity{};
    ConfigImage image;
};

// Connect's read: the link's checks, then the device session reads the whole configuration.
// None when the gateway did not answer, is not a gateway, or the read failed.
std::optional<ReadBack> readConfiguration(DeviceRun& run, const std::string& name)
{
    device::DeviceServices services = run.services();
    device::GatewayLink link(services, name);
    if (device::beginConnect(link) != 0) {
        return std::nullopt;
    }
    run.console().clearReadOutcome();
    std::optional<ReadBack> read;
    {
        device::ZAVSession session(run.console());
        session.setPort(&services.link);
        session.setTrace(services.trace);
        session.setEnabled(true);
        session.startThread();
        session.startOperation(device::SessionOperation::connectAndRead);
        (void)session.waitForIdle(READ_TIMEOUT_MS);
        if (run.console().readOutcome() == true) {
            read = ReadBack{session.identity(), session.image()};
        }
        if (session.linkUp()) {
            session.startOperation(device::SessionOperation::finish);
            (void)session.waitForIdle(READ_TIMEOUT_MS);
        }
        (void)session.stopThread();
    }
    device::endConnect(link);
    return read;
}

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
    if (!project.open(o.path)) {
        return exitFailed;
    }
    ZAVGateway* gateway = project.gateway(*o.gateway);
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
    if (!project.open(o.path)) {
        return exitFailed;
    }
    ZAVGateway* gateway = project.gateway(*o.gateway);
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
