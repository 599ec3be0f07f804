#pragma once

#include "device/DeviceFrame.h"
#include "gateway/ConfigImage.h"
#include "sim/FirmwareMemory.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillan::sim {

// Everything a gateway keeps across a power cycle: its stored configuration, what it says of
// itself, the project file stored on it, its program memory and the values of its data store.
struct SimulatorState {
    static constexpr uint16_t kDefaultDeviceType = 12; // ZAV Gateway Module
    static constexpr const char* kDefaultVersion = "1.5.0.14";
    static constexpr uint16_t kDefaultChannel = 5;
    // The identity record leaves room for the version text and its terminating zero.
    static constexpr size_t kMaxVersionLength = device::IdentityRecord::VERSION_SIZE - 1;

    ConfigImage image;
    uint16_t deviceType = kDefaultDeviceType;
    std::string firmwareVersion = kDefaultVersion;
    uint16_t channel = kDefaultChannel; // the radio channel code CMD_READ_RADIO reports
    std::vector<uint8_t> projectFile;   // as CMD_STORE_PROJECT delivered it
    FirmwareMemory firmware;
    // Data store point -> value, for the points that were set; the others drift with time.
    std::map<uint16_t, double> pointValues;

    // A gateway fresh from the factory: the compiled image of a new gateway; its CONFIG port
    // a Modbus slave when modbusSlave is set, else a debug port.
    [[nodiscard]] static SimulatorState newGateway(bool modbusSlave = false);

    [[nodiscard]] uint32_t siteKey() const { return image.security().siteKey; }
    void setSiteKey(uint32_t key);

    bool operator==(const SimulatorState&) const = default;
};

} // namespace quillan::sim
