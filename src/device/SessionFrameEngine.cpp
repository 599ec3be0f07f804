#include "device/SessionFrameEngine.h"

#include <algorithm>
#include <cstring>

namespace quillan::device {

SessionFrameEngine::SessionFrameEngine(SerialLink* link) : FrameEngine(FrameSync::startByte, link)
{
}

ReceiveStatus SessionFrameEngine::handleResponse(uint8_t command, const uint8_t* payload,
                                                 size_t length)
{
    switch (command) {
    case CMD_ACK:
    case CMD_ACK_72:
        return ReceiveStatus::ok;
    case CMD_IDENTITY:
        // Short payloads leave zeros rather than the remains of an earlier reply.
        m_identity.fill(0);
        std::memcpy(m_identity.data(), payload, std::min(length, m_identity.size()));
        return ReceiveStatus::ok;
    case CMD_READ_BLOCK:
        if (length < BlockData::HEADER_SIZE || !m_storeBlock ||
            !m_storeBlock(getLe16(payload), getLe16(payload + 2), payload + BlockData::HEADER_SIZE,
                          length - BlockData::HEADER_SIZE)) {
            return ReceiveStatus::refused;
        }
        return ReceiveStatus::ok;
    case CMD_NAK:
        return ReceiveStatus::nak;
    default:
        return ReceiveStatus::unknownReply;
    }
}

} // namespace quillan::device
