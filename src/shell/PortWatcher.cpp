#include "shell/PortWatcher.h"

#include "shell/TarnApp.h"

#include <QTimer>

namespace quillan::shell {

PortWatcher::PortWatcher(TarnApp& app, device::PortLister& lister, QObject* parent)
    : QObject(parent), m_app(app),
      m_detector(app.port(), lister, app.notifications(), app.prompts())
{
    m_detector.setStoreConfigPort([this](const std::string& name) {
        // The simulator is no port the user could name in the options.
        if (name != device::SIMULATOR_PORT_NAME) {
            m_app.settings().setConfigPort(name);
        }
    });
    m_timer = new QTimer(this);
    m_timer->setInterval(POLL_INTERVAL_MS);
    connect(m_timer, &QTimer::timeout, this, &PortWatcher::poll);
}

PortWatcher::~PortWatcher() = default;

std::string PortWatcher::portOverride() const
{
    if (m_app.options().port) {
        return *m_app.options().port;
    }
    return m_app.settings().portOverride();
}

std::string PortWatcher::attachedPort() const
{
    return m_app.gatewayAttached() ? m_app.portName() : std::string();
}

void PortWatcher::announce()
{
    const std::string port = attachedPort();
    if (port != m_announced) {
        m_announced = port;
        Q_EMIT attachmentChanged(port);
    }
}

void PortWatcher::syncSettings()
{
    m_detector.setPortBusy(m_app.portBusy());
    m_detector.setConfigPortSettings(m_app.configPortLine());
    const std::string wanted = portOverride();
    if (wanted != m_override) {
        m_override = wanted;
        m_detector.setPortOverride(wanted);
    }
}

void PortWatcher::start()
{
    syncSettings();
    m_detector.detectGateway();
    announce();
    m_timer->start();
}

void PortWatcher::stop()
{
    m_timer->stop();
}

void PortWatcher::poll()
{
    const std::string before = m_override;
    syncSettings();
    if (m_override != before && !m_app.portBusy()) {
        // The user named another port in the options: try it now, not at the next unplug.
        m_detector.detectGateway();
    } else {
        m_detector.poll();
    }
    announce();
}

} // namespace quillan::shell
