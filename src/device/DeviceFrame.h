#pragma once

#include "model/Bytes.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The device frame: 0xFF, command, 16-bit payload length, payload, CRC-16/ARC over everything
// before it. Multi-byte fields are little-endian.
namespace quillan::device {

inline constexpr uint8_t FRAME_START = 0xFF;
inline constexpr size_t FRAME_HEADER_SIZE = 4;
inline constexpr size_t FRAME_OVERHEAD = 6;
inline constexpr size_t FRAME_BUFFER_SIZE = 8192;
inline constexpr size_t MAX_PAYLOAD_SIZE = FRAME_BUFFER_SIZE - FRAME_OVERHEAD;

// Requests sent by the host.
inline constexpr uint8_t CMD_IDENTIFY = 1;
inline constexpr uint8_t CMD_ENQUIRE = 5;
inline constexpr uint8_t CMD_STORE_CONFIG = 29;
inline constexpr uint8_t CMD_READ_RADIO = 37;
inline constexpr uint8_t CMD_READ_BLOCK = 65; // also the gateway's reply carrying block data
inline constexpr uint8_t CMD_WRITE_BLOCK = 66;
inline constexpr uint8_t CMD_FLASH_BEGIN = 68;
inline constexpr uint8_t CMD_FLASH_DATA = 70;
inline constexpr uint8_t CMD_FLASH_END = 71;
inline constexpr uint8_t CMD_STORE_PROJECT = 77;
inline constexpr uint8_t CMD_READ_PROJECT = 78;
inline constexpr uint8_t CMD_QUERY_PROJECT = 80;

// Replies sent by the gateway.
inline constexpr uint8_t CMD_ACK = 6;
inline constexpr uint8_t CMD_IDENTITY = 14;
inline constexpr uint8_t CMD_NAK = 21;
inline constexpr uint8_t CMD_RADIO_INFO = 38;
inline constexpr uint8_t CMD_KEY_VALUE = 50;
inline constexpr uint8_t CMD_ACK_72 = 72;
inline constexpr uint8_t CMD_ACK_73 = 73;
inline constexpr uint8_t CMD_STATUS_CLEAR = 74;
inline constexpr uint8_t CMD_PROJECT_DATA = 79;
inline constexpr uint8_t CMD_DEVICE_TEXT = 86;

// Reply time-outs in milliseconds, per request.
inline constexpr int ENQUIRE_TIMEOUT_MS = 1000;
inline constexpr int ENQUIRE_ATTEMPTS = 6;
inline constexpr int IDENTIFY_TIMEOUT_MS = 1000;      // Node engine
inline constexpr int SESSION_BLOCK_TIMEOUT_MS = 2000; // every session reply, identify included
inline constexpr int STORE_CONFIG_TIMEOUT_MS = 5000;
inline constexpr int READ_RADIO_TIMEOUT_MS = 1000;
inline constexpr int READ_SECURITY_KEY_TIMEOUT_MS = 1000;
inline constexpr int WRITE_BLOCK_TIMEOUT_MS = 1000;
inline constexpr int FLASH_BEGIN_TIMEOUT_MS = 15000;
inline constexpr int FLASH_DATA_TIMEOUT_MS = 1000;
inline constexpr int FLASH_END_TIMEOUT_MS = 1000;
inline constexpr int STORE_PROJECT_TIMEOUT_MS = 3000;
inline constexpr int READ_PROJECT_TIMEOUT_MS = 3000;
inline constexpr int QUERY_PROJECT_TIMEOUT_MS = 1000;

// The block type of the site security key.
inline constexpr uint16_t BLOCK_SECURITY_KEY = 10;

// Writes one frame into out (capacity bytes); returns its size, or 0 when the payload is
// larger than MAX_PAYLOAD_SIZE or the frame does not fit. payload may lie inside out.
[[nodiscard]] size_t buildFrame(uint8_t* out, size_t capacity, uint8_t command,
                                const uint8_t* payload, size_t length);
// The same into a new vector; empty when the payload is too large.
[[nodiscard]] std::vector<uint8_t> makeFrame(uint8_t command, const uint8_t* payload = nullptr,
                                             size_t length = 0);
[[nodiscard]] inline std::vector<uint8_t> makeFrame(uint8_t command,
                                                    const std::vector<uint8_t>& payload)
{
    return makeFrame(command, payload.data(), payload.size());
}

// A complete frame at the start of bytes, checked: start byte, length and CRC.
struct ParsedFrame {
    uint8_t command = 0;
    std::vector<uint8_t> payload;
};
[[nodiscard]] std::optional<ParsedFrame> parseFrame(const uint8_t* bytes, size_t size);

// Copies a fixed-size record out of a payload; bytes the payload does not hold read as zero,
// never as the remains of an earlier reply.
template <size_t N>
void keepRecord(std::array<uint8_t, N>& record, const uint8_t* payload, size_t length)
{
    record.fill(0);
    std::copy(payload, payload + std::min(length, N), record.begin());
}

// Payload of CMD_READ_BLOCK from the host.
struct BlockRequest {
    static constexpr size_t SIZE = 4;

    uint16_t blockType = 0;
    uint16_t page = 0;

    [[nodiscard]] std::array<uint8_t, SIZE> encode() const;
    // None for a payload shorter than the request.
    [[nodiscard]] static std::optional<BlockRequest> decode(const uint8_t* payload, size_t length);
};

// The first six bytes of block data: type, page and the data byte count as sent.
struct BlockHeader {
    static constexpr size_t SIZE = 6;

    uint16_t blockType = 0;
    uint16_t page = 0;
    uint16_t byteCount = 0;

    void encode(uint8_t* out) const;
    // None for a payload shorter than the header; the count is not checked here.
    [[nodiscard]] static std::optional<BlockHeader> decode(const uint8_t* payload, size_t length);
};

// Payload of CMD_READ_BLOCK from the gateway and of CMD_WRITE_BLOCK from the host: the header,
// then the data.
struct BlockData {
    static constexpr size_t HEADER_SIZE = BlockHeader::SIZE;

    uint16_t blockType = 0;
    uint16_t page = 0;
    std::vector<uint8_t> data;

    [[nodiscard]] std::vector<uint8_t> encode() const;
    // The payload for data held elsewhere; the count field is the data's size.
    [[nodiscard]] static std::vector<uint8_t> encode(uint16_t blockType, uint16_t page,
                                                     const uint8_t* data, size_t count);
    // Refuses a payload shorter than its header or whose count promises more than it holds.
    [[nodiscard]] static std::optional<BlockData> decode(const uint8_t* payload, size_t length);
};

// Payload of CMD_IDENTITY; the device's reply is kept as these bytes.
struct IdentityRecord {
    static constexpr size_t SIZE = 16;
    static constexpr size_t VERSION_SIZE = 14;
    using Bytes = std::array<uint8_t, SIZE>;

    uint16_t deviceType = 0;
    std::string firmwareVersion; // "major.minor.third.build"

    // The version text keeps at most VERSION_SIZE - 1 characters, so it stays terminated.
    [[nodiscard]] Bytes encode() const;
    // Missing bytes read as zero.
    [[nodiscard]] static IdentityRecord decode(const uint8_t* payload, size_t length);
    [[nodiscard]] static IdentityRecord decode(const Bytes& bytes)
    {
        return decode(bytes.data(), bytes.size());
    }
};

// Payload of CMD_RADIO_INFO. Only the channel code is interpreted; the rest is kept.
struct RadioInfo {
    static constexpr size_t SIZE = 8;

    std::array<uint8_t, SIZE> bytes{};

    [[nodiscard]] uint16_t channelCode() const { return bytes::getU16(bytes.data()); }
};

// Payload of CMD_FLASH_DATA.
struct FirmwareChunk {
    static constexpr size_t MAX_DATA = 1024;
    static constexpr size_t HEADER_SIZE = 8;

    uint32_t address = 0;
    std::vector<uint8_t> data;

    [[nodiscard]] std::vector<uint8_t> encode() const;
};

} // namespace quillan::device
