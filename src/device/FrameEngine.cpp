#include "device/FrameEngine.h"

#include "device/SerialLink.h"

namespace quillan::device {

const char* receiveStatusText(ReceiveStatus status)
{
    switch (status) {
    case ReceiveStatus::ok:
        return "ok";
    case ReceiveStatus::timeout:
        return "no reply";
    case ReceiveStatus::badFrame:
        return "damaged reply";
    case ReceiveStatus::linkError:
        return "port failure";
    case ReceiveStatus::overflow:
        return "reply too long";
    }
    return "?";
}

FrameEngine::FrameEngine(FrameSync sync, SerialLink* link) : m_link(link), m_sync(sync) {}

bool FrameEngine::sendFrame(uint8_t command, const uint8_t* payload, size_t length)
{
    const size_t size = buildFrame(m_buffer.data(), m_buffer.size(), command, payload, length);
    if (size == 0 || m_link == nullptr || !m_link->isOpen()) {
        return false;
    }
    return m_link->write(m_buffer.data(), size);
}

bool FrameEngine::readReply(int timeoutMs)
{
    if (receive(timeoutMs) != ReceiveStatus::ok) {
        return false;
    }
    return handleResponse(m_buffer[1], receivedPayload(), receivedLength());
}

ReceiveStatus FrameEngine::receive(int timeoutMs, std::optional<uint8_t> requiredCommand)
{
    m_lastCommand.reset();
    prepareReceive();
    if (m_link == nullptr || !m_link->isOpen()) {
        return m_lastStatus = ReceiveStatus::linkError;
    }
    FrameReceiver receiver(m_buffer.data(), m_buffer.size(), m_sync, requiredCommand);
    for (;;) {
        switch (receiver.state()) {
        case FrameReceiver::State::complete:
            m_lastCommand = receiver.command();
            return m_lastStatus = ReceiveStatus::ok;
        case FrameReceiver::State::overflow:
            return m_lastStatus = ReceiveStatus::overflow;
        default:
            break;
        }
        const ReadResult r = m_link->read(receiver.writePosition(), receiver.wanted(), timeoutMs);
        if (r.status == ReadStatus::error) {
            return m_lastStatus = ReceiveStatus::linkError;
        }
        if (r.status == ReadStatus::timeout || r.count == 0) {
            return m_lastStatus = receiver.state() == FrameReceiver::State::rejected
                                      ? ReceiveStatus::badFrame
                                      : ReceiveStatus::timeout;
        }
        receiver.take(r.count);
    }
}

} // namespace quillan::device
