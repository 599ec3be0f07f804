#pragma once

#include "device/LinkFactory.h"

namespace quillan {
class NotificationSink;
}

namespace quillan::platform {

// Serial ports through QtSerialLink; debugSink (may be null) gets the links' debug lines and
// must outlive them. The in-process gateway simulator joins as the virtual port
// device::SIMULATOR_PORT_NAME ("sim") through addVirtualPort.
[[nodiscard]] device::LinkFactory makeQtLinkFactory(NotificationSink* debugSink = nullptr);

} // namespace quillan::platform
