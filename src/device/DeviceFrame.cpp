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
    bytes::putU16(out + 2, static_cast<uint16_t>(length));
    bytes::putU16(out + FRAME_HEADER_SIZE + length, crc16Arc(out, FRAME_HEADER_SIZE + length));
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
    const size_t length = bytes::getU16(bytes + 2);
    if (size < length + FRAME_OVERHEAD || crc16Arc(bytes, FRAME_HEADER_SIZE + length) !=
                                              bytes::getU16(bytes + FRAME_HEADER_SIZE + length)) {
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
    bytes::putU16(out.data(), blockType);
    bytes::putU16(out.data() + 2, page);
    return out;
}

std::optional<BlockRequest> BlockRequest::decode(const uint8_t* payload, size_t length)
{
    if (length < SIZE) {
        return std::nullopt;
    }
    return BlockRequest{bytes::getU16(payload), bytes::getU16(payload + 2)};
}

void BlockHeader::encode(uint8_t* out) const
{
    bytes::putU16(out, blockType);
    bytes::putU16(out + 2, page);
    bytes::putU16(out + 4, byteCount);
}

std::optional<BlockHeader> BlockHeader::decode(const uint8_t* payload, size_t length)
{
    if (length < SIZE) {
        return std::nullopt;
    }
    return BlockHeader{bytes::getU16(payload), bytes::getU16(payload + 2),
                       bytes::getU16(payload + 4)};
}

std::vector<uint8_t> BlockData::encode(uint16_t blockType, uint16_t page, const uint8_t* data,
                                       size_t count)
{
    std::vector<uint8_t> out(HEADER_SIZE + count);
    BlockHeader{blockType, page, static_cast<uint16_t>(count)}.encode(out.data());
    std::copy(data, data + count, out.begin() + HEADER_SIZE);
    return out;
}

std::vector<uint8_t> BlockData::encode() const
{
    return encode(blockType, page, data.data(), data.size());
}

std::optional<BlockData> BlockData::decode(const uint8_t* payload, size_t length)
{
    const auto header = BlockHeader::decode(payload, length);
    if (!header || header->byteCount > length - HEADER_SIZE) {
        return std::nullopt;
    }
    BlockData block;
    block.blockType = header->blockType;
    block.page = header->page;
    block.data.assign(payload + HEADER_SIZE, payload + HEADER_SIZE + header->byteCount);
    return block;
}

IdentityRecord::Bytes IdentityRecord::encode() const
{
    std::array<uint8_t, SIZE> out{};
    bytes::putU16(out.data(), deviceType);
    // The last byte stays zero so the version text is always terminated.
    const size_t n = std::min(firmwareVersion.size(), VERSION_SIZE - 1);
    std::memcpy(out.data() + 2, firmwareVersion.data(), n);
    return out;
}

IdentityRecord IdentityRecord::decode(const uint8_t* payload, size_t length)
{
    Bytes kept;
    keepRecord(kept, payload, length);
    IdentityRecord record;
    record.deviceType = bytes::getU16(kept.data());
    const char* text = reinterpret_cast<const char*>(kept.data() + 2);
    record.firmwareVersion.assign(text, strnlen(text, VERSION_SIZE));
    return record;
}

std::vector<uint8_t> FirmwareChunk::encode() const
{
    if (data.size() > MAX_DATA) {
        return {};
    }
    std::vector<uint8_t> out(HEADER_SIZE + data.size());
    bytes::putU32(out.data(), address);
    bytes::putU32(out.data() + 4, static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), out.begin() + HEADER_SIZE);
    return out;
}

} // namespace quillan::device
