#include "device/DeviceFrame.h"
#include "device/MemorySerialLink.h"
#include "device/NodeFrameEngine.h"
#include "device/SessionFrameEngine.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using namespace quillan::device;

namespace {

// Short enough to keep the failing cases quick, long enough for the pauses between pieces.
constexpr int REPLY_TIMEOUT_MS = 300;
constexpr int PAUSE_MS = 80; // longer than the 50 ms silence that ended a read on the old port

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> withBadCrc(std::vector<uint8_t> frame)
{
    frame.back() ^= 0x5A;
    return frame;
}

enum class Engine { node, session };

struct ReceiveCase {
    const char* name;
    std::vector<uint8_t> reply;
    std::vector<size_t> pieces; // empty: all at once
    bool nodeAccepts;
    ReceiveStatus nodeStatus;
    bool sessionAccepts;
    ReceiveStatus sessionStatus;
};

const std::vector<uint8_t> GARBAGE{0x00, 0x13, 'd', 'b', 'g', '\r', '\n'};

const ReceiveCase RECEIVE_CASES[] = {
    {"Ack", makeFrame(CMD_ACK), {}, true, ReceiveStatus::ok, true, ReceiveStatus::ok},
    {"GarbageBeforeStart",
     GARBAGE + makeFrame(CMD_ACK),
     {},
     false,
     ReceiveStatus::badFrame,
     true,
     ReceiveStatus::ok},
    {"SplitWithPauses",
     makeFrame(CMD_IDENTITY, IdentityRecord{12, "1.5.0.14"}.encode().data(), 16),
     {1, 3, 9},
     true,
     ReceiveStatus::ok,
     true,
     ReceiveStatus::ok},
    {"GarbageAndSplit",
     GARBAGE + makeFrame(CMD_ACK),
     {4, 4},
     false,
     ReceiveStatus::badFrame,
     true,
     ReceiveStatus::ok},
    {"BadCrc",
     withBadCrc(makeFrame(CMD_ACK)),
     {},
     false,
     ReceiveStatus::badFrame,
     false,
     ReceiveStatus::badFrame},
    {"BadCrcSplit",
     withBadCrc(makeFrame(CMD_KEY_VALUE, {1, 2, 3, 4})),
     {3, 3},
     false,
     ReceiveStatus::badFrame,
     false,
     ReceiveStatus::badFrame},
    {"Nak", makeFrame(CMD_NAK), {}, false, ReceiveStatus::nak, false, ReceiveStatus::nak},
    {"UnknownReply",
     makeFrame(99),
     {},
     false,
     ReceiveStatus::unknownReply,
     false,
     ReceiveStatus::unknownReply},
    {"Ack73NodeOnly",
     makeFrame(CMD_ACK_73),
     {},
     true,
     ReceiveStatus::ok,
     false,
     ReceiveStatus::unknownReply},
    {"CutOffInThePayload",
     std::vector<uint8_t>{0xFF, CMD_IDENTITY, 16, 0, 12, 0, '1', '.'},
     {},
     false,
     ReceiveStatus::truncated,
     false,
     ReceiveStatus::truncated},
    {"CutOffInTheHeader",
     std::vector<uint8_t>{0xFF, CMD_ACK},
     {},
     false,
     ReceiveStatus::truncated,
     false,
     ReceiveStatus::truncated},
    // Noise is no reply to the session engine, which skips it; the Node engine takes it for
    // a frame that fails its checks.
    {"NoiseOnly", GARBAGE, {}, false, ReceiveStatus::badFrame, false, ReceiveStatus::timeout},
    {"LengthBeyondBuffer",
     std::vector<uint8_t>{0xFF, CMD_ACK, 0x00, 0x30, 1, 2, 3},
     {},
     false,
     ReceiveStatus::badFrame,
     false,
     ReceiveStatus::badFrame},
    {"Silence", {}, {}, false, ReceiveStatus::timeout, false, ReceiveStatus::timeout},
    {"NoiseLongerThanBuffer",
     std::vector<uint8_t>(FRAME_BUFFER_SIZE + 10, 0x20),
     {},
     false,
     ReceiveStatus::overflow,
     false,
     ReceiveStatus::overflow},
};

class ReceiveTest : public testing::TestWithParam<std::tuple<ReceiveCase, Engine>> {
protected:
    void SetUp() override { ASSERT_TRUE(link.open("ttyUSB0")); }

    MemorySerialLink link;
    LinkState state;
};

TEST_P(ReceiveTest, EngineReadsTheReplyItsWay)
{
    const auto& [c, engineKind] = GetParam();
    int naks = 0;
    NodeFrameEngine node(state, &link);
    node.setNakHandler([&] { ++naks; });
    SessionFrameEngine session(&link);
    FrameEngine& engine = engineKind == Engine::node ? static_cast<FrameEngine&>(node) : session;

    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    if (c.pieces.empty()) {
        link.reply(c.reply);
    } else {
        link.replyInChunks(c.reply, c.pieces, PAUSE_MS);
    }
    const bool accepts = engineKind == Engine::node ? c.nodeAccepts : c.sessionAccepts;
    const ReceiveStatus status = engineKind == Engine::node ? c.nodeStatus : c.sessionStatus;

    EXPECT_EQ(engine.readReply(REPLY_TIMEOUT_MS), accepts);
    EXPECT_EQ(engine.lastReceiveStatus(), status) << receiveStatusText(engine.lastReceiveStatus());
    if (status == ReceiveStatus::ok) {
        // Complete as soon as length and CRC check out, without waiting for a silent gap.
        EXPECT_EQ(link.timedOutReads(), 0);
        const auto start = std::find(c.reply.begin(), c.reply.end(), FRAME_START);
        EXPECT_EQ(engine.lastReplyCommand(), *(start + 1));
    }
    if (status == ReceiveStatus::badFrame || status == ReceiveStatus::timeout ||
        status == ReceiveStatus::truncated) {
        EXPECT_EQ(link.timedOutReads(), 1); // the reader kept listening until its time-out
    }
    if (!c.pieces.empty() && status == ReceiveStatus::ok) {
        EXPECT_GE(link.readCount(), static_cast<int>(c.pieces.size()));
    }
    const bool isNak = !c.reply.empty() && c.reply[1] == CMD_NAK;
    EXPECT_EQ(naks, engineKind == Engine::node && isNak ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Replies, ReceiveTest,
                         testing::Combine(testing::ValuesIn(RECEIVE_CASES),
                                          testing::Values(Engine::node, Engine::session)),
                         [](const testing::TestParamInfo<ReceiveTest::ParamType>& param) {
                             return std::string(std::get<0>(param.param).name) +
                                    (std::get<1>(param.param) == Engine::node ? "_Node"
                                                                              : "_Session");
                         });

class NodeEngineTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(link.open("ttyUSB0")); }

    MemorySerialLink link;
    LinkState state;
    NodeFrameEngine engine{state, &link};
};

TEST_F(NodeEngineTest, RepliesFillTheLinkState)
{
    std::array<uint8_t, 64> text{};
    std::memcpy(text.data(), "ZAV Gateway Module S/N 4711", 27);
    struct Stored {
        uint16_t type = 0, page = 0, count = 0;
        std::vector<uint8_t> data;
    } stored;
    engine.setStoreConfigBlock(
        [&](uint16_t type, const uint8_t* data, uint16_t page, uint16_t count) {
            stored = {type, page, count, std::vector<uint8_t>(data, data + count)};
            return type == BLOCK_SECURITY_KEY && count == 4;
        });

    const auto reply = [&](uint8_t command, const std::vector<uint8_t>& payload) {
        link.reply(makeFrame(command, payload));
        return engine.readReply(REPLY_TIMEOUT_MS);
    };
    const auto identity = IdentityRecord{12, "2.0.0.7"}.encode();
    EXPECT_TRUE(reply(CMD_IDENTITY, {identity.begin(), identity.end()}));
    EXPECT_EQ(state.deviceType(), 12);
    EXPECT_EQ(state.firmwareVersion(), "2.0.0.7");

    EXPECT_TRUE(reply(CMD_RADIO_INFO, {31, 0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(state.radioInfo.channelCode(), 31);
    EXPECT_EQ(state.radioInfo.bytes[7], 6);

    EXPECT_TRUE(reply(CMD_KEY_VALUE, {0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(state.keyValue, 0x12345678u);

    EXPECT_TRUE(reply(CMD_DEVICE_TEXT, {text.begin(), text.end()}));
    EXPECT_EQ(state.deviceInfoString(), "ZAV Gateway Module S/N 4711");

    EXPECT_TRUE(reply(CMD_PROJECT_DATA, {1, 0}));
    EXPECT_EQ(state.projectFileFlag, 1);
    EXPECT_TRUE(reply(CMD_PROJECT_DATA, {0, 1}));
    EXPECT_EQ(state.projectFileFlag, 0);

    EXPECT_TRUE(reply(CMD_READ_BLOCK, BlockData{10, 0, {5, 0, 0, 0}}.encode()));
    EXPECT_EQ(stored.type, 10);
    EXPECT_EQ(stored.data, (std::vector<uint8_t>{5, 0, 0, 0}));
    // Replies that arrive whole but are turned down.
    EXPECT_FALSE(reply(CMD_READ_BLOCK, BlockData{4, 0, {1, 2, 3, 4}}.encode()));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::refused);
    std::vector<uint8_t> lying = BlockData{10, 0, {5, 0, 0, 0}}.encode();
    quillan::bytes::putU16(lying.data() + 4, 200); // count beyond the payload: garbled, never read past it
    stored = {};
    EXPECT_FALSE(reply(CMD_READ_BLOCK, lying));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::refused);
    EXPECT_EQ(stored.type, 0);

    EXPECT_TRUE(reply(CMD_STATUS_CLEAR, std::vector<uint8_t>(24, 0)));
    std::vector<uint8_t> status(20, 0);
    status[19] = 1;
    EXPECT_FALSE(reply(CMD_STATUS_CLEAR, status));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::refused);
    EXPECT_FALSE(reply(CMD_STATUS_CLEAR, std::vector<uint8_t>(19, 0)));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::refused);
    EXPECT_TRUE(reply(CMD_ACK_72, {9, 9, 9}));

    // A short identity leaves zeros, not the rest of the previous one.
    EXPECT_TRUE(reply(CMD_IDENTITY, {11, 0, '1'}));
    EXPECT_EQ(state.deviceType(), 11);
    EXPECT_EQ(state.firmwareVersion(), "1");
}

TEST_F(NodeEngineTest, PurgesStaleBytesBeforeReceiving)
{
    link.inject(makeFrame(CMD_NAK)); // left over from an earlier exchange
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    link.reply(makeFrame(CMD_ACK), 20);
    EXPECT_TRUE(engine.readReply(REPLY_TIMEOUT_MS));
    EXPECT_GE(link.purgeCount(), 1);
}

TEST_F(NodeEngineTest, ReplyThatComesAtOnceIsKept)
{
    // A device may answer before the host starts to read: the purge must not take the reply.
    link.inject(makeFrame(CMD_NAK)); // stale
    link.setResponder([](MemorySerialLink& l, const std::vector<uint8_t>&) {
        l.reply(makeFrame(CMD_ACK));
    });
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_TRUE(engine.readReply(REPLY_TIMEOUT_MS));
    EXPECT_EQ(engine.lastReplyCommand(), CMD_ACK);
}

TEST_F(NodeEngineTest, RequestsThatNeedTheLinkFlag)
{
    const std::vector<uint8_t> records(320 * 24, 0x11);
    EXPECT_FALSE(engine.sendWriteBlock(5, 0, records.data(), records.size()));
    EXPECT_FALSE(engine.sendReadSecurityKey());
    EXPECT_FALSE(engine.sendReadProject());
    EXPECT_FALSE(engine.sendQueryProject());
    EXPECT_TRUE(link.written().empty());

    state.linkFlag = true;
    ASSERT_TRUE(engine.sendWriteBlock(5, 2, records.data(), records.size()));
    std::vector<uint8_t> out = link.takeWritten();
    ASSERT_EQ(out.size(), 7692u);
    const auto frame = parseFrame(out.data(), out.size());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->command, CMD_WRITE_BLOCK);
    const auto block = BlockData::decode(frame->payload.data(), frame->payload.size());
    ASSERT_TRUE(block);
    EXPECT_EQ(block->blockType, 5);
    EXPECT_EQ(block->page, 2);
    EXPECT_EQ(block->data, records);

    const std::vector<uint8_t> tooMany(MAX_PAYLOAD_SIZE - 5);
    EXPECT_FALSE(engine.sendWriteBlock(5, 0, tooMany.data(), tooMany.size()));

    struct SixByte {
        bool (NodeFrameEngine::*send)();
        uint8_t command;
        std::vector<uint8_t> payload;
    };
    const SixByte requests[] = {
        {&NodeFrameEngine::sendReadSecurityKey, CMD_READ_BLOCK, {10, 0, 0, 0, 0, 0}},
        {&NodeFrameEngine::sendReadProject, CMD_READ_PROJECT, {0, 0, 0, 0, 0, 0}},
        {&NodeFrameEngine::sendQueryProject, CMD_QUERY_PROJECT, {0, 0, 0, 0, 0, 0}},
    };
    for (const SixByte& r : requests) {
        ASSERT_TRUE((engine.*r.send)());
        EXPECT_EQ(link.takeWritten(), makeFrame(r.command, r.payload));
    }
}

TEST_F(NodeEngineTest, ProjectDataReadersWaitForTheirReplyOnly)
{
    std::vector<uint8_t> packed(3000);
    for (size_t i = 0; i < packed.size(); ++i) {
        packed[i] = static_cast<uint8_t>(i * 7);
    }
    link.reply(makeFrame(CMD_PROJECT_DATA, packed));
    EXPECT_EQ(engine.readProjectData(REPLY_TIMEOUT_MS), packed);

    link.reply(makeFrame(CMD_ACK)); // a valid frame, but not the one awaited
    EXPECT_FALSE(engine.readProjectData(REPLY_TIMEOUT_MS));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::badFrame);

    link.reply(makeFrame(CMD_PROJECT_DATA));
    EXPECT_FALSE(engine.readProjectData(REPLY_TIMEOUT_MS)); // needs at least one byte
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::refused);

    link.reply(makeFrame(CMD_PROJECT_DATA, {1, 0, 0, 0, 9}));
    EXPECT_EQ(engine.readProjectFileStored(REPLY_TIMEOUT_MS), 1u);
    link.reply(makeFrame(CMD_PROJECT_DATA, {0, 0, 0, 0}));
    EXPECT_EQ(engine.readProjectFileStored(REPLY_TIMEOUT_MS), 0u);
    link.reply(makeFrame(CMD_PROJECT_DATA, {2}));
    EXPECT_EQ(engine.readProjectFileStored(REPLY_TIMEOUT_MS), 2u);
    EXPECT_FALSE(engine.readProjectFileStored(REPLY_TIMEOUT_MS)); // nothing sent
}

TEST(SessionEngine, ReplyTable)
{
    MemorySerialLink link;
    ASSERT_TRUE(link.open("ttyUSB0"));
    SessionFrameEngine engine(&link);
    std::vector<std::tuple<uint16_t, uint16_t, std::vector<uint8_t>>> stored;
    engine.setStoreBlock([&](uint16_t type, uint16_t page, const uint8_t* data, size_t length) {
        stored.emplace_back(type, page, std::vector<uint8_t>(data, data + length));
        return type != 8;
    });
    const auto reply = [&](uint8_t command, const std::vector<uint8_t>& payload) {
        link.reply(makeFrame(command, payload));
        return engine.readReply(REPLY_TIMEOUT_MS);
    };

    const auto identity = IdentityRecord{12, "1.4.2.13"}.encode();
    EXPECT_TRUE(reply(CMD_IDENTITY, {identity.begin(), identity.end()}));
    EXPECT_EQ(engine.identity(), identity);

    // The session takes the data length from the frame, not from the count field.
    std::vector<uint8_t> block = BlockData{0, 0, std::vector<uint8_t>(36, 3)}.encode();
    quillan::bytes::putU16(block.data() + 4, 0);
    EXPECT_TRUE(reply(CMD_READ_BLOCK, block));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(std::get<2>(stored[0]).size(), 36u);
    EXPECT_FALSE(reply(CMD_READ_BLOCK, BlockData{8, 0, {}}.encode()));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::refused);
    EXPECT_FALSE(reply(CMD_READ_BLOCK, {0, 0, 0}));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::refused);

    EXPECT_TRUE(reply(CMD_ACK, {}));
    EXPECT_TRUE(reply(CMD_ACK_72, {1}));
    EXPECT_FALSE(reply(CMD_NAK, {}));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::nak);
    for (uint8_t other : {CMD_ACK_73, CMD_KEY_VALUE, CMD_RADIO_INFO, CMD_DEVICE_TEXT,
                          CMD_STATUS_CLEAR, CMD_PROJECT_DATA}) {
        EXPECT_FALSE(reply(other, std::vector<uint8_t>(64, 0))) << int(other);
        EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::unknownReply) << int(other);
    }
}

TEST(SessionEngine, TraceSeesEachFrameWhole)
{
    MemorySerialLink link;
    ASSERT_TRUE(link.open("ttyUSB0"));
    SessionFrameEngine engine(&link);
    std::vector<std::pair<TraceDirection, std::vector<uint8_t>>> seen;
    engine.setTrace([&](TraceDirection direction, std::span<const uint8_t> frame) {
        seen.emplace_back(direction, std::vector<uint8_t>(frame.begin(), frame.end()));
    });

    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    // Noise before the reply and a reply in pieces: the trace gets the frame alone, once.
    link.replyInChunks({0x00, 0x13, 0xFF, 0x06, 0x00, 0x00, 0xD0, 0x15}, {3, 2, 3}, PAUSE_MS);
    ASSERT_TRUE(engine.readReply(REPLY_TIMEOUT_MS));
    link.reply(withBadCrc(makeFrame(CMD_ACK)));
    EXPECT_FALSE(engine.readReply(REPLY_TIMEOUT_MS));

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, TraceDirection::sent);
    EXPECT_EQ(seen[0].second, (std::vector<uint8_t>{0xFF, 0x05, 0x00, 0x00, 0x20, 0x15}));
    EXPECT_EQ(seen[1].first, TraceDirection::received);
    EXPECT_EQ(seen[1].second, (std::vector<uint8_t>{0xFF, 0x06, 0x00, 0x00, 0xD0, 0x15}));
}

TEST(FrameEngineFaults, WritesAndReadsThatFail)
{
    MemorySerialLink link;
    SessionFrameEngine engine(&link);
    EXPECT_FALSE(engine.sendFrame(CMD_ENQUIRE)); // port closed
    EXPECT_FALSE(engine.readReply(REPLY_TIMEOUT_MS));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::linkError);

    ASSERT_TRUE(link.open("ttyUSB0"));
    link.setFailWrites(true);
    EXPECT_FALSE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_EQ(engine.lastWriteStatus(), WriteStatus::failed);
    link.setFailWrites(false);
    link.setStallWrites(true, 50);
    EXPECT_FALSE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_EQ(engine.lastWriteStatus(), WriteStatus::failed);
    link.setStallWrites(false);

    link.dropReplies(1);
    link.setResponder(
        [](MemorySerialLink& l, const std::vector<uint8_t>&) { l.reply(makeFrame(CMD_ACK)); });
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_FALSE(engine.readReply(REPLY_TIMEOUT_MS));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::timeout);
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_TRUE(engine.readReply(REPLY_TIMEOUT_MS));

    link.setResponder({});
    link.setFailReads(true);
    EXPECT_FALSE(engine.readReply(REPLY_TIMEOUT_MS));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::linkError);
}

TEST(FrameEngineFaults, DeviceLostWhileWaiting)
{
    MemorySerialLink link;
    ASSERT_TRUE(link.open("ttyUSB0"));
    LinkState state;
    NodeFrameEngine engine(state, &link);
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    // The reader must wake with an error, not sit out its time-out.
    std::thread device([&] {
        ASSERT_TRUE(link.waitForWritten(6, 5000));
        link.replyInChunks(makeFrame(CMD_IDENTITY, std::vector<uint8_t>(16, 1)), {5}, 10000);
        link.unplug();
    });
    EXPECT_FALSE(engine.readReply(60000));
    device.join();
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::linkError);
}

TEST(FrameEngineThreads, WorkerWaitsForAReplyFromAnotherThread)
{
    MemorySerialLink link;
    ASSERT_TRUE(link.open("ttyUSB0"));
    SessionFrameEngine engine(&link);
    bool accepted = false;
    std::thread worker([&] {
        if (engine.sendFrame(CMD_IDENTIFY)) {
            accepted = engine.readReply(SESSION_BLOCK_TIMEOUT_MS);
        }
    });
    ASSERT_TRUE(link.waitForWritten(6, 5000));
    EXPECT_EQ(link.written(), makeFrame(CMD_IDENTIFY));
    link.reply(makeFrame(CMD_IDENTITY, std::vector<uint8_t>(16, 2)));
    worker.join();
    EXPECT_TRUE(accepted);
    EXPECT_EQ(engine.identity()[0], 2);
}

// Stopping a worker: whatever the engine is waiting on ends at once with cancelled, and
// nothing after it waits again until the cancel is cleared.
struct CancelCase {
    const char* name;
    std::function<void(MemorySerialLink&)> arrange;
    std::function<bool(SessionFrameEngine&)> wait;
    bool waitsInTheLink;
    std::optional<ReceiveStatus> receiveStatus;
    std::optional<WriteStatus> writeStatus;
};

const CancelCase CANCEL_CASES[] = {
    {"ReadWithNothingComing", [](MemorySerialLink&) {},
     [](SessionFrameEngine& e) { return e.readReply(15000); }, true, ReceiveStatus::cancelled,
     std::nullopt},
    {"ReadFromADriverThatDoesNotComeBack",
     [](MemorySerialLink& l) {
         l.inject(makeFrame(CMD_ACK));
         l.setHoldReads(true);
     },
     [](SessionFrameEngine& e) { return e.readReply(15000); }, true, ReceiveStatus::cancelled,
     std::nullopt},
    {"WriteThatStalls", [](MemorySerialLink& l) { l.setStallWrites(true, 60000); },
     [](SessionFrameEngine& e) { return e.sendFrame(CMD_FLASH_BEGIN); }, true, std::nullopt,
     WriteStatus::cancelled},
    {"FixedDelay", [](MemorySerialLink&) {}, [](SessionFrameEngine& e) { return e.pause(15000); },
     false, std::nullopt, std::nullopt},
};

class CancelTest : public testing::TestWithParam<CancelCase> {};

TEST_P(CancelTest, EndsTheWaitAndEveryLaterOne)
{
    const CancelCase& c = GetParam();
    MemorySerialLink link;
    ASSERT_TRUE(link.open("ttyUSB0"));
    c.arrange(link);
    SessionFrameEngine engine(&link);

    auto worker = std::async(std::launch::async, [&] { return c.wait(engine); });
    if (c.waitsInTheLink) {
        ASSERT_TRUE(link.waitForBlockedCall(5000));
    }
    engine.cancel();
    // Well short of the 15 s and 60 s the waits would otherwise take.
    ASSERT_EQ(worker.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(worker.get());
    EXPECT_TRUE(engine.isCancelled());
    if (c.receiveStatus) {
        EXPECT_EQ(engine.lastReceiveStatus(), *c.receiveStatus);
    }
    if (c.writeStatus) {
        EXPECT_EQ(engine.lastWriteStatus(), *c.writeStatus);
    }

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_FALSE(engine.readReply(15000));
    EXPECT_EQ(engine.lastReceiveStatus(), ReceiveStatus::cancelled);
    EXPECT_FALSE(engine.pause(15000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(link.setRts(false)); // the port itself still answers, for the way out

    engine.resetCancel();
    link.setHoldReads(false);
    link.setStallWrites(false);
    (void)link.purge(true, true);
    link.setResponder(
        [](MemorySerialLink& l, const std::vector<uint8_t>&) { l.reply(makeFrame(CMD_ACK)); });
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_TRUE(engine.readReply(REPLY_TIMEOUT_MS));
    EXPECT_TRUE(engine.pause(1));
}

INSTANTIATE_TEST_SUITE_P(Waits, CancelTest, testing::ValuesIn(CANCEL_CASES),
                         [](const testing::TestParamInfo<CancelCase>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
