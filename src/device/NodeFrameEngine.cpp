#include "device/NodeFrameEngine.h"

#include "device/SerialLink.h"

#include <algorithm>
#include <cstring>

namespace quillan::device {

NodeFrameEngine::NodeFrameEngine(LinkState& state, SerialLink* link)
    : FrameEngine(FrameSync::firstByte, link), m_state(state)
{
}

void NodeFrameEngine::prepareSend()
{
    // Stale bytes (debug text, a late reply) go before the request, not after it: a device
    // that answers at once would otherwise have its reply purged with them.
    if (link() != nullptr && link()->isOpen()) {
        (void)link()->purge(true, true);
    }
}

void NodeFrameEngine::prepareReceive()
{
    clearFrameBuffer();
}

bool NodeFrameEngine::sendWriteBlock(uint16_t blockType, uint16_t page, const uint8_t* data,
                                     size_t byteCount)
{
    if (!m_state.linkFlag || byteCount > MAX_PAYLOAD_SIZE - BlockData::HEADER_SIZE) {
        return false;
    }
    const std::vector<uint8_t> payload = BlockData::encode(blockType, page, data, byteCount);
    return sendFrame(CMD_WRITE_BLOCK, payload.data(), payload.size());
}

bool NodeFrameEngine::sendSixByteRequest(uint8_t command, uint16_t first, uint16_t second)
{
    if (!m_state.linkFlag) {
        return false;
    }
    // Only the first four bytes carry a meaning; the last two are sent as zeros.
    std::array<uint8_t, 6> payload{};
    bytes::putU16(payload.data(), first);
    bytes::putU16(payload.data() + 2, second);
    return sendFrame(command, payload.data(), payload.size());
}

bool NodeFrameEngine::sendReadSecurityKey()
{
    return sendSixByteRequest(CMD_READ_BLOCK, BLOCK_SECURITY_KEY, 0);
}

bool NodeFrameEngine::sendReadProject()
{
    return sendSixByteRequest(CMD_READ_PROJECT, 0, 0);
}

bool NodeFrameEngine::sendQueryProject()
{
    return sendSixByteRequest(CMD_QUERY_PROJECT, 0, 0);
}

std::optional<std::vector<uint8_t>> NodeFrameEngine::readProjectData(int timeoutMs)
{
    if (receive(timeoutMs, CMD_PROJECT_DATA) != ReceiveStatus::ok) {
        return std::nullopt;
    }
    if (receivedLength() == 0) {
        setLastReceiveStatus(ReceiveStatus::refused);
        return std::nullopt;
    }
    return std::vector<uint8_t>(receivedPayload(), receivedPayload() + receivedLength());
}

std::optional<uint32_t> NodeFrameEngine::readProjectFileStored(int timeoutMs)
{
    if (receive(timeoutMs, CMD_PROJECT_DATA) != ReceiveStatus::ok) {
        return std::nullopt;
    }
    std::array<uint8_t, 4> value{};
    keepRecord(value, receivedPayload(), receivedLength());
    return bytes::getU32(value.data());
}

ReceiveStatus NodeFrameEngine::handleResponse(uint8_t command, const uint8_t* payload,
                                              size_t length)
{
    const auto accepted = [](bool ok) { return ok ? ReceiveStatus::ok : ReceiveStatus::refused; };
    switch (command) {
    case CMD_ACK:
    case CMD_ACK_72:
    case CMD_ACK_73:
        return ReceiveStatus::ok;
    case CMD_IDENTITY:
        keepRecord(m_state.identity, payload, length);
        return ReceiveStatus::ok;
    case CMD_NAK:
        if (m_nakHandler) {
            m_nakHandler();
        }
        return ReceiveStatus::nak;
    case CMD_RADIO_INFO:
        keepRecord(m_state.radioInfo.bytes, payload, length);
        return ReceiveStatus::ok;
    case CMD_KEY_VALUE: {
        std::array<uint8_t, 4> key{};
        keepRecord(key, payload, length);
        m_state.keyValue = bytes::getU32(key.data());
        return ReceiveStatus::ok;
    }
    case CMD_READ_BLOCK: {
        // A count that promises more than the payload holds is a garbled reply.
        const auto header = BlockHeader::decode(payload, length);
        if (!header || header->byteCount > length - BlockHeader::SIZE || !m_storeConfigBlock) {
            return ReceiveStatus::refused;
        }
        return accepted(m_storeConfigBlock(header->blockType, payload + BlockHeader::SIZE,
                                           header->page, header->byteCount));
    }
    case CMD_STATUS_CLEAR:
        return accepted(length >= 20 &&
                        std::all_of(payload, payload + 20, [](uint8_t b) { return b == 0; }));
    case CMD_PROJECT_DATA:
        m_state.projectFileFlag = length > 0 && payload[0] != 0 ? 1 : 0;
        return ReceiveStatus::ok;
    case CMD_DEVICE_TEXT:
        keepRecord(m_state.deviceText, payload, length);
        return ReceiveStatus::ok;
    default:
        return ReceiveStatus::unknownReply;
    }
}

} // namespace quillan::device
