#include "device/DeviceFrame.h"

#include "device/Crc16.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace quillan::device;

TEST(Crc16, ArcCheckValueAndModbusContinuation)
{
    const char* check = "123456789";
    const auto* bytes = reinterpret_cast<const uint8_t*>(check);
    EXPECT_EQ(crc16Arc(bytes, 9), 0xBB3D);
    EXPECT_EQ(crc16Update(0xFFFF, bytes, 9), 0x4B37); // CRC-16/MODBUS check value
    EXPECT_EQ(crc16Arc(bytes, 0), 0x0000);
}

TEST(DeviceFrame, EmptyRequestIsSixBytesWithCrcLowByteFirst)
{
    const std::vector<uint8_t> frame = makeFrame(CMD_ENQUIRE);
    ASSERT_EQ(frame.size(), 6u);
    const uint16_t crc = crc16Arc(frame.data(), 4);
    EXPECT_EQ(frame,
              (std::vector<uint8_t>{0xFF, CMD_ENQUIRE, 0x00, 0x00, static_cast<uint8_t>(crc & 0xFF),
                                    static_cast<uint8_t>(crc >> 8)}));
}

TEST(DeviceFrame, PayloadLimitIsOneBuffer)
{
    const std::vector<uint8_t> largest(MAX_PAYLOAD_SIZE, 0x5A);
    const std::vector<uint8_t> frame = makeFrame(CMD_STORE_PROJECT, largest);
    EXPECT_EQ(frame.size(), FRAME_BUFFER_SIZE);
    EXPECT_EQ(quillan::bytes::getU16(frame.data() + 2), MAX_PAYLOAD_SIZE);

    const std::vector<uint8_t> tooLarge(MAX_PAYLOAD_SIZE + 1);
    EXPECT_TRUE(makeFrame(CMD_STORE_PROJECT, tooLarge).empty());
    uint8_t small[10];
    EXPECT_EQ(buildFrame(small, sizeof small, CMD_ACK, largest.data(), 5), 0u);
}

TEST(DeviceFrame, ParseChecksStartLengthAndCrc)
{
    const std::vector<uint8_t> payload{1, 2, 3};
    std::vector<uint8_t> frame = makeFrame(CMD_KEY_VALUE, payload);
    const auto parsed = parseFrame(frame.data(), frame.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->command, CMD_KEY_VALUE);
    EXPECT_EQ(parsed->payload, payload);

    EXPECT_FALSE(parseFrame(frame.data(), frame.size() - 1)); // truncated
    frame[5] ^= 0x01;
    EXPECT_FALSE(parseFrame(frame.data(), frame.size())); // payload changed under its CRC
    frame[5] ^= 0x01;
    frame[0] = 0xFE;
    EXPECT_FALSE(parseFrame(frame.data(), frame.size()));
}

TEST(DeviceFrame, WriteBlockOfThreeHundredTwentyImportRecords)
{
    BlockData block;
    block.blockType = 5;
    block.page = 1;
    block.data.assign(320 * 24, 0xA5);
    const std::vector<uint8_t> payload = block.encode();
    EXPECT_EQ(payload.size(), 7686u);
    const std::vector<uint8_t> frame = makeFrame(CMD_WRITE_BLOCK, payload);
    EXPECT_EQ(frame.size(), 7692u);

    const auto decoded = BlockData::decode(payload.data(), payload.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->blockType, 5);
    EXPECT_EQ(decoded->page, 1);
    EXPECT_EQ(decoded->data, block.data);
}

TEST(DeviceFrame, BlockDataRefusesCountBeyondPayload)
{
    std::vector<uint8_t> payload = BlockData{10, 0, {1, 2, 3, 4}}.encode();
    EXPECT_TRUE(BlockData::decode(payload.data(), payload.size()));
    quillan::bytes::putU16(payload.data() + 4, 5);
    EXPECT_FALSE(BlockData::decode(payload.data(), payload.size()));
    EXPECT_FALSE(BlockData::decode(payload.data(), 5));
}

TEST(DeviceFrame, PayloadRecords)
{
    const IdentityRecord identity{12, "1.5.0.14"};
    const auto bytes = identity.encode();
    EXPECT_EQ(bytes[0], 12);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 2, "1.5.0.14\0", 9), 0);
    const IdentityRecord back = IdentityRecord::decode(bytes.data(), bytes.size());
    EXPECT_EQ(back.deviceType, 12);
    EXPECT_EQ(back.firmwareVersion, "1.5.0.14");

    // A version text filling all 14 bytes without its zero stops at the record's end.
    std::array<uint8_t, 16> full{};
    full[0] = 12;
    std::memset(full.data() + 2, '9', 14);
    EXPECT_EQ(IdentityRecord::decode(full.data(), full.size()).firmwareVersion,
              std::string(14, '9'));

    EXPECT_EQ((BlockRequest{10, 0}.encode()), (std::array<uint8_t, 4>{10, 0, 0, 0}));

    FirmwareChunk chunk{0x00012345, {0xDE, 0xAD}};
    EXPECT_EQ(chunk.encode(),
              (std::vector<uint8_t>{0x45, 0x23, 0x01, 0x00, 0x02, 0, 0, 0, 0xDE, 0xAD}));
    chunk.data.assign(FirmwareChunk::MAX_DATA + 1, 0);
    EXPECT_TRUE(chunk.encode().empty());

    RadioInfo radio;
    radio.bytes = {31, 0, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(radio.channelCode(), 31);
}
