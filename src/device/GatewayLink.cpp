#include "device/GatewayLink.h"

#include "device/ResultCodes.h"
#include "device/SerialLink.h"
#include "model/Notifications.h"

#include <array>

namespace quillan::device {

namespace {

constexpr size_t KEY_SIZE = 4;

} // namespace

GatewayLink::GatewayLink(DeviceServices services, std::string gatewayName, LinkTimings timings)
    : m_services(std::move(services)), m_gatewayName(std::move(gatewayName)), m_timings(timings),
      m_engine(m_state, &m_services.link)
{
    m_engine.setTrace(m_services.trace);
    if (m_services.stop != nullptr) {
        m_engine.useStopToken(*m_services.stop);
    }
    m_engine.setNakHandler([this] { reportStatus(22, false); });
    m_engine.setStoreConfigBlock(
        [this](uint16_t blockType, const uint8_t* data, uint16_t /*page*/, uint16_t byteCount) {
            // The key read is the only block request on this path.
            if (blockType != BLOCK_SECURITY_KEY || byteCount != KEY_SIZE) {
                return false;
            }
            m_state.keyValue = bytes::getU32(data);
            return true;
        });
}

bool GatewayLink::openLink()
{
    if (m_services.debugOutput != nullptr) {
        m_services.debugOutput->suspend();
    }
    SerialLink& port = m_services.link;
    if (!port.isOpen()) {
        reportStatus(20, false);
        return false;
    }
    m_holdsPort = true;
    (void)port.configure(DEVICE_LINE_SETTINGS);
    (void)port.setRts(true);
    (void)port.purge(true, true);
    pause(m_timings.openSettleMs);
    return true;
}

void GatewayLink::closeLink()
{
    if (m_holdsPort) {
        pause(m_timings.closeDrainMs);
        (void)m_services.link.setRts(false);
        pause(m_timings.closeSettleMs);
        m_holdsPort = false;
    }
    if (m_services.debugOutput != nullptr) {
        m_services.debugOutput->activate();
    }
}

void GatewayLink::pause(int ms)
{
    // A wait of nothing would still sleep for the timer's slack.
    if (ms > 0) {
        (void)m_engine.pause(ms);
    }
}

void GatewayLink::endConversation()
{
    m_state.linkFlag = false;
    closeLink();
}

bool GatewayLink::enquire()
{
    bool answered = false;
    for (int attempt = 0; attempt < ENQUIRE_ATTEMPTS && !answered; ++attempt) {
        answered = m_engine.sendFrame(CMD_ENQUIRE) && m_engine.readReply(m_timings.enquireMs);
    }
    m_state.linkFlag = answered;
    return answered;
}

bool GatewayLink::identify()
{
    m_state.clearIdentity();
    return m_engine.sendFrame(CMD_IDENTIFY) && m_engine.readReply(m_timings.identifyMs);
}

bool GatewayLink::identifyDevice()
{
    progress(MSG_WRITE_PROGRESS, 31, 0);
    if (identify()) {
        return true;
    }
    progress(MSG_SESSION_FAILED);
    reportStatus(24, true);
    return false;
}

bool GatewayLink::readRadio()
{
    m_state.clearRadioInfo();
    return m_engine.sendFrame(CMD_READ_RADIO) && m_engine.readReply(m_timings.readRadioMs);
}

bool GatewayLink::readSecurityKey()
{
    return m_engine.sendReadSecurityKey() && m_engine.readReply(m_timings.securityKeyMs);
}

bool GatewayLink::writeSecurityKey(uint32_t key)
{
    m_state.keyValue = key;
    std::array<uint8_t, KEY_SIZE> data{};
    bytes::putU32(data.data(), key);
    return writeBlock(BLOCK_SECURITY_KEY, 0, data);
}

bool GatewayLink::writeBlock(uint16_t blockType, uint16_t page, std::span<const uint8_t> data)
{
    return m_engine.sendWriteBlock(blockType, page, data.data(), data.size()) &&
           m_engine.readReply(m_timings.writeBlockMs);
}

bool GatewayLink::storeConfiguration()
{
    return m_engine.sendFrame(CMD_STORE_CONFIG) && m_engine.readReply(m_timings.storeConfigMs);
}

std::optional<uint32_t> GatewayLink::queryProjectFileStored()
{
    if (!m_engine.sendQueryProject()) {
        return std::nullopt;
    }
    return m_engine.readProjectFileStored(m_timings.queryProjectMs);
}

std::optional<std::vector<uint8_t>> GatewayLink::requestProjectFile()
{
    if (!m_engine.sendReadProject()) {
        return std::nullopt;
    }
    return m_engine.readProjectData(m_timings.readProjectMs);
}

bool GatewayLink::storeProjectFile(std::span<const uint8_t> packed)
{
    return m_engine.sendFrame(CMD_STORE_PROJECT, packed.data(), packed.size()) &&
           m_engine.readReply(m_timings.storeProjectMs);
}

void GatewayLink::reportStatus(int code, bool close)
{
    m_reported.push_back(code);
    m_services.notifications.outputLine(
        resultText(code, {m_gatewayName, GATEWAY_DISPLAY_NAME, m_state.deviceType()}));
    if (close) {
        endConversation();
    }
}

void GatewayLink::progress(int code, int step, int page)
{
    m_services.notifications.send(code, step, page);
}

} // namespace quillan::device
