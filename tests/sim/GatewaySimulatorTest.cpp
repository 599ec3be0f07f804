#include "SimTestSupport.h"
#include "device/DeviceFrame.h"
#include "device/NodeFrameEngine.h"
#include "sim/FirmwareMemory.h"
#include "sim/SimulatorLink.h"

#include <gtest/gtest.h>
#include <optional>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::sim;
using quillan::simtest::Bytes;

namespace {

Bytes blockPayload(uint16_t type, uint16_t page, const Bytes& data,
                   std::optional<uint16_t> count = std::nullopt)
{
    Bytes payload(6);
    bytes::putU16(payload.data(), type);
    bytes::putU16(payload.data() + 2, page);
    bytes::putU16(payload.data() + 4, count.value_or(static_cast<uint16_t>(data.size())));
    payload.insert(payload.end(), data.begin(), data.end());
    return payload;
}

Bytes chunkPayload(uint32_t address, const Bytes& data, std::optional<uint32_t> length = {})
{
    Bytes payload(8);
    bytes::putU32(payload.data(), address);
    bytes::putU32(payload.data() + 4, length.value_or(static_cast<uint32_t>(data.size())));
    payload.insert(payload.end(), data.begin(), data.end());
    return payload;
}

class GatewayTest : public testing::Test {
protected:
    void SetUp() override { start(SimulatorState::newGateway()); }

    void start(SimulatorState state)
    {
        gateway = std::make_shared<GatewaySimulator>(std::move(state));
        link = std::make_unique<SimulatorLink>(gateway, false);
        ASSERT_TRUE(link->open("sim"));
        ASSERT_TRUE(link->setRts(true));
        node.setLink(link.get());
        linkState.linkFlag = true;
        node.setStoreConfigBlock(
            [this](uint16_t type, const uint8_t* data, uint16_t page, uint16_t count) {
                lastBlock = {type, page, Bytes(data, data + count)};
                return true;
            });
    }

    // The reply code to one request; none without a good reply.
    std::optional<uint8_t> ask(uint8_t command, const Bytes& payload = {}, int timeoutMs = 1000)
    {
        if (!node.sendFrame(command, payload.data(), payload.size())) {
            return std::nullopt;
        }
        (void)node.readReply(timeoutMs);
        return node.lastReplyCommand();
    }

    // The data of block type, page as the gateway answers it.
    std::optional<Bytes> readBlock(uint16_t type, uint16_t page)
    {
        Bytes request(4);
        bytes::putU16(request.data(), type);
        bytes::putU16(request.data() + 2, page);
        lastBlock.reset();
        if (ask(CMD_READ_BLOCK, request) != CMD_READ_BLOCK || !lastBlock ||
            lastBlock->type != type || lastBlock->page != page) {
            return std::nullopt;
        }
        return lastBlock->data;
    }

    struct Block {
        uint16_t type;
        uint16_t page;
        Bytes data;
    };

    std::shared_ptr<GatewaySimulator> gateway;
    std::unique_ptr<SimulatorLink> link;
    LinkState linkState;
    NodeFrameEngine node{linkState};
    std::optional<Block> lastBlock;
};

TEST_F(GatewayTest, WritesAnswerReadsAtOnceAndPersistOnlyWhenStored)
{
    RadioRecord radio = gateway->state().image.radio();
    radio.channel = 35; // 868 MHz
    radio.address = (3 << 6) | 0;
    Bytes record(RadioRecord::kSize);
    radio.encode(std::span<uint8_t, RadioRecord::kSize>(record.data(), record.size()));

    EXPECT_EQ(ask(CMD_WRITE_BLOCK, blockPayload(1, 0, record)), CMD_ACK);
    EXPECT_EQ(readBlock(1, 0), record);
    EXPECT_NE(gateway->state().image.radio(), radio);
    EXPECT_EQ(gateway->stateGeneration(), 0u);
    ASSERT_EQ(ask(CMD_READ_RADIO), CMD_RADIO_INFO);
    EXPECT_EQ(linkState.radioInfo.channelCode(), 5);

    EXPECT_EQ(ask(CMD_STORE_CONFIG), CMD_ACK);
    EXPECT_EQ(gateway->state().image.radio(), radio);
    EXPECT_EQ(gateway->stateGeneration(), 1u);
    // The radio now runs on the stored channel.
    ASSERT_EQ(ask(CMD_READ_RADIO), CMD_RADIO_INFO);
    EXPECT_EQ(linkState.radioInfo.channelCode(), 35);
}

struct RefusedWrite {
    const char* name;
    Bytes payload;
};

class RefusedWriteTest : public GatewayTest, public testing::WithParamInterface<RefusedWrite> {};

TEST_P(RefusedWriteTest, IsNakedAndChangesNothing)
{
    const ConfigImage before = gateway->workingImage();
    EXPECT_EQ(ask(CMD_WRITE_BLOCK, GetParam().payload), CMD_NAK);
    EXPECT_EQ(gateway->workingImage(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, RefusedWriteTest,
    testing::Values(RefusedWrite{"PortsOf35Bytes", blockPayload(0, 0, Bytes(35, 1))},
                    RefusedWrite{"RadioOf9Bytes", blockPayload(1, 0, Bytes(9, 1))},
                    RefusedWrite{"DeviceBlock2", blockPayload(2, 0, Bytes(32, 1))},
                    RefusedWrite{"BlockType8", blockPayload(8, 0, Bytes(8, 1))},
                    RefusedWrite{"PartialImportRecord", blockPayload(5, 0, Bytes(30, 1))},
                    RefusedWrite{"TablePage6", blockPayload(4, 6, Bytes(4, 1))},
                    RefusedWrite{"MoreThan320Records", blockPayload(4, 0, Bytes(321 * 4, 1))},
                    RefusedWrite{"CountBeyondPayload", blockPayload(7, 0, Bytes(8, 1), 16)},
                    RefusedWrite{"NoHeader", Bytes{7, 0, 0}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(GatewayTest, WritingPageZeroStartsTheTableAfresh)
{
    SimulatorState state = SimulatorState::newGateway();
    ASSERT_TRUE(state.image.storeBlock(BlockType::modbusMap, 0, Bytes(320 * 8, 0x22)));
    ASSERT_TRUE(state.image.storeBlock(BlockType::modbusMap, 1, Bytes(5 * 8, 0x33)));
    start(state);
    EXPECT_EQ(readBlock(7, 1), Bytes(5 * 8, 0x33));

    EXPECT_EQ(ask(CMD_WRITE_BLOCK, blockPayload(7, 0, Bytes(2 * 8, 0x44))), CMD_ACK);
    EXPECT_EQ(readBlock(7, 0), Bytes(2 * 8, 0x44));
    EXPECT_EQ(readBlock(7, 1), Bytes());
}

TEST_F(GatewayTest, AnEmptyPageZeroEmptiesTheTable)
{
    SimulatorState state = SimulatorState::newGateway();
    ASSERT_TRUE(state.image.storeBlock(BlockType::exports, 0, Bytes(320 * 14, 0x22)));
    ASSERT_TRUE(state.image.storeBlock(BlockType::exports, 1, Bytes(3 * 14, 0x33)));
    start(state);

    EXPECT_EQ(ask(CMD_WRITE_BLOCK, blockPayload(6, 0, {})), CMD_ACK);
    EXPECT_EQ(readBlock(6, 0), Bytes());
    EXPECT_EQ(readBlock(6, 1), Bytes());
    EXPECT_EQ(ask(CMD_STORE_CONFIG), CMD_ACK);
    EXPECT_EQ(gateway->state().image.pageCount(BlockType::exports, 0), 0);
    EXPECT_EQ(gateway->state().image.pageCount(BlockType::exports, 1), 0);
}

TEST_F(GatewayTest, BlockFaultsHitWritesOfTheirTypeOnly)
{
    FaultOptions faults;
    faults.nakBlocks = {5};
    faults.dropBlocks = {7};
    gateway->setFaults(faults);
    const ConfigImage before = gateway->workingImage();

    EXPECT_EQ(ask(CMD_WRITE_BLOCK, blockPayload(5, 0, Bytes(24, 1))), CMD_NAK);
    EXPECT_EQ(ask(CMD_WRITE_BLOCK, blockPayload(7, 0, Bytes(8, 1)), 200), std::nullopt);
    EXPECT_EQ(node.lastReceiveStatus(), ReceiveStatus::timeout);
    EXPECT_EQ(gateway->workingImage(), before);
    EXPECT_TRUE(readBlock(5, 0));
    EXPECT_TRUE(readBlock(7, 0));
    EXPECT_EQ(ask(CMD_WRITE_BLOCK, blockPayload(6, 0, Bytes(14, 1))), CMD_ACK);
}

TEST_F(GatewayTest, DropFirstAnswersOnlyTheLaterRequests)
{
    FaultOptions faults;
    faults.dropFirst = {{CMD_ENQUIRE, 2}};
    gateway->setFaults(faults);
    EXPECT_EQ(ask(CMD_ENQUIRE, {}, 200), std::nullopt);
    EXPECT_EQ(ask(CMD_IDENTIFY), CMD_IDENTITY);
    EXPECT_EQ(ask(CMD_ENQUIRE, {}, 200), std::nullopt);
    EXPECT_EQ(ask(CMD_ENQUIRE), CMD_ACK);
    EXPECT_EQ(ask(CMD_ENQUIRE), CMD_ACK);
}

TEST_F(GatewayTest, ReadsOfUnknownBlocksAreNaked)
{
    EXPECT_EQ(ask(CMD_READ_BLOCK, Bytes{8, 0, 0, 0}), CMD_NAK);
    EXPECT_EQ(ask(CMD_READ_BLOCK, Bytes{5, 0, 6, 0}), CMD_NAK);
    EXPECT_EQ(ask(CMD_READ_BLOCK, Bytes{5, 0}), CMD_NAK);
    // The whole security block on a plain read; the key alone on the six-byte read.
    EXPECT_EQ(readBlock(10, 0)->size(), SecurityBlock::kSize);
}

TEST_F(GatewayTest, FlashingFillsProgramMemory)
{
    const Bytes low(1024, 0xA5);
    const Bytes high(16, 0x5A);
    EXPECT_EQ(ask(CMD_FLASH_DATA, chunkPayload(0x100000, low)), CMD_NAK); // before begin
    EXPECT_EQ(ask(CMD_FLASH_END), CMD_NAK);

    EXPECT_EQ(ask(CMD_FLASH_BEGIN), CMD_ACK);
    EXPECT_TRUE(gateway->flashing());
    EXPECT_EQ(ask(CMD_FLASH_DATA, chunkPayload(0x100000, low)), CMD_ACK);
    EXPECT_EQ(ask(CMD_FLASH_DATA, chunkPayload(0x100400, high)), CMD_ACK);
    EXPECT_EQ(ask(CMD_FLASH_DATA, chunkPayload(0x200000, Bytes(1025, 1))), CMD_NAK);
    EXPECT_EQ(ask(CMD_FLASH_DATA, chunkPayload(0x200000, high, 17)), CMD_NAK);
    EXPECT_EQ(ask(CMD_FLASH_END), CMD_ACK);
    EXPECT_FALSE(gateway->flashing());

    const FirmwareMemory firmware = gateway->state().firmware;
    ASSERT_EQ(firmware.runs().size(), 1u);
    EXPECT_EQ(firmware.runs().begin()->first, 0x100000u);
    EXPECT_EQ(firmware.size(), 1040u);
    EXPECT_EQ(firmware.byteAt(0x1003FF), 0xA5);
    EXPECT_EQ(firmware.byteAt(0x100400), 0x5A);
    EXPECT_EQ(firmware.byteAt(0x100410), std::nullopt);

    // A new flash starts from erased memory.
    EXPECT_EQ(ask(CMD_FLASH_BEGIN), CMD_ACK);
    EXPECT_TRUE(gateway->state().firmware.empty());
}

TEST_F(GatewayTest, StoresAndReturnsTheProjectFile)
{
    ASSERT_EQ(ask(CMD_QUERY_PROJECT, Bytes(6)), CMD_PROJECT_DATA);
    EXPECT_EQ(linkState.projectFileFlag, 0);
    ASSERT_TRUE(node.sendReadProject());
    EXPECT_EQ(node.readProjectData(), std::nullopt); // nothing stored: an empty answer

    EXPECT_EQ(ask(CMD_STORE_PROJECT), CMD_NAK);
    Bytes packed{0x10, 0x00, 0x00, 0x00, 0x5D, 0x00, 0x00, 0x00, 0x01};
    packed.resize(8186, 0x77); // the largest that fits a frame
    ASSERT_EQ(ask(CMD_STORE_PROJECT, packed), CMD_ACK);

    ASSERT_TRUE(node.sendQueryProject());
    EXPECT_EQ(node.readProjectFileStored(), 1u);
    ASSERT_TRUE(node.sendReadProject());
    EXPECT_EQ(node.readProjectData(), packed);
    EXPECT_EQ(gateway->state().projectFile, packed);
}

struct FirmwareCase {
    const char* name;
    std::vector<std::pair<uint32_t, Bytes>> writes;
    std::map<uint32_t, Bytes> runs;
};

class FirmwareMemoryTest : public testing::TestWithParam<FirmwareCase> {};

TEST_P(FirmwareMemoryTest, MergesRuns)
{
    FirmwareMemory memory;
    for (const auto& [address, bytes] : GetParam().writes) {
        ASSERT_TRUE(memory.write(address, bytes));
    }
    std::map<uint32_t, Bytes> runs(memory.runs().begin(), memory.runs().end());
    EXPECT_EQ(runs, GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, FirmwareMemoryTest,
    testing::Values(
        FirmwareCase{"Apart", {{0, {1, 2}}, {10, {3}}}, {{0, {1, 2}}, {10, {3}}}},
        FirmwareCase{"Adjacent", {{0, {1, 2}}, {2, {3}}}, {{0, {1, 2, 3}}}},
        FirmwareCase{"AdjacentBefore", {{2, {3}}, {0, {1, 2}}}, {{0, {1, 2, 3}}}},
        FirmwareCase{"Overlapping", {{0, {1, 2, 3}}, {2, {9, 9}}}, {{0, {1, 2, 9, 9}}}},
        FirmwareCase{"Bridging", {{0, {1}}, {4, {5}}, {1, {2, 3, 4}}}, {{0, {1, 2, 3, 4, 5}}}},
        FirmwareCase{"TopOfAddressSpace", {{0xFFFFFFFE, {1, 2}}}, {{0xFFFFFFFE, {1, 2}}}}),
    [](const auto& p) { return std::string(p.param.name); });

struct FlatCase {
    const char* name;
    std::vector<std::pair<uint32_t, Bytes>> writes;
    std::optional<std::pair<uint32_t, Bytes>> flat;
};

class FlatImageTest : public testing::TestWithParam<FlatCase> {};

TEST_P(FlatImageTest, FromLowestToHighestWithGapsErased)
{
    FirmwareMemory memory;
    for (const auto& [address, bytes] : GetParam().writes) {
        ASSERT_TRUE(memory.write(address, bytes));
    }
    const auto image = memory.flatImage();
    ASSERT_EQ(image.has_value(), GetParam().flat.has_value());
    if (image) {
        EXPECT_EQ(image->address, GetParam().flat->first);
        EXPECT_EQ(image->bytes, GetParam().flat->second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FlatImageTest,
    testing::Values(FlatCase{"Nothing", {}, std::nullopt},
                    FlatCase{"OneRun", {{0x08020000, {1, 2, 3}}}, {{0x08020000, {1, 2, 3}}}},
                    FlatCase{"GapReadsErased",
                             {{0x105, {9}}, {0x100, {1, 2}}},
                             {{0x100, {1, 2, 0xFF, 0xFF, 0xFF, 9}}}},
                    FlatCase{"TopOfAddressSpace", {{0xFFFFFFFE, {1, 2}}}, {{0xFFFFFFFE, {1, 2}}}},
                    // 128 MiB apart: no flat file of that size is written.
                    FlatCase{"TooFarApart", {{0, {1}}, {0x08000000, {2}}}, std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(FirmwareMemoryLimits, RefusesWhatDoesNotFit)
{
    FirmwareMemory memory;
    EXPECT_FALSE(memory.write(0xFFFFFFFF, Bytes{1, 2}));
    EXPECT_TRUE(memory.empty());
}

} // namespace
