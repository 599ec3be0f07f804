#include "device/GatewayDetector.h"

#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <algorithm>

namespace quillan::device {

namespace {

bool containsAll(const std::vector<PortInfo>& all, const std::vector<PortInfo>& some)
{
    return std::all_of(some.begin(), some.end(), [&](const PortInfo& p) {
        return std::find(all.begin(), all.end(), p) != all.end();
    });
}

} // namespace

GatewayDetector::GatewayDetector(SerialLink& port, PortLister& lister, NotificationSink& sink,
                                 UserPrompts& prompts)
    : m_port(port), m_lister(lister), m_sink(sink), m_prompts(prompts)
{
}

void GatewayDetector::detectGateway()
{
    if (m_portBusy) {
        m_detectPending = true;
        return;
    }
    runDetection(m_lister.listPorts());
}

void GatewayDetector::poll()
{
    if (m_portBusy) {
        return;
    }
    const std::vector<PortInfo> ports = m_lister.listPorts();
    const bool removed = m_haveSnapshot && !containsAll(ports, m_lastPorts);
    const bool arrived = !m_haveSnapshot || !containsAll(m_lastPorts, ports);
    // A port that failed under a device operation (converter pulled and put back while the
    // operation ran) counts as a removal.
    const bool lost = m_attached && !m_port.isOpen();
    if (removed || lost) {
        handleRemoval(ports);
    } else if (m_detectPending || (arrived && !m_attached)) {
        runDetection(ports);
    } else {
        m_lastPorts = ports;
        m_haveSnapshot = true;
    }
}

void GatewayDetector::handleRemoval(const std::vector<PortInfo>& ports)
{
    const bool wasAttached = m_attached;
    runDetection(ports);
    if (wasAttached && !m_attached) {
        m_port.close();
        m_sink.debugLine("Disconnected from ZAV Gateway");
    }
}

void GatewayDetector::runDetection(const std::vector<PortInfo>& ports)
{
    m_detectPending = false;
    m_lastPorts = ports;
    m_haveSnapshot = true;

    std::vector<std::string> candidates;
    if (!m_portOverride.empty()) {
        candidates.push_back(m_portOverride);
    }
    for (const PortInfo& port : ports) {
        if (isGatewayPort(port) && port.name != m_portOverride) {
            candidates.push_back(port.name);
        }
    }
    for (const std::string& name : candidates) {
        if (openGatewayPort(name)) {
            m_attached = true;
            m_attachedPort = name;
            m_sink.debugLine("Connected to ZAV Gateway");
            if (m_storeConfigPort) {
                m_storeConfigPort(name);
            }
            return;
        }
        m_prompts.message(MessageIcon::error, "USB Serial Port Error",
                          "Could not connect to the ZAV Gateway. Try reconnecting the USB cable.");
    }
    m_attached = false;
    m_attachedPort.clear();
}

bool GatewayDetector::openGatewayPort(const std::string& name)
{
    if (!m_port.open(name) || !m_port.applyDefaultSettings()) {
        m_port.close();
        return false;
    }
    // Settings the port cannot take are not reported: the gateway's debug output may just
    // look garbled until the user fixes them.
    (void)m_port.configure(m_configSettings);
    // RTS raised would tell the gateway a configuration conversation is in progress.
    (void)m_port.setRts(false);
    (void)m_port.setDtr(true);
    return true;
}

} // namespace quillan::device
