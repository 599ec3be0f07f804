#pragma once

#include "device/LinkFactory.h"

namespace quillan {
class NotificationSink;
}

namespace quillan::platform {

// Serial ports through QtSerialLink; debugSink (may be null) gets the links' debug lines and
// must outlive them. The port device::SIMULATOR_PORT_NAME ("sim") is an in-process simulated
// gateway (a new gateway, line timing on) that keeps its state as long as the factory lives.
[[nodiscard]] device::LinkFactory makeQtLinkFactory(NotificationSink* debugSink = nullptr);

} // namespace quillan::platform
