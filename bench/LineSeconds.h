#pragma once

#include "device/SerialLink.h"

#include <chrono>
#include <cstddef>

namespace quillan::bench {

// Seconds that bytes take on the device line, 57,600 baud 8N1.
inline double lineSeconds(size_t bytes)
{
    return std::chrono::duration<double>(device::lineTime(device::DEVICE_LINE_SETTINGS, bytes))
        .count();
}

} // namespace quillan::bench
