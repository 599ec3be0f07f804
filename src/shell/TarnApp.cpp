#include "shell/TarnApp.h"

#include "platform/QtSerialLink.h"
#include "sim/SimulatorLink.h"

namespace quillan::shell {

TarnApp::TarnApp(SettingsStore& store, AppOptions options)
    : m_options(std::move(options)), m_settings(std::make_unique<ProjectSettings>(store)),
      m_document(std::make_unique<TarnDoc>(m_notifications, m_prompts))
{
    m_logFile.openLog(m_settings->configLogFile());
    m_factory.setSerialPortMaker(
        [this] { return std::make_unique<platform::QtSerialLink>(&m_notifications); });
    m_simulator = sim::addSimulatorPort(m_factory);
}

TarnApp::~TarnApp()
{
    // Workers are gone by now; nothing may wait for a window any more.
    m_notifications.release();
    m_workerPrompts.release();
    detachPort();
}

bool TarnApp::attachPort(const std::string& name)
{
    detachPort();
    auto link = device::openLinkByName(m_factory, name);
    if (!link) {
        return false;
    }
    m_link = std::move(link);
    m_portName = name;
    return true;
}

void TarnApp::detachPort()
{
    if (m_link) {
        m_link->close();
        m_link.reset();
    }
    m_portName.clear();
}

} // namespace quillan::shell
