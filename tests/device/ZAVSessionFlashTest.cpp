// Operation 3 of the device session: the flash transfer of a loaded firmware file against a
// gateway on the in-memory link that acknowledges everything but the one request it is told
// to refuse or leave unanswered.
#include "SessionTestSupport.h"
#include "device/DeviceFrame.h"
#include "device/MemorySerialLink.h"
#include "device/ZAVSession.h"
#include "support/TempDir.h"
#include "support/TestDoubles.h"

#include <fstream>
#include <gtest/gtest.h>
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
const Bytes NAK{0xFF, 0x15, 0x00, 0x00, 0x21, 0xD0};
const Bytes FLASH_BEGIN{0xFF, 0x44, 0x00, 0x00, 0x70, 0x01};

// Four chunks, apart from each other: 0x0000, 0x0010, 0x08020000 and 0x08020100.
const std::vector<std::string> FOUR_CHUNKS = {
    ":040000001122334452", ":0400100099AABBCC22", ":020000040802F0",
    ":040000005566778842", ":0401000001020304F1",
};

// CMD_FLASH_DATA of the third: 4 bytes at 0x08020000; the CRC from a bitwise CRC-16/ARC.
const Bytes THIRD_CHUNK_FRAME{0xFF, 0x46, 0x0C, 0x00, 0x00, 0x00, 0x02, 0x08, 0x04,
                              0x00, 0x00, 0x00, 0x55, 0x66, 0x77, 0x88, 0xDA, 0x32};

// Acknowledges every request except the one at a given position (0 is CMD_FLASH_BEGIN), which
// gets its own reply or none; keeps every request as written.
class FlashGateway {
public:
    explicit FlashGateway(MemorySerialLink& link)
    {
        link.setResponder([this](MemorySerialLink& l, const Bytes& bytes) {
            std::optional<Bytes> reply = ACK;
            {
                std::lock_guard lock(m_mutex);
                if (m_requests.size() == m_failAt) {
                    reply = m_failReply;
                }
                m_requests.push_back(bytes);
            }
            if (reply) {
                l.reply(std::move(*reply));
            }
        });
    }

    void failRequest(size_t index, std::optional<Bytes> reply)
    {
        std::lock_guard lock(m_mutex);
        m_failAt = index;
        m_failReply = std::move(reply);
    }
    [[nodiscard]] std::vector<Bytes> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    [[nodiscard]] std::vector<int> commands() const
    {
        std::vector<int> out;
        for (const Bytes& r : requests()) {
            out.push_back(r.size() > 1 ? r[1] : -1);
        }
        return out;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_requests;
    size_t m_failAt = SIZE_MAX;
    std::optional<Bytes> m_failReply;
};

Seen progress(int percent)
{
    return {MSG_FLASH_PROGRESS, percent, 0, Delivery::posted, Receiver::flashWindow};
}

std::vector<int> flashCommands(size_t chunks)
{
    std::vector<int> out{CMD_FLASH_BEGIN};
    out.insert(out.end(), chunks, CMD_FLASH_DATA);
    out.push_back(CMD_FLASH_END);
    return out;
}

SessionTimings flashTimings()
{
    SessionTimings t = quickTimings();
    // Long enough for a reply that comes; short, as the failure cases wait for one that does not.
    t.flashBeginTimeoutMs = 300;
    t.flashDataTimeoutMs = 300;
    t.flashEndTimeoutMs = 300;
    return t;
}

class FlashTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.valid());
        ASSERT_TRUE(link.open("ttyUSB0"));
    }

    // Loads the lines as the flash window does and runs operation 3 to the end of its finish.
    void flash(const std::vector<std::string>& lines)
    {
        const std::string path = dir.file("firmware.a79");
        {
            std::ofstream file(path);
            for (const std::string& line : lines) {
                file << line << "\n";
            }
        }
        session.setPort(&link);
        session.setEnabled(true);
        session.startThread();
        session.setFlashWindow(true);
        session.clearFirmware();
        ASSERT_TRUE(session.loadFirmware(path));
        session.startOperation(SessionOperation::flash);
        ASSERT_TRUE(session.waitForIdle(kWaitMs));
    }

    test::TempDir dir;
    MemorySerialLink link;
    FlashGateway gateway{link};
    test::RecordingSink sink;
    ZAVSession session{sink, flashTimings()};
};

struct SuccessCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<int> percents;
};

void PrintTo(const SuccessCase& c, std::ostream* os)
{
    *os << c.name;
}

const SuccessCase SUCCESS_CASES[] = {
    {"FourChunks", FOUR_CHUNKS, {0, 25, 50, 75}},
    {"ThreeChunks", {FOUR_CHUNKS.begin(), FOUR_CHUNKS.end() - 1}, {0, 33, 66}},
    // Nothing but a record with a bad checksum: begin and end, and no chunk between them.
    {"NoValidRecord", {":040000001122334453"}, {}},
};

class FlashSuccessTest : public FlashTest, public testing::WithParamInterface<SuccessCase> {};

TEST_P(FlashSuccessTest, EveryChunkThenTheEndThenIdle)
{
    const SuccessCase& c = GetParam();
    flash(c.lines);
    const size_t n = c.percents.size();

    EXPECT_EQ(gateway.commands(), flashCommands(n));
    std::vector<Seen> want;
    for (const int percent : c.percents) {
        want.push_back(progress(percent));
    }
    want.push_back(kIdle);
    EXPECT_EQ(seen(sink.all()), want);
    EXPECT_EQ(session.lastFlash(),
              (FlashOutcome{true, FlashStep::end, ReceiveStatus::ok, n, n, 0}));
    EXPECT_TRUE(session.firmwareChunks().empty());
    EXPECT_TRUE(session.finished());
    EXPECT_FALSE(link.rts());
}

INSTANTIATE_TEST_SUITE_P(Files, FlashSuccessTest, testing::ValuesIn(SUCCESS_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(FlashTest, FramesOnTheWire)
{
    flash(FOUR_CHUNKS);
    const auto requests = gateway.requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0], FLASH_BEGIN);
    EXPECT_EQ(requests[3], THIRD_CHUNK_FRAME);
    EXPECT_EQ(requests[5], (Bytes{0xFF, 0x47, 0x00, 0x00, 0x80, 0x01}));
}

struct FailureCase {
    const char* name;
    size_t request; // the request refused or left unanswered: 0 begin, 1 to 4 the chunks, 5 end
    bool nak;
    FlashStep step;
    std::vector<int> percents;
    uint32_t address; // of the failed chunk
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

const FailureCase FAILURE_CASES[] = {
    {"NoBeginAck", 0, false, FlashStep::begin, {}, 0},
    {"BeginNak", 0, true, FlashStep::begin, {}, 0},
    {"NoAckOnFirstChunk", 1, false, FlashStep::data, {}, 0x0000},
    {"NakOnThirdChunk", 3, true, FlashStep::data, {0, 25}, 0x08020000},
    {"NoAckOnLastChunk", 4, false, FlashStep::data, {0, 25, 50}, 0x08020100},
    {"NoEndAck", 5, false, FlashStep::end, {0, 25, 50, 75}, 0},
};

class FlashFailureTest : public FlashTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(FlashFailureTest, StopsThereAndSaysWhere)
{
    const FailureCase& c = GetParam();
    gateway.failRequest(c.request, c.nak ? std::optional(NAK) : std::nullopt);
    flash(FOUR_CHUNKS);

    // Nothing is sent after the failed request, save the end once every chunk went.
    std::vector<int> want = flashCommands(4);
    want.resize(c.request + 1);
    EXPECT_EQ(gateway.commands(), want);
    std::vector<Seen> notes;
    for (const int percent : c.percents) {
        notes.push_back(progress(percent));
    }
    notes.push_back(kIdle); // the window is told the same as after success
    EXPECT_EQ(seen(sink.all()), notes);
    const size_t acknowledged = c.percents.size();
    const ReceiveStatus cause = c.nak ? ReceiveStatus::nak : ReceiveStatus::timeout;
    EXPECT_EQ(session.lastFlash(),
              (FlashOutcome{false, c.step, cause, 4, acknowledged, c.address}));
    // Unless the gateway took every chunk, they stay loaded for another try.
    EXPECT_EQ(session.firmwareChunks().size(), c.step == FlashStep::end ? 0u : 4u);
    EXPECT_TRUE(session.finished());
    EXPECT_FALSE(link.rts());
}

INSTANTIATE_TEST_SUITE_P(Replies, FlashFailureTest, testing::ValuesIn(FAILURE_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(FlashTest, WithoutAFlashWindowNothingIsPosted)
{
    session.setPort(&link);
    session.setEnabled(true);
    session.startThread();
    session.startOperation(SessionOperation::flash);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    EXPECT_EQ(gateway.commands(), flashCommands(0));
    EXPECT_TRUE(sink.all().empty());
    ASSERT_TRUE(session.lastFlash().has_value());
    EXPECT_TRUE(session.lastFlash()->succeeded);
}

} // namespace
