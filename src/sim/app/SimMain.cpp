// zav-gateway-sim: a simulated ZAV Gateway Module on a pseudo-terminal or serial device.

#include "app/LineServer.h"
#include "sim/GatewaySimulator.h"
#include "sim/SimulatorArgs.h"
#include "sim/StateFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace quillan::sim;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

void fail(const std::string& message)
{
    std::fprintf(stderr, "zav-gateway-sim: %s\n", message.c_str());
}

bool makeRaw(int fd, bool setSpeed)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    if (setSpeed && (::cfsetispeed(&t, B57600) != 0 || ::cfsetospeed(&t, B57600) != 0)) {
        return false;
    }
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

struct Device {
    int fd = -1;
    int heldSlave = -1; // keeps the pseudo-terminal alive while no host has it open
    std::string path;

    ~Device()
    {
        if (heldSlave >= 0) {
            ::close(heldSlave);
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::string openPseudoTerminal(Device& device)
{
    device.fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (device.fd < 0 || ::grantpt(device.fd) != 0 || ::unlockpt(device.fd) != 0) {
        return std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    }
    const char* name = ::ptsname(device.fd);
    if (name == nullptr) {
        return std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
    }
    device.path = name;
    device.heldSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    // Raw at once: an echoing terminal would hand the gateway its own debug text back.
    if (device.heldSlave < 0 || !makeRaw(device.heldSlave, false)) {
        return "cannot set up " + device.path + ": " + std::strerror(errno);
    }
    return {};
}

// What --firmware-out does: the state file's firmware as a flat binary, without serving.
int writeFirmware(const SimulatorArgs& args)
{
    SimulatorState state;
    if (const StateFileResult r = loadStateFile(args.stateFile, state); !r.ok()) {
        fail(r.message);
        return 1;
    }
    const auto image = state.firmware.flatImage();
    if (!image) {
        fail(state.firmware.empty()
                 ? args.stateFile + ": no firmware has been flashed"
                 : args.stateFile + ": the firmware runs lie too far apart for one flat file");
        return 1;
    }
    std::ofstream out(args.firmwareOut, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image->bytes.data()),
              static_cast<std::streamsize>(image->bytes.size()));
    out.close();
    if (!out) {
        fail("cannot write " + args.firmwareOut + ": " + std::strerror(errno));
        return 1;
    }
    std::printf("0x%08X %zu\n", static_cast<unsigned>(image->address), image->bytes.size());
    return 0;
}

std::string openSerialDevice(Device& device, const std::string& path)
{
    device.path = path;
    device.fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (device.fd < 0) {
        return "cannot open " + path + ": " + std::strerror(errno);
    }
    if (!makeRaw(device.fd, true)) {
        return "cannot set " + path + " to 57600 8N1: " + std::strerror(errno);
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedArgs parsed = parseSimulatorArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.args) {
        fail(parsed.error);
        std::fputs(simulatorUsage().c_str(), stderr);
        return 2;
    }
    const SimulatorArgs& args = *parsed.args;
    if (args.help) {
        std::fputs(simulatorUsage().c_str(), stdout);
        return 0;
    }
    if (!args.firmwareOut.empty()) {
        return writeFirmware(args);
    }

    SimulatorState state;
    bool loaded = false;
    if (!args.stateFile.empty()) {
        const StateFileResult r = loadStateFile(args.stateFile, state);
        if (!r.ok() && r.code != StateFileStatus::notFound) {
            fail(r.message + " (left as it is)");
            return 1;
        }
        loaded = r.ok();
    }
    if (!loaded) {
        state = SimulatorState::newGateway(args.modbusSlave);
    }
    applyStateArgs(args, state);

    GatewaySimulator gateway(std::move(state), args.faults);
    gateway.setModbusSlaveId(args.slaveId);
    const auto save = [&]() -> bool {
        if (args.stateFile.empty()) {
            return true;
        }
        const StateFileResult r = saveStateFile(args.stateFile, gateway.state());
        if (!r.ok()) {
            fail(r.message);
        }
        return r.ok();
    };
    if (!save()) {
        return 1;
    }

    Device device;
    const std::string opened =
        args.pty ? openPseudoTerminal(device) : openSerialDevice(device, args.port);
    if (!opened.empty()) {
        fail(opened);
        return 1;
    }

    sigset_t blocked;
    sigset_t waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // Taken only while waiting, so a stop request never falls between a check and the wait.
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);

    std::printf("%s\n", device.path.c_str());
    std::fflush(stdout);

    LineServer server(device.fd, gateway,
                      {args.lineTiming, args.turnaroundMs, args.hangUpAfterFrames});
    const std::string error = server.run(g_stop, waitMask, [&] { (void)save(); });
    const bool saved = save();
    if (server.hungUp()) {
        std::fprintf(stderr, "zav-gateway-sim: hung up at frame %llu\n",
                     static_cast<unsigned long long>(gateway.framesReceived()));
    }
    if (!error.empty()) {
        fail(device.path + ": " + error);
        return 1;
    }
    return saved ? 0 : 1;
}
