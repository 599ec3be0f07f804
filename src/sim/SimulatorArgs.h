#pragma once

#include "sim/FaultOptions.h"
#include "sim/SimulatorState.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillan::sim {

// The command line of zav-gateway-sim.
struct SimulatorArgs {
    // Between the end of a request and the start of its reply on a pseudo-terminal or serial
    // device, so that the host's purge after sending cannot catch the reply.
    static constexpr int kDefaultTurnaroundMs = 20;

    bool help = false;
    bool pty = false;
    std::string port; // an existing serial device, when not pty
    std::string stateFile;
    // Instead of serving a port: write the state file's flashed firmware here and exit.
    std::string firmwareOut;
    std::optional<uint16_t> deviceType;
    std::optional<std::string> version;
    std::optional<uint16_t> channel;
    std::optional<uint32_t> key;
    bool modbusSlave = false; // a new gateway's CONFIG port answers Modbus
    // The CONFIG port answers Modbus as this slave, whatever its configuration says.
    std::optional<uint8_t> slaveId;
    // Data store point -> value, set at start over the state file's.
    std::map<uint16_t, double> pointValues;
    bool lineTiming = true;
    int turnaroundMs = kDefaultTurnaroundMs;
    // The line goes dead (the port is closed, as a cable pulled) once this many device
    // frames have come in, the last unanswered; 0 never.
    uint64_t hangUpAfterFrames = 0;
    FaultOptions faults;
};

struct ParsedArgs {
    std::optional<SimulatorArgs> args; // none when the command line is wrong
    std::string error;
};

// argv without the program name.
[[nodiscard]] ParsedArgs parseSimulatorArgs(const std::vector<std::string>& argv);
[[nodiscard]] std::string simulatorUsage();

// The request codes the fault switches accept.
[[nodiscard]] bool isRequestCode(unsigned code);

// Gives the state the identity, channel, key and point values the command line asks for.
void applyStateArgs(const SimulatorArgs& args, SimulatorState& state);

} // namespace quillan::sim
