#include "device/SessionFrameEngine.h"

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
        keepRecord(m_identity, payload, length);
        return ReceiveStatus::ok;
    case CMD_READ_BLOCK: {
        // The data runs to the end of the frame, whatever the count field says.
        const auto header = BlockHeader::decode(payload, length);
        if (!header || !m_storeBlock ||
            !m_storeBlock(header->blockType, header->page, payload + BlockHeader::SIZE,
                          length - BlockHeader::SIZE)) {
            return ReceiveStatus::refused;
        }
        return ReceiveStatus::ok;
    }
    case CMD_NAK:
        return ReceiveStatus::nak;
    default:
        return ReceiveStatus::unknownReply;
    }
}

} // namespace quillan::device
