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
    case ReceiveStatus::truncated:
        return "reply cut off";
    case ReceiveStatus::badFrame:
        return "damaged reply";
    case ReceiveStatus::linkError:
        return "port failure";
    case ReceiveStatus::overflow:
        return "reply too long";
    case ReceiveStatus::cancelled:
        return "cancelled";
    case ReceiveStatus::nak:
        return "negative acknowledge";
    case ReceiveStatus::unknownReply:
        return "unexpected reply";
    case ReceiveStatus::refused:
        return "reply not accepted";
    }
    return "?";
}

FrameEngine::FrameEngine(FrameSync sync, SerialLink* link) : m_link(link), m_sync(sync) {}

bool FrameEngine::sendFrame(uint8_t command, const uint8_t* payload, size_t length)
{
    m_lastWrite.reset();
    SerialLink* link = m_link;
    const size_t size = buildFrame(m_buffer.data(), m_buffer.size(), command, payload, length);
    if (size == 0 || link == nullptr || isCancelled() || !link->isOpen()) {
        return false;
    }
    prepareSend();
    if (m_trace) {
        m_trace(TraceDirection::sent, {m_buffer.data(), size});
    }
    m_lastWrite = link->write(m_buffer.data(), size);
    return m_lastWrite == WriteStatus::ok;
}

bool FrameEngine::readReply(int timeoutMs)
{
    if (receive(timeoutMs) != ReceiveStatus::ok) {
        return false;
    }
    m_lastStatus = handleResponse(m_buffer[1], receivedPayload(), receivedLength());
    return m_lastStatus == ReceiveStatus::ok;
}

void FrameEngine::cancel()
{
    m_stop->requestStop();
    if (SerialLink* link = m_link) {
        link->cancel();
    }
}

void FrameEngine::resetCancel()
{
    m_stop->reset();
    if (SerialLink* link = m_link) {
        link->resetCancel();
    }
}

ReceiveStatus FrameEngine::receive(int timeoutMs, std::optional<uint8_t> requiredCommand)
{
    m_lastCommand.reset();
    if (isCancelled()) {
        return m_lastStatus = ReceiveStatus::cancelled;
    }
    prepareReceive();
    SerialLink* link = m_link;
    if (link == nullptr || !link->isOpen()) {
        return m_lastStatus = ReceiveStatus::linkError;
    }
    FrameReceiver receiver(m_buffer.data(), m_buffer.size(), m_sync, requiredCommand);
    for (;;) {
        switch (receiver.state()) {
        case FrameReceiver::State::complete:
            m_lastCommand = receiver.command();
            if (m_trace) {
                m_trace(TraceDirection::received,
                        {m_buffer.data(), receiver.payloadLength() + FRAME_OVERHEAD});
            }
            return m_lastStatus = ReceiveStatus::ok;
        case FrameReceiver::State::overflow:
            return m_lastStatus = ReceiveStatus::overflow;
        default:
            break;
        }
        const ReadResult r = link->read(receiver.writePosition(), receiver.wanted(), timeoutMs);
        if (r.status == ReadStatus::cancelled) {
            return m_lastStatus = ReceiveStatus::cancelled;
        }
        if (r.status == ReadStatus::error) {
            return m_lastStatus = ReceiveStatus::linkError;
        }
        if (r.status == ReadStatus::timeout || r.count == 0) {
            if (receiver.state() == FrameReceiver::State::rejected) {
                return m_lastStatus = ReceiveStatus::badFrame;
            }
            // Noise skipped before a start byte is not part of a reply.
            return m_lastStatus =
                       receiver.gathered() > 0 ? ReceiveStatus::truncated : ReceiveStatus::timeout;
        }
        receiver.take(r.count);
    }
}

} // namespace quillan::device
