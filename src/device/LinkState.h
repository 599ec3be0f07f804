#pragma once

#include "device/DeviceFrame.h"

#include <array>
#include <cstdint>
#include <string>

namespace quillan::device {

// What a node keeps of its conversation with a device: filled by the replies its frame
// engine receives.
struct LinkState {
    bool linkFlag = false; // the device answered the enquiry
    IdentityRecord::Bytes identity{};
    std::array<uint8_t, 64> deviceText{};
    RadioInfo radioInfo;
    uint32_t keyValue = 0; // the device's site security key
    uint8_t projectFileFlag = 0;

    [[nodiscard]] uint16_t deviceType() const { return bytes::getU16(identity.data()); }
    [[nodiscard]] std::string firmwareVersion() const;
    // The device text up to its first zero byte.
    [[nodiscard]] std::string deviceInfoString() const;
    void clearIdentity() { identity.fill(0); }
    void clearRadioInfo() { radioInfo.bytes.fill(0); }
};

} // namespace quillan::device
