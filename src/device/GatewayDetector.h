#pragma once

#include "device/PortLister.h"
#include "device/SerialLink.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace quillan {
class NotificationSink;
class UserPrompts;
} // namespace quillan

namespace quillan::device {

// Finds the gateway's port, opens it at the configuration-port settings and keeps it open while
// the converter is plugged in. Runs on the user-interface thread: detectGateway at start-up,
// poll from a timer about once a second to notice ports coming and going.
class GatewayDetector {
public:
    GatewayDetector(SerialLink& port, PortLister& lister, NotificationSink& sink,
                    UserPrompts& prompts);

    // A port the user named (command line or settings); tried before the gateway's converter.
    // Empty for none.
    void setPortOverride(std::string portName) { m_portOverride = std::move(portName); }
    void setConfigPortSettings(const LineSettings& settings) { m_configSettings = settings; }
    // Called with the port name after a successful open, to remember it as "configPort".
    void setStoreConfigPort(std::function<void(const std::string&)> store)
    {
        m_storeConfigPort = std::move(store);
    }

    // The presence check: opens the first candidate port that opens, or clears the
    // gateway-attached flag.
    void detectGateway();
    // Compares the port list with the last one: an arrival while detached runs the presence
    // check; a removal (or the port closing under us) runs it too, and closes the port with
    // "Disconnected from ZAV Gateway" if the gateway is gone.
    void poll();

    [[nodiscard]] bool isAttached() const { return m_attached; }
    [[nodiscard]] const std::string& attachedPort() const { return m_attachedPort; }

    // While a device operation owns the port, checks leave it alone; they run at the first
    // poll after the port is free again. May be set from any thread.
    void setPortBusy(bool busy) { m_portBusy = busy; }
    [[nodiscard]] bool isPortBusy() const { return m_portBusy; }

    // Marks the port busy for its lifetime.
    class BusyGuard {
    public:
        explicit BusyGuard(GatewayDetector& detector) : m_detector(detector)
        {
            m_detector.setPortBusy(true);
        }
        ~BusyGuard() { m_detector.setPortBusy(false); }
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;

    private:
        GatewayDetector& m_detector;
    };

private:
    void runDetection(const std::vector<PortInfo>& ports);
    [[nodiscard]] bool openGatewayPort(const std::string& name);
    void handleRemoval(const std::vector<PortInfo>& ports);

    SerialLink& m_port;
    PortLister& m_lister;
    NotificationSink& m_sink;
    UserPrompts& m_prompts;
    std::string m_portOverride;
    LineSettings m_configSettings;
    std::function<void(const std::string&)> m_storeConfigPort;
    std::atomic<bool> m_portBusy{false};
    bool m_detectPending = false;
    bool m_attached = false;
    std::string m_attachedPort;
    bool m_haveSnapshot = false;
    std::vector<PortInfo> m_lastPorts;
};

} // namespace quillan::device
