#include "SimTestSupport.h"
#include "device/DeviceFrame.h"
#include "device/NodeFrameEngine.h"
#include "device/SessionFrameEngine.h"
#include "sim/SimulatorLink.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::sim;
using namespace quillan::simtest;

namespace {

// A new gateway's image, worked out by hand: these runs of bytes, and zero everywhere else.
struct ImageRun {
    size_t offset;
    Bytes bytes;
};

const ImageRun NEW_GATEWAY_IMAGE[] = {
    // COM1 (CONFIG): 57600 baud, 8 data bits, 1 stop bit, no parity, DEBUG, slave 1.
    {6, {0x00, 0xE1, 0x00, 0x00, 0x08, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00}},
    // COM2 (RS485): 9600 baud, 8N1, MODBUS MASTER, slave 1, the RS-485 line.
    {18, {0x80, 0x25, 0x00, 0x00, 0x08, 0x01, 0x01, 0x03, 0x01, 0x00, 0x10, 0x00}},
    // COM3 (RTU): 9600 baud, 8N1, MODBUS SLAVE, slave 1, 32-bit values split.
    {30, {0x80, 0x25, 0x00, 0x00, 0x08, 0x01, 0x01, 0x02, 0x01, 0x00, 0x01, 0x00}},
    // Radio: group 0 node 0, 3 retries, group mask 0xFFFF, channel 0, no flags.
    {42, {0x00, 0x00, 0x03, 0x00, 0xFF, 0xFF, 0x00, 0x00}},
    // One data store point, VIN: size word 4, FLOAT.
    {92, {0x01, 0x00, 0x04, 0x00, 0x02, 0x00}},
    // One import record: point 0, local channel 0, every second, zero bit set, gain 40/4096,
    // offset 0.3.
    {1'374, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00,
             0x00, 0x20, 0x3C, 0x9A, 0x99, 0x99, 0x3E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
};

// Reads a whole configuration the way the device session does, into a cleared image.
bool readConfiguration(SessionFrameEngine& session, ConfigImage& image)
{
    bool stored = true;
    session.setStoreBlock([&](uint16_t type, uint16_t page, const uint8_t* data, size_t length) {
        stored = image.storeBlock(static_cast<BlockType>(type), page, {data, length});
        return stored;
    });
    const auto read = [&](uint16_t type, uint16_t page) {
        const std::array<uint8_t, 4> request = BlockRequest{type, page}.encode();
        return session.sendFrame(CMD_READ_BLOCK, request.data(), request.size()) &&
               session.readReply(SESSION_BLOCK_TIMEOUT_MS) && stored;
    };
    for (const uint16_t type : {0, 1, 2, 3}) {
        if (!read(type, 0)) {
            return false;
        }
    }
    for (const uint16_t type : {4, 5, 6, 7}) {
        const auto table = static_cast<BlockType>(type);
        unsigned total = 0;
        for (uint16_t page = 0; page < ConfigImage::kTablePages; ++page) {
            if (page > 0 && total < ConfigImage::kRecordsPerPage * page) {
                break;
            }
            if (!read(type, page)) {
                return false;
            }
            total += image.pageCount(table, page);
        }
    }
    // Version 1.5.0.14 passes both version gates.
    for (const uint16_t type : {9, 23, 24, 10}) {
        if (!read(type, 0)) {
            return false;
        }
    }
    return true;
}

struct RoundCase {
    const char* name;
    unsigned imports; // extra import records on top of the new gateway's
};

class HostRoundTest : public testing::TestWithParam<RoundCase> {};

TEST_P(HostRoundTest, HostEnginesReadBackTheImageAndWriteABlock)
{
    SimulatorState state = SimulatorState::newGateway();
    ConfigImage byHand;
    for (const ImageRun& run : NEW_GATEWAY_IMAGE) {
        std::copy(run.bytes.begin(), run.bytes.end(),
                  byHand.bytes().begin() + static_cast<std::ptrdiff_t>(run.offset));
    }
    ASSERT_EQ(firstDifference(state.image, byHand), "");
    // A table beyond page 0 makes the reader follow the pages.
    int32_t counter = state.image.pageCount(BlockType::imports, 0);
    for (unsigned i = 0; i < GetParam().imports; ++i) {
        ImportRecord record;
        record.index = static_cast<uint16_t>(i);
        record.gain = 1.5f;
        record.interval = i;
        state.image.write(*state.image.appendRecord(BlockType::imports, counter), record);
    }
    const ConfigImage expected = state.image;

    device::LinkFactory factory;
    SimulatorOptions options;
    options.state = state;
    options.lineTiming = false;
    addSimulatorPort(factory, options);
    auto link = openLinkByName(factory, SIMULATOR_PORT_NAME);
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(link->configure(DEVICE_LINE_SETTINGS));
    ASSERT_TRUE(link->setRts(true));

    LinkState linkState;
    NodeFrameEngine node(linkState, link.get());
    ASSERT_TRUE(node.sendFrame(CMD_ENQUIRE));
    linkState.linkFlag = node.readReply(ENQUIRE_TIMEOUT_MS);
    ASSERT_TRUE(linkState.linkFlag);
    ASSERT_TRUE(node.sendFrame(CMD_IDENTIFY));
    ASSERT_TRUE(node.readReply(IDENTIFY_TIMEOUT_MS));
    EXPECT_EQ(linkState.deviceType(), 12);
    EXPECT_EQ(linkState.firmwareVersion(), "1.5.0.14");
    ASSERT_TRUE(node.sendFrame(CMD_READ_RADIO));
    ASSERT_TRUE(node.readReply(READ_RADIO_TIMEOUT_MS));
    EXPECT_EQ(linkState.radioInfo.channelCode(), 5);

    SessionFrameEngine session(link.get());
    ConfigImage image;
    ASSERT_TRUE(readConfiguration(session, image));
    EXPECT_EQ(firstDifference(image, expected), "");

    // Update Device's way of writing: a block, acknowledged, then the store.
    std::vector<uint8_t> map(3 * MapRecord::kSize);
    for (size_t i = 0; i < map.size(); ++i) {
        map[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    ASSERT_TRUE(node.sendWriteBlock(7, 0, map.data(), map.size()));
    ASSERT_TRUE(node.readReply(WRITE_BLOCK_TIMEOUT_MS));
    ASSERT_TRUE(node.sendFrame(CMD_STORE_CONFIG));
    ASSERT_TRUE(node.readReply(STORE_CONFIG_TIMEOUT_MS));

    ConfigImage after;
    ASSERT_TRUE(readConfiguration(session, after));
    const auto block = after.blockBytes(BlockType::modbusMap, 0);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.end()), map);
    // The map's page-0 count (at 13,538) becomes 3 and its records follow it.
    ConfigImage changed = expected;
    changed.bytes()[13'538] = 3;
    std::copy(map.begin(), map.end(), changed.bytes().begin() + 13'540);
    EXPECT_EQ(firstDifference(after, changed), "");
}

INSTANTIATE_TEST_SUITE_P(Images, HostRoundTest,
                         testing::Values(RoundCase{"NewGateway", 0},
                                         RoundCase{"ImportsOnTwoPages", 330}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
