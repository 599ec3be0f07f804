#include "cli/DeviceRun.h"

#include "device/GatewayConnect.h"
#include "device/GatewayLink.h"
#include "device/ZAVSession.h"
#include "platform/QtLinkFactory.h"
#include "sim/SimulatorLink.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>

namespace quillan::cli {

namespace {

int s_argc = 1;
char s_name[] = "quillan-cli";
char* s_argv[] = {s_name, nullptr};

} // namespace

void addPortOptions(CLI::App& cmd, PortOptions& o)
{
    addText(cmd, "--port", o.port,
            "the serial port: a device path, or sim for the built-in simulated gateway "
            "(default: the port override setting, else the gateway's USB converter)")
        ->type_name("PORT");
    cmd.add_flag("--trace", o.trace, "print every frame sent and received on stderr");
    addVerbose(cmd, o.verbose);
}

DeviceRun::DeviceRun(CommandIo io, const PortOptions& options)
    : m_io(io), m_options(options), m_console(io.out, options.verbose),
      m_prompts(io.err, terminalInput())
{
    // The serial link delivers the port's notifications through an application object.
    if (QCoreApplication::instance() == nullptr) {
        m_app = std::make_unique<QCoreApplication>(s_argc, s_argv);
    }
    m_factory = platform::makeQtLinkFactory(&m_console);
}

DeviceRun::~DeviceRun() = default;

void DeviceRun::simulateGateway(sim::SimulatorOptions options)
{
    (void)sim::addSimulatorPort(m_factory, std::move(options));
}

bool DeviceRun::openPort()
{
    const PortChoices choices = m_options.port ? PortChoices{} : findPortChoices(m_io.err);
    m_port = openDevicePort(m_options.port, choices, m_factory, m_io.err);
    return m_port.has_value();
}

device::DeviceServices DeviceRun::services()
{
    device::DeviceServices services{*m_port->link, m_console, m_prompts, nullptr, {}};
    if (m_options.trace) {
        services.trace = frameTrace(m_io.err);
    }
    return services;
}

std::optional<ReadBack> readConfiguration(DeviceRun& run, const std::string& name,
                                          const WhileConnected& whileConnected)
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
            if (whileConnected) {
                whileConnected(session);
            }
        }
        // A failed read and a flash end with the finish step already.
        if (session.linkUp() && !session.finished()) {
            session.startOperation(device::SessionOperation::finish);
            (void)session.waitForIdle(READ_TIMEOUT_MS);
        }
        (void)session.stopThread();
    }
    device::endConnect(link);
    return read;
}

} // namespace quillan::cli
