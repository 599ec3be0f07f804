// The device session against scripted replies on the in-memory link: odd and failing replies,
// a gateway that does not answer, the finish and flash operations, and stopping.
#include "device/ZAVSession.h"

#include "SessionTestSupport.h"
#include "device/DeviceFrame.h"
#include "device/MemorySerialLink.h"
#include "support/TempDir.h"
#include "support/TestDoubles.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::sessiontest;
using Bytes = std::vector<uint8_t>;

namespace {

const Bytes ACK{0xFF, 0x06, 0x00, 0x00, 0xD0, 0x15};
const Bytes ENQUIRE{0xFF, 0x05, 0x00, 0x00, 0x20, 0x15};

Bytes blockReply(uint16_t type, uint16_t page, const Bytes& data)
{
    return makeFrame(CMD_READ_BLOCK, BlockData{type, page, data}.encode());
}

// A gateway of version 1.5.0.14 that answers every request with an empty block, unless told
// otherwise for a block; it keeps the requests it was sent.
class ScriptedGateway {
public:
    explicit ScriptedGateway(MemorySerialLink& link)
    {
        link.setResponder([this](MemorySerialLink& l, const Bytes& bytes) {
            if (auto reply = answer(bytes)) {
                l.reply(std::move(*reply));
            }
        });
    }

    // A reply (none: no answer) for a block request, or for a request by its command code.
    void setBlockReply(int type, int page, std::optional<Bytes> reply)
    {
        std::lock_guard lock(m_mutex);
        m_blockReplies[{type, page}] = std::move(reply);
    }
    void setReply(uint8_t command, std::optional<Bytes> reply)
    {
        std::lock_guard lock(m_mutex);
        m_replies[command] = std::move(reply);
    }
    // Called with each request's command code before it is answered.
    void onRequest(std::function<void(uint8_t)> hook)
    {
        std::lock_guard lock(m_mutex);
        m_onRequest = std::move(hook);
    }
    [[nodiscard]] std::vector<std::pair<int, int>> blocksAsked() const
    {
        std::lock_guard lock(m_mutex);
        return m_blocksAsked;
    }

private:
    std::optional<Bytes> answer(const Bytes& bytes)
    {
        const auto frame = parseFrame(bytes.data(), bytes.size());
        if (!frame) {
            return std::nullopt;
        }
        std::function<void(uint8_t)> hook;
        std::optional<Bytes> reply;
        {
            std::lock_guard lock(m_mutex);
            hook = m_onRequest;
            reply = defaultReply(frame->command, frame->payload);
            if (frame->command == CMD_READ_BLOCK) {
                const int type = frame->payload[0] | frame->payload[1] << 8;
                const int page = frame->payload[2] | frame->payload[3] << 8;
                m_blocksAsked.emplace_back(type, page);
                if (auto it = m_blockReplies.find({type, page}); it != m_blockReplies.end()) {
                    reply = it->second;
                }
            } else if (auto it = m_replies.find(frame->command); it != m_replies.end()) {
                reply = it->second;
            }
        }
        if (hook) {
            hook(frame->command);
        }
        return reply;
    }

    static std::optional<Bytes> defaultReply(uint8_t command, const Bytes& payload)
    {
        switch (command) {
        case CMD_ENQUIRE:
            return ACK;
        case CMD_IDENTIFY:
            return makeFrame(CMD_IDENTITY, {0x0C, 0x00, '1', '.', '5', '.', '0', '.', '1', '4', 0,
                                            0, 0, 0, 0, 0});
        case CMD_READ_BLOCK:
            return blockReply(payload[0] | payload[1] << 8, payload[2] | payload[3] << 8, {});
        default:
            return ACK;
        }
    }

    mutable std::mutex m_mutex;
    std::map<std::pair<int, int>, std::optional<Bytes>> m_blockReplies;
    std::map<uint8_t, std::optional<Bytes>> m_replies;
    std::function<void(uint8_t)> m_onRequest;
    std::vector<std::pair<int, int>> m_blocksAsked;
};

// The notifications of a whole read from the scripted gateway; being 1.5.0.14, it is asked
// for blocks 9, 23 and 24 as well.
std::vector<Seen> wholeRead()
{
    std::vector<Seen> all{toMainWindow(MSG_SESSION_START), step(31)};
    for (const int block : {0, 1, 2, 3, 4, 5, 6, 7, 9, 23, 24, 10}) {
        all.push_back(step(block));
    }
    all.push_back(toMainWindow(MSG_SESSION_DONE));
    all.push_back(kReadOk);
    return all;
}

class SessionTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(link.open("ttyUSB0")); }

    MemorySerialLink link;
    ScriptedGateway gateway{link};
    test::RecordingSink sink;
};

TEST_F(SessionTest, PortBlockOfAnotherSizeLeavesThePortsAndTheReadGoesOn)
{
    const Bytes ports{0x00, 0xE1, 0x00, 0x00, 0x08, 0x01, 0x01, 0x02, 0x07, 0x00, 0x01, 0x00,
                      0x80, 0x25, 0x00, 0x00, 0x08, 0x01, 0x01, 0x03, 0x01, 0x00, 0x10, 0x00,
                      0x00, 0x4B, 0x00, 0x00, 0x08, 0x01, 0x02, 0x01, 0xF7, 0x00, 0x00, 0x00};
    const Bytes radio{0x80, 0x02, 0x03, 0x00, 0xFF, 0xFF, 0x05, 0x42};
    const Bytes otherRadio{0xC0, 0x02, 0x03, 0x00, 0xFF, 0xFF, 0x07, 0x01};
    gateway.setBlockReply(0, 0, blockReply(0, 0, ports));
    gateway.setBlockReply(1, 0, blockReply(1, 0, radio));
    ZAVSession session(sink, quickTimings());
    startReading(session, link);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    // A second read in the same session, now with 30 bytes of ports: they are left out.
    gateway.setBlockReply(0, 0, blockReply(0, 0, Bytes(ports.begin(), ports.begin() + 30)));
    gateway.setBlockReply(1, 0, blockReply(1, 0, otherRadio));
    session.startOperation(SessionOperation::connectAndRead);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    std::vector<Seen> want = wholeRead();
    const std::vector<Seen> second = wholeRead();
    want.insert(want.end(), second.begin(), second.end());
    EXPECT_EQ(seen(sink.all()), want);
    const ConfigImage image = session.image();
    EXPECT_TRUE(std::equal(ports.begin(), ports.end(), image.bytes().begin() + 6));
    EXPECT_TRUE(std::equal(otherRadio.begin(), otherRadio.end(), image.bytes().begin() + 42));
}

struct FailureCase {
    const char* name;
    std::pair<int, int> block; // the block request answered wrongly; {-1, -1}: CMD_IDENTIFY
    std::optional<Bytes> reply;
    std::vector<int> steps; // progress steps up to the failure
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

const FailureCase FAILURE_CASES[] = {
    {"BlockTypeEight", {2, 0}, blockReply(8, 0, {1, 2, 3, 4}), {31, 0, 1, 2}},
    {"NegativeAcknowledge", {6, 0}, makeFrame(CMD_NAK), {31, 0, 1, 2, 3, 4, 5, 6}},
    {"UnexpectedReply", {1, 0}, makeFrame(CMD_RADIO_INFO, Bytes(8, 0)), {31, 0, 1}},
    {"TablePageSix", {4, 0}, blockReply(4, 6, {1, 0, 2, 0}), {31, 0, 1, 2, 3, 4}},
    {"NoIdentity", {-1, -1}, std::nullopt, {31}},
    {"NoBlockTen", {10, 0}, std::nullopt, {31, 0, 1, 2, 3, 4, 5, 6, 7, 9, 23, 24, 10}},
};

class SessionFailureTest : public SessionTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(SessionFailureTest, FailedReadIsReportedOnceAndFinishes)
{
    const FailureCase& c = GetParam();
    if (c.block.first < 0) {
        gateway.setReply(CMD_IDENTIFY, c.reply);
    } else {
        gateway.setBlockReply(c.block.first, c.block.second, c.reply);
    }
    auto timings = quickTimings();
    timings.blockTimeoutMs = 100; // no reply is coming
    ZAVSession session(sink, timings);
    startReading(session, link);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    std::vector<Seen> want{toMainWindow(MSG_SESSION_START)};
    for (const int s : c.steps) {
        want.push_back(step(s));
    }
    want.push_back(toMainWindow(MSG_SESSION_FAILED));
    EXPECT_EQ(seen(sink.all()), want);
    // Nothing is asked after the failure, and the finish step has dropped the conversation.
    const auto asked = gateway.blocksAsked();
    if (c.block.first >= 0) {
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.back(), c.block);
    } else {
        EXPECT_TRUE(asked.empty());
    }
    EXPECT_TRUE(session.linkUp());
    EXPECT_TRUE(session.finished());
    EXPECT_FALSE(link.rts());
}

INSTANTIATE_TEST_SUITE_P(Replies, SessionFailureTest, testing::ValuesIn(FAILURE_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SessionTest, GatewayThatNeverAnswersFinishesSilently)
{
    gateway.setReply(CMD_ENQUIRE, std::nullopt);
    ZAVSession session(sink, quickTimings(/*enquireTimeoutMs=*/30));
    startReading(session, link);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    EXPECT_EQ(seen(sink.all()), std::vector<Seen>{toMainWindow(MSG_SESSION_START)});
    Bytes sixEnquiries;
    for (int i = 0; i < 6; ++i) {
        sixEnquiries.insert(sixEnquiries.end(), ENQUIRE.begin(), ENQUIRE.end());
    }
    EXPECT_EQ(link.written(), sixEnquiries);
    EXPECT_FALSE(session.linkUp());
    EXPECT_TRUE(session.finished());
    EXPECT_FALSE(link.rts());
}

TEST_F(SessionTest, ClosedPortFailsEveryEnquiryAtOnce)
{
    link.close();
    ZAVSession session(sink, quickTimings());
    startReading(session, link);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    EXPECT_EQ(seen(sink.all()), std::vector<Seen>{toMainWindow(MSG_SESSION_START)});
    EXPECT_TRUE(link.written().empty());
    EXPECT_FALSE(session.linkUp());
    EXPECT_TRUE(session.finished());
}

TEST_F(SessionTest, FlashAfterTheReadRunsOnTheWorkerAndTheFinishStepFollows)
{
    test::TempDir dir;
    ASSERT_TRUE(dir.valid());
    const std::string path = dir.file("one.a79");
    std::ofstream(path) << ":0100000041BE\n";
    ZAVSession session(sink, quickTimings());
    session.setFlashWindow(true);
    startReading(session, link);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));
    EXPECT_TRUE(link.rts()); // still in the conversation the read began

    session.clearFirmware();
    ASSERT_TRUE(session.loadFirmware(path));
    (void)link.takeWritten();
    session.startOperation(SessionOperation::flash);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    // Begin; one byte 0x41 at address 0; end.
    EXPECT_EQ(link.written(), (Bytes{0xFF, 0x44, 0x00, 0x00, 0x70, 0x01, 0xFF, 0x46, 0x09,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                     0x41, 0x8E, 0xA5, 0xFF, 0x47, 0x00, 0x00, 0x80, 0x01}));
    std::vector<Seen> want = wholeRead();
    want.push_back({MSG_FLASH_PROGRESS, 0, 0, Delivery::posted, Receiver::flashWindow});
    want.push_back(kIdle);
    EXPECT_EQ(seen(sink.all()), want);
    EXPECT_TRUE(session.lastFlash().has_value() && session.lastFlash()->succeeded);
    EXPECT_TRUE(session.finished());
    EXPECT_FALSE(link.rts());
}

TEST_F(SessionTest, CommandsWaitUntilEnabled)
{
    ZAVSession session(sink, quickTimings());
    session.setPort(&link);
    session.startThread();
    session.startOperation(SessionOperation::connectAndRead);
    EXPECT_FALSE(session.waitForIdle(50));
    EXPECT_TRUE(sink.all().empty());

    session.setEnabled(true);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));
    EXPECT_EQ(seen(sink.all()), wholeRead());
}

// Where the worker is when it is asked to stop.
enum class StopPoint {
    heldReply,      // a read the driver never completes, identify's 2000 ms time-out
    stalledWrite,   // a write that does not go out
    startPause,     // the fixed wait after MSG_SESSION_START
    flashBegin,     // the flash transfer's 15 s wait for its first acknowledgement
    heldReplyFreed, // a held read, and the session destroyed without stopThread
};

struct StopCase {
    const char* name;
    StopPoint point;
};

void PrintTo(const StopCase& c, std::ostream* os)
{
    *os << c.name;
}

const StopCase STOP_CASES[] = {
    {"HeldReply", StopPoint::heldReply},
    {"StalledWrite", StopPoint::stalledWrite},
    {"StartPause", StopPoint::startPause},
    {"FlashBegin", StopPoint::flashBegin},
    {"DestroyedDuringHeldReply", StopPoint::heldReplyFreed},
};

class SessionStopTest : public SessionTest, public testing::WithParamInterface<StopCase> {};

TEST_P(SessionStopTest, StopEndsTheWaitAndLeavesThePortUsable)
{
    const StopPoint point = GetParam().point;
    SessionTimings timings; // the gateway's own waits
    if (point == StopPoint::startPause) {
        timings.startPauseMs = 600'000;
    }
    if (point == StopPoint::heldReply || point == StopPoint::heldReplyFreed) {
        gateway.onRequest([this](uint8_t command) {
            if (command == CMD_IDENTIFY) {
                link.setHoldReads(true);
            }
        });
    }
    if (point == StopPoint::stalledWrite) {
        link.setStallWrites(true, 600'000);
    }
    auto session = std::make_unique<ZAVSession>(sink, timings);
    if (point == StopPoint::flashBegin) {
        gateway.setReply(CMD_FLASH_BEGIN, std::nullopt);
        session->setFlashWindow(true);
        session->setPort(&link);
        session->setEnabled(true);
        session->startThread();
        session->startOperation(SessionOperation::flash);
    } else {
        startReading(*session, link);
    }
    if (point == StopPoint::startPause) {
        ASSERT_TRUE(sink.waitForCount(1, kWaitMs));
    } else {
        ASSERT_TRUE(link.waitForBlockedCall(kWaitMs));
    }

    if (point == StopPoint::heldReplyFreed) {
        session.reset(); // joins the worker
    } else {
        EXPECT_TRUE(session->stopThread());
        EXPECT_FALSE(session->hasThread());
    }
    if (point == StopPoint::flashBegin) {
        EXPECT_EQ(session->lastFlash(),
                  (FlashOutcome{false, FlashStep::begin, ReceiveStatus::cancelled, 0, 0, 0}));
        // Cut short: the flash window is not told the session went idle.
        EXPECT_EQ(sink.all().size(), 0u);
    }

    // The worker dropped RTS on its way out and told nobody of the cut-short operation.
    EXPECT_FALSE(link.rts());
    const auto all = seen(sink.all());
    EXPECT_EQ(std::count(all.begin(), all.end(), toMainWindow(MSG_SESSION_FAILED)), 0);
    EXPECT_EQ(std::count(all.begin(), all.end(), kReadOk), 0);
    // The cancel is off the shared port again (a held reply may still come now).
    link.setHoldReads(false);
    link.setStallWrites(false);
    uint8_t byte = 0;
    EXPECT_NE(link.read(&byte, 1, 0).status, ReadStatus::cancelled);
    EXPECT_EQ(link.write(ENQUIRE.data(), ENQUIRE.size()), WriteStatus::ok);
}

INSTANTIATE_TEST_SUITE_P(Waits, SessionStopTest, testing::ValuesIn(STOP_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SessionTest, StopWhileASentNotificationIsHeld)
{
    HoldingSink holding(MSG_READ_PROGRESS);
    // Once let go, the worker gets no further than identify's reply, which never comes.
    gateway.onRequest([this](uint8_t command) {
        if (command == CMD_IDENTIFY) {
            link.setHoldReads(true);
        }
    });
    ZAVSession session(holding, quickTimings());
    startReading(session, link);
    ASSERT_TRUE(holding.waitUntilHolding(kWaitMs));

    // The owner lets its waiting senders go first, then stops the worker.
    holding.release();
    EXPECT_TRUE(session.stopThread());

    const auto all = seen(holding.all());
    ASSERT_EQ(all.size(), 2u); // nothing after the held step
    EXPECT_EQ(all[1], step(31));
    EXPECT_FALSE(link.rts());
}

TEST_F(SessionTest, StopBeforeReleasingGivesUpAfterItsWaitAndALaterStopEndsTheWorker)
{
    HoldingSink holding(MSG_READ_PROGRESS);
    ZAVSession session(holding, quickTimings());
    startReading(session, link);
    ASSERT_TRUE(holding.waitUntilHolding(kWaitMs));

    // The worker cannot leave the notification: the thread is kept, never killed.
    EXPECT_FALSE(session.stopThread());
    EXPECT_TRUE(session.hasThread());
    holding.release();
    EXPECT_TRUE(session.stopThread());
    EXPECT_FALSE(session.hasThread());
    EXPECT_EQ(seen(holding.all()).size(), 2u);
}

} // namespace
