#pragma once

#include "device/GatewayDetector.h"

#include <QObject>
#include <memory>
#include <string>

class QTimer;

namespace quillan::device {
class PortLister;
}

namespace quillan::shell {

class TarnApp;

// Keeps the gateway's port attached: the presence check at start, then a look at the port
// list once a second for the converter coming and going ("Disconnected from ZAV Gateway" on
// the Debug tab when it goes). The port is the one named by --port, else the "portOverride"
// setting, else the detected converter. While a device operation holds the port the checks
// leave it alone and catch up afterwards.
class PortWatcher final : public QObject {
    Q_OBJECT
public:
    static constexpr int POLL_INTERVAL_MS = 1000;

    PortWatcher(TarnApp& app, device::PortLister& lister, QObject* parent = nullptr);
    ~PortWatcher() override;

    // The presence check, then polling.
    void start();
    void stop();
    // One poll now: what the timer does each second.
    void poll();

    [[nodiscard]] device::GatewayDetector& detector() { return m_detector; }
    // The port tried before the converter; empty for none.
    [[nodiscard]] std::string portOverride() const;
    // The port the gateway is attached on; empty when none is.
    [[nodiscard]] std::string attachedPort() const;

Q_SIGNALS:
    // A check attached the gateway, on another port, or found it gone.
    void attachmentChanged(const std::string& port);

private:
    void syncSettings();
    void announce();

    TarnApp& m_app;
    device::GatewayDetector m_detector;
    QTimer* m_timer = nullptr;
    std::string m_override;
    std::string m_announced; // the port attachmentChanged named last
};

} // namespace quillan::shell
