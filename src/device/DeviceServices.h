#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace quillan {
class NotificationSink;
class UserPrompts;
} // namespace quillan

namespace quillan::device {

class SerialLink;
class StopToken;

// The listener that shows the gateway's debug text while no operation owns the port. An
// operation suspends it before it takes the port and activates it when it gives the port back.
class DebugOutput {
public:
    virtual ~DebugOutput() = default;
    // Stops reading the port; the operation then sets the port to 57600 8N1 itself.
    virtual void suspend() = 0;
    // Puts the configuration-port settings back on the port and reads again.
    virtual void activate() = 0;
};

enum class TraceDirection { sent, received };
// Sees every frame an engine sends and every complete frame it receives, as it happens.
using FrameTrace = std::function<void(TraceDirection direction, std::span<const uint8_t> frame)>;

// What a device operation works with. All of it must outlive the operation. An operation on a
// worker thread is given thread-safe notifications and prompts (the relays of the GUI); it
// never touches the project.
struct DeviceServices {
    SerialLink& link;
    NotificationSink& notifications;
    UserPrompts& prompts;
    DebugOutput* debugOutput = nullptr; // none outside the GUI
    FrameTrace trace;                   // none unless asked for
    // The work's stop, which ends every wait of the operation; none: the operation's own,
    // through its cancel().
    StopToken* stop = nullptr;
};

} // namespace quillan::device
