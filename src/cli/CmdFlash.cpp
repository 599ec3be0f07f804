// flash: new firmware from an Intel HEX file into a gateway, as the Flash button of the device
// property window does: Connect's configuration read, then the flash transfer on that session.
#include "cli/Commands.h"
#include "cli/DeviceRun.h"
#include "device/FirmwareFile.h"
#include "device/ZAVSession.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>

namespace quillan::cli {

namespace {

struct FlashOptions {
    std::string path;
    PortOptions port;
};

// Why the file may not be flashed, as the Flash button checks it (a damaged record would leave
// a hole in the flashed firmware); empty when it may.
std::string refusal(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return "cannot open the firmware file " + path + ": it is a folder";
    }
    std::ifstream file(path);
    if (!file) {
        return "cannot open the firmware file " + path + ": " + std::strerror(errno);
    }
    if (const auto problem = device::checkFirmwareText(file)) {
        return path + " cannot be flashed: " + device::firmwareProblemText(*problem) +
               "; nothing was sent to the gateway";
    }
    return {};
}

// The begin's wait, then each chunk's reply wait and its time on the line, with room to spare.
int flashTimeoutMs(size_t chunks)
{
    constexpr int kPerChunkMs = 3 * device::FLASH_DATA_TIMEOUT_MS;
    return device::FLASH_BEGIN_TIMEOUT_MS + device::FLASH_END_TIMEOUT_MS + 10'000 +
           static_cast<int>(chunks) * kPerChunkMs;
}

int runFlash(const FlashOptions& o, CommandIo io)
{
    // Before the port is touched: a file that cannot be flashed sends no frame.
    if (const std::string why = refusal(o.path); !why.empty()) {
        io.err << "quillan-cli: " << why << "\n";
        return exitFailed;
    }
    DeviceRun run(io, o.port);
    if (!run.openPort()) {
        return exitFailed;
    }
    bool loaded = false;
    std::optional<device::FlashOutcome> outcome;
    const auto read = readConfiguration(run, UNNAMED_GATEWAY, [&](device::ZAVSession& session) {
        session.setFlashWindow(true);
        session.clearFirmware();
        loaded = session.loadFirmware(o.path);
        if (loaded) {
            const size_t chunks = session.firmwareChunks().size();
            session.startOperation(device::SessionOperation::flash);
            (void)session.waitForIdle(flashTimeoutMs(chunks));
            outcome = session.lastFlash();
        }
        session.setFlashWindow(false);
    });
    if (!read) {
        io.err << "quillan-cli: no configuration was read, so nothing was flashed\n";
        return exitFailed;
    }
    if (!loaded) {
        io.err << "quillan-cli: cannot read the firmware file " << o.path << "\n";
        return exitFailed;
    }
    if (!outcome) {
        io.err << "quillan-cli: the flash transfer did not end in time\n";
        return exitFailed;
    }
    if (!outcome->succeeded) {
        io.err << "quillan-cli: " << device::flashOutcomeText(*outcome) << "\n";
        return exitFailed;
    }
    run.console().outputLine(device::flashOutcomeText(*outcome));
    return exitOk;
}

} // namespace

void addFlashCommand(CLI::App& app, CommandTable& table)
{
    auto o = std::make_shared<FlashOptions>();
    CLI::App* cmd = app.add_subcommand(
        "flash", "Write new firmware from an Intel HEX file (.a79) to a gateway, as Flash does");
    cmd->footer("The whole file is checked before the port is opened: a line that is not a valid "
                "Intel HEX record, or a file without data, is refused with the line and the "
                "reason. The configuration is then read first, as Connect does. Exit status 0 "
                "only when the gateway acknowledged every chunk and the end of the transfer.");
    addPositional(*cmd, "FIRMWARE", o->path, "the firmware file");
    addPortOptions(*cmd, o->port);
    table.add(cmd, [o](CommandIo io) { return runFlash(*o, io); });
}

} // namespace quillan::cli
