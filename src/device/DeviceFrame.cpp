#include "device/DeviceFrame.h"

#include "device/Crc16.h"

#include <algorithm>
#include <cstring>

namespace quillan::device {

size_t buildFrame(uint8_t* out, size_t capacity, uint8_t command, const uint8_t* payload,
                  size_t length)
{
    if (length > MAX_PAYLOAD_SIZE || length + FRAME_OVERHEAD > capacity) {
        return 0;
    }
    if (length > 0) {
        std::memmove(out + FRAME_HEADER_SIZE, payload, length);
    }
    out[0] = FRAME_START;
    out[1] = command;
    putLe16(out + 2, static_cast<uint16_t>(length));
    putLe16(out + FRAME_HEADER_SIZE + length, crc16Arc(out, FRAME_HEADER_SIZE + length));
    return length + FRAME_OVERHEAD;
}

std::vector<uint8_t> makeFrame(uint8_t command, const uint8_t* payload, size_t length)
{
    if (length > MAX_PAYLOAD_SIZE) {
        return {};
    }
    std::vector<uint8_t> frame(length + FRAME_OVERHEAD);
    const size_t size = buildFrame(frame.data(), frame.size(), command, payload, length);
    frame.resize(size);
    return frame;
}

std::optional<ParsedFrame> parseFrame(const uint8_t* bytes, size_t size)
{
    if (size < FRAME_OVERHEAD || bytes[0] != FRAME_START) {
        return std::nullopt;
    }
    const size_t length = getLe16(bytes + 2);
    if (size < length + FRAME_OVERHEAD || crc16Arc(bytes, FRAME_HEADER_SIZE + length) !=
                                              getLe16(bytes + FRAME_HEADER_SIZE + length)) {
        return std::nullopt;
    }
    ParsedFrame frame;
    frame.command = bytes[1];
    frame.payload.assign(bytes + FRAME_HEADER_SIZE, bytes + FRAME_HEADER_SIZE + length);
    return frame;
}

std::array<uint8_t, 4> BlockRequest::encode() const
{
    std::array<uint8_t, 4> out{};
    putLe16(out.data(), blockType);
    putLe16(out.data() + 2, page);
    return out;
}

std::vector<uint8_t> BlockData::encode() const
{
    std::vector<uint8_t> out(HEADER_SIZE + data.size());
    putLe16(out.data(), blockType);
    putLe16(out.data() + 2, page);
    putLe16(out.data() + 4, static_cast<uint16_t>(data.size()));
    std::copy(data.begin(), data.end(), out.begin() + HEADER_SIZE);
    return out;
}

std::optional<BlockData> BlockData::decode(const uint8_t* payload, size_t length)
{
    if (length < HEADER_SIZE) {
        return std::nullopt;
    }
    const size_t count = getLe16(payload + 4);
    if (count > length - HEADER_SIZE) {
        return std::nullopt;
    }
    BlockData block;
    block.blockType = getLe16(payload);
    block.page = getLe16(payload + 2);
    block.data.assign(payload + HEADER_SIZE, payload + HEADER_SIZE + count);
    return block;
}

std::array<uint8_t, IdentityRecord::SIZE> IdentityRecord::encode() const
{
    std::array<uint8_t, SIZE> out{};
    putLe16(out.data(), deviceType);
    // The last byte stays zero so the version text is always terminated.
    const size_t n = std::min(firmwareVersion.size(), VERSION_SIZE - 1);
    std::memcpy(out.data() + 2, firmwareVersion.data(), n);
    return out;
}

IdentityRecord IdentityRecord::decode(const uint8_t* payload, size_t length)
{
    std::array<uint8_t, SIZE> bytes{};
    std::memcpy(bytes.data(), payload, std::min(length, SIZE));
    IdentityRecord record;
    record.deviceType = getLe16(bytes.data());
    const char* text = reinterpret_cast<const char*>(bytes.data() + 2);
    record.firmwareVersion.assign(text, strnlen(text, VERSION_SIZE));
    return record;
}

std::vector<uint8_t> FirmwareChunk::encode() const
{
    if (data.size() > MAX_DATA) {
        return {};
    }
    std::vector<uint8_t> out(HEADER_SIZE + data.size());
    putLe32(out.data(), address);
    putLe32(out.data() + 4, static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), out.begin() + HEADER_SIZE);
    return out;
}

} // namespace quillan::device
