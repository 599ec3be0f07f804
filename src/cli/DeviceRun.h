#pragma once

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/DeviceConsole.h"
#include "cli/DevicePort.h"
#include "device/DeviceFrame.h"
#include "device/DeviceServices.h"
#include "device/LinkFactory.h"
#include "gateway/ConfigImage.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCoreApplication;

namespace CLI {
class App;
}

namespace quillan::device {
class ZAVSession;
}

namespace quillan::sim {
struct SimulatorOptions;
}

namespace quillan::cli {

// The name a gateway reached without a project goes by in its result lines.
inline constexpr const char* UNNAMED_GATEWAY = "Gateway";
// Long enough for a whole configuration at 57600 baud and every reply time-out on the way.
inline constexpr int READ_TIMEOUT_MS = 180'000;

struct PortOptions {
    std::optional<std::string> port;
    bool trace = false;
    bool verbose = false;
};

void addPortOptions(CLI::App& cmd, PortOptions& o);

// The port, the windows and the questions of one device command.
class DeviceRun {
public:
    DeviceRun(CommandIo io, const PortOptions& options);
    ~DeviceRun();
    DeviceRun(const DeviceRun&) = delete;
    DeviceRun& operator=(const DeviceRun&) = delete;

    // The gateway the port "sim" reaches; before openPort.
    void simulateGateway(sim::SimulatorOptions options);
    [[nodiscard]] bool openPort();
    // Only after openPort succeeded.
    [[nodiscard]] device::DeviceServices services();

    [[nodiscard]] DeviceConsole& console() { return m_console; }
    [[nodiscard]] CliPrompts& prompts() { return m_prompts; }

private:
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

// A command of the device property window: runs on the session once it has read the
// configuration, with the gateway still in the conversation.
using WhileConnected = std::function<void(device::ZAVSession& session)>;

// Connect's read: the link's checks, then the device session reads the whole configuration,
// then whileConnected, if given, runs; the session finishes (unless that did) and ends. None
// when the gateway did not answer, is not a gateway, or the read failed.
[[nodiscard]] std::optional<ReadBack> readConfiguration(DeviceRun& run, const std::string& name,
                                                        const WhileConnected& whileConnected = {});

} // namespace quillan::cli
