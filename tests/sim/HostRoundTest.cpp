#include "device/DeviceFrame.h"
#include "device/NodeFrameEngine.h"
#include "device/SessionFrameEngine.h"
#include "gateway/ZAVGateway.h"
#include "sim/SimulatorLink.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::sim;

namespace {

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
    ZAVGateway fresh(1, 0, 1);
    ASSERT_EQ(state.image, fresh.compileImage().image);
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
    EXPECT_EQ(image, expected);

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
    ConfigImage changed = expected;
    ASSERT_TRUE(changed.storeBlock(BlockType::modbusMap, 0, map));
    EXPECT_EQ(after, changed);
}

INSTANTIATE_TEST_SUITE_P(Images, HostRoundTest,
                         testing::Values(RoundCase{"NewGateway", 0},
                                         RoundCase{"ImportsOnTwoPages", 330}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
