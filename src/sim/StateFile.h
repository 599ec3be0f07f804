#pragma once

#include "sim/SimulatorState.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The simulator's state file: "ZAVSIMST", a format version, the length of the body, the body
// (identity, radio channel, image, project file, firmware runs, point values) and a CRC-32
// over everything before it. Little-endian throughout.
namespace quillan::sim {

enum class StateFileStatus {
    ok,
    notFound,           // no file at the path
    cannotRead,         // the file exists but cannot be read
    cannotWrite,        // the file or its temporary could not be written or renamed
    damaged,            // not a state file, truncated, or its check fails
    unsupportedVersion, // a state file of a format this simulator does not know
};

struct StateFileResult {
    StateFileStatus code = StateFileStatus::ok;
    std::string message;

    [[nodiscard]] bool ok() const { return code == StateFileStatus::ok; }
};

inline constexpr uint32_t kStateFormatVersion = 1;

[[nodiscard]] std::vector<uint8_t> encodeState(const SimulatorState& state);
// Fills out only when the whole file checks out.
[[nodiscard]] StateFileResult decodeState(std::span<const uint8_t> bytes, SimulatorState& out);

[[nodiscard]] StateFileResult loadStateFile(const std::string& path, SimulatorState& out);
// Written beside the target and renamed over it, so a failed save keeps the previous file.
[[nodiscard]] StateFileResult saveStateFile(const std::string& path, const SimulatorState& state);

} // namespace quillan::sim
