#include "shell/TarnApp.h"

#include "device/ConfigPortLine.h"
#include "platform/QtSerialLink.h"
#include "sim/SimulatorLink.h"

namespace quillan::shell {

TarnApp::TarnApp(SettingsStore& store, AppOptions options)
    : m_store(store), m_options(std::move(options)),
      m_settings(std::make_unique<ProjectSettings>(store)),
      m_document(std::make_unique<TarnDoc>(m_notifications, m_prompts))
{
    m_logFile.openLog(m_settings->configLogFile());
    // The gateways this session makes start with the mode the user chose last.
    m_document->setDefaultConfigPortMode(
        static_cast<uint32_t>(m_settings->defaultConfigPortMode()));
    m_port.factory().setSerialPortMaker(
        [this] { return std::make_unique<platform::QtSerialLink>(&m_notifications); });
    m_simulator = sim::addSimulatorPort(m_port.factory());
}

TarnApp::~TarnApp()
{
    // Workers are gone by now; nothing may wait for a window any more.
    m_notifications.release();
    m_workerPrompts.release();
    detachPort();
}

device::LineSettings TarnApp::configPortLine()
{
    const device::ConfigPortLine read =
        device::configPortLine(m_settings->configBaudRate(), m_settings->configDataBits(),
                               m_settings->configParity(), m_settings->configStopBits());
    if (read.refused != m_refusedLine) {
        m_refusedLine = read.refused;
        if (!read.refused.empty()) {
            m_notifications.debugLine("The configuration port settings cannot be used as stored: " +
                                      read.refused + "; the defaults stand in for them.");
        }
    }
    return read.line;
}

bool TarnApp::attachPort(const std::string& name)
{
    return m_port.open(name);
}

void TarnApp::detachPort()
{
    m_port.close();
}

} // namespace quillan::shell
