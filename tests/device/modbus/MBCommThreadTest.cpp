#include "device/modbus/MBCommThread.h"

#include "device/MemorySerialLink.h"
#include "support/TestDoubles.h"

#include <future>
#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::device::modbus;

namespace {

using Bytes = std::vector<uint8_t>;

// Frames and CRCs worked out by hand (a bitwise CRC-16/MODBUS in Python).
const Bytes READ_40_TO_42{0x01, 0x03, 0x00, 0x28, 0x00, 0x03, 0x85, 0xC3};
const Bytes READ_REPLY{0x01, 0x03, 0x06, 0x00, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0xBC, 0xC5};
const Bytes READ_REPLY_SLAVE_2{0x02, 0x03, 0x06, 0x00, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0xA8, 0x35};
const Bytes READ_EXCEPTION{0x01, 0x83, 0x02, 0xC0, 0xF1};
const Bytes WRITE_0x1234_TO_10{0x01, 0x06, 0x00, 0x0A, 0x12, 0x34, 0xA4, 0xBF};
const Bytes WRITE_1_5_TO_7001{0x01, 0x06, 0x1B, 0x59, 0x3F, 0xC0, 0x00, 0x00, 0xF4, 0x09};
const Bytes WRITE_EXCEPTION{0x01, 0x86, 0x02, 0xC3, 0xA1};

// No settling waits; a silent slave is given up on quickly.
constexpr ModbusTimings FAST{0, 0, 100};

Bytes withBadCrc(Bytes frame)
{
    frame.back() ^= 0x5A;
    return frame;
}

class MBCommThreadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(link.open("ttyUSB0")); }

    // The slave answers each request with reply, in pieces of these sizes if any.
    void answerWith(Bytes reply, std::vector<size_t> pieces = {})
    {
        link.setResponder([reply, pieces](MemorySerialLink& l, const Bytes&) {
            if (pieces.empty()) {
                l.reply(reply);
            } else {
                l.replyInChunks(reply, pieces, 0);
            }
        });
    }

    std::vector<std::string> debugLines() const { return sink.lines(MSG_DEBUG_LINE); }

    std::vector<Notification> tabNotifications() const
    {
        std::vector<Notification> out;
        for (const Notification& n : sink.all()) {
            if (n.receiver == Receiver::modbusTab) {
                out.push_back(n);
            }
        }
        return out;
    }

    MemorySerialLink link;
    test::RecordingSink sink;
    MBCommThread master{link, sink, FAST};
};

TEST_F(MBCommThreadTest, ReadTracesRequestAndReplyAndHandsTheReplyToTheTab)
{
    answerWith(READ_REPLY);
    EXPECT_TRUE(master.readRegisters(40, 3, 1));

    EXPECT_EQ(link.written(), READ_40_TO_42);
    EXPECT_EQ(debugLines(), (std::vector<std::string>{
                                "Modbus Request: id 1, registers 40 to 42...",
                                "  ->   01 03 00 28 00 03 85 C3 ",
                                "Modbus Response: success.",
                                "  <-   01 03 06 00 01 00 02 FF FF BC C5 ",
                            }));
    const auto tab = tabNotifications();
    ASSERT_EQ(tab.size(), 1U);
    EXPECT_EQ(tab[0].code, MSG_MODBUS_READ);
    EXPECT_EQ(tab[0].delivery, Delivery::sent);
    EXPECT_EQ(Bytes(master.response().begin(), master.response().end()), READ_REPLY);
    EXPECT_EQ(Bytes(master.request().begin(), master.request().end()), READ_40_TO_42);
    // Complete on its length and CRC, not on a silence after it.
    EXPECT_EQ(link.timedOutReads(), 0);
}

TEST_F(MBCommThreadTest, ReplyInPiecesIsGatheredUntilComplete)
{
    answerWith(READ_REPLY, {1, 1, 4, 3});
    EXPECT_TRUE(master.readRegisters(40, 3, 1));
    EXPECT_EQ(Bytes(master.response().begin(), master.response().end()), READ_REPLY);
    EXPECT_EQ(link.timedOutReads(), 0);
}

TEST_F(MBCommThreadTest, BadReadRepliesEachGiveTheirOwnError)
{
    struct Case {
        const char* name;
        std::optional<Bytes> reply; // none: the slave stays silent
        const char* error;
    };
    const Case cases[] = {
        {"other slave", READ_REPLY_SLAVE_2, "Modbus Response error: invalid slave id."},
        {"exception", READ_EXCEPTION, "Modbus Response error: invalid function code."},
        {"crc", withBadCrc(READ_REPLY), "Modbus Response error: CRC Error."},
        {"silence", std::nullopt, "Modbus Response error: no response received."},
        {"cut off", Bytes(READ_REPLY.begin(), READ_REPLY.begin() + 6),
         "Modbus Response error: incomplete response."},
        {"cut off before byte count", Bytes{0x01, 0x03},
         "Modbus Response error: incomplete response."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingSink caseSink;
        MBCommThread caseMaster(link, caseSink, FAST);
        link.setResponder(nullptr);
        if (c.reply) {
            answerWith(*c.reply);
        }
        const int timedOutBefore = link.timedOutReads();

        EXPECT_FALSE(caseMaster.readRegisters(40, 3, 1));

        const auto lines = caseSink.lines(MSG_DEBUG_LINE);
        ASSERT_EQ(lines.size(), 3U); // request, its trace, the error
        EXPECT_EQ(lines.back(), c.error);
        EXPECT_EQ(caseSink.count(MSG_MODBUS_READ, ""), 0);
        EXPECT_TRUE(caseMaster.response().empty());
        if (c.error == std::string("Modbus Response error: invalid function code.")) {
            // The exception reply's own length ends the read.
            EXPECT_EQ(link.timedOutReads(), timedOutBefore);
        }
        (void)link.takeWritten();
    }
}

TEST_F(MBCommThreadTest, WritesEchoTheRequestAndTellTheTabWhichKind)
{
    answerWith(WRITE_0x1234_TO_10);
    EXPECT_TRUE(master.writeRegister(10, 0x1234, 1));
    EXPECT_EQ(link.takeWritten(), WRITE_0x1234_TO_10);

    answerWith(WRITE_1_5_TO_7001);
    EXPECT_TRUE(master.writeFloatRegister(7001, 1.5F, 1));
    EXPECT_EQ(link.takeWritten(), WRITE_1_5_TO_7001);

    EXPECT_EQ(debugLines(), (std::vector<std::string>{
                                "Modbus Write: id 1, register 10, value 4660...",
                                "  ->   01 06 00 0A 12 34 A4 BF ",
                                "Modbus Response: success.",
                                "  <-   01 06 00 0A 12 34 A4 BF ",
                                "Modbus Write: id 1, register 7001, value 1.500000...",
                                "  ->   01 06 1B 59 3F C0 00 00 F4 09 ",
                                "Modbus Response: success.",
                                "  <-   01 06 1B 59 3F C0 00 00 F4 09 ",
                            }));
    const auto tab = tabNotifications();
    ASSERT_EQ(tab.size(), 2U);
    EXPECT_EQ(tab[0].code, MSG_MODBUS_WRITE);
    EXPECT_EQ(tab[0].step, 0);
    EXPECT_EQ(tab[1].code, MSG_MODBUS_WRITE);
    EXPECT_EQ(tab[1].step, 1);
}

TEST_F(MBCommThreadTest, BadWriteRepliesEachGiveTheirOwnError)
{
    struct Case {
        const char* name;
        Bytes reply;
        const char* error;
    };
    const Case cases[] = {
        {"exception", WRITE_EXCEPTION, "Modbus Response error: invalid function code."},
        {"crc", withBadCrc(WRITE_1_5_TO_7001), "Modbus Response error: CRC Error."},
        // A float write's reply is judged at 8 bytes, as every write reply: an echo that ends
        // there fails its CRC (the two bytes after the eighth are missing), without waiting
        // out the read time-out.
        {"short echo", Bytes(WRITE_1_5_TO_7001.begin(), WRITE_1_5_TO_7001.begin() + 8),
         "Modbus Response error: CRC Error."},
    };
    // Far longer than the test may take: a case that waited for it would not end.
    constexpr ModbusTimings PATIENT{0, 0, 600'000};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingSink caseSink;
        MBCommThread caseMaster(link, caseSink, PATIENT);
        answerWith(c.reply);
        EXPECT_FALSE(caseMaster.writeFloatRegister(7001, 1.5F, 1));
        EXPECT_EQ(caseSink.lines(MSG_DEBUG_LINE).back(), c.error);
        EXPECT_EQ(caseSink.count(MSG_MODBUS_WRITE, ""), 0);
    }
}

TEST_F(MBCommThreadTest, ClosedPortSendsNothing)
{
    link.close();
    EXPECT_FALSE(master.readRegisters(40, 3, 1));
    EXPECT_TRUE(link.written().empty());
    EXPECT_EQ(debugLines(), (std::vector<std::string>{
                                "Modbus Request: id 1, registers 40 to 42...",
                                "Modbus Error: Serial port open failure.",
                            }));
}

TEST_F(MBCommThreadTest, CancelEndsTheWaitsWithoutAnError)
{
    // Waits far longer than the test may take: only the cancel can end them.
    constexpr int FOREVER_MS = 600'000;
    {
        MBCommThread slow(link, sink, {0, FOREVER_MS, FOREVER_MS});
        auto read = std::async(std::launch::async, [&] { return slow.readRegisters(40, 3, 1); });
        ASSERT_TRUE(link.waitForBlockedCall(10'000)); // waiting for a reply that never comes
        slow.cancel();
        EXPECT_FALSE(read.get());
        EXPECT_EQ(link.takeWritten(), READ_40_TO_42);

        // Still cancelled until reset: the next request stops before sending.
        EXPECT_FALSE(slow.writeRegister(10, 1, 1));
        EXPECT_TRUE(link.written().empty());
        slow.resetCancel();
        EXPECT_FALSE(slow.cancelled());
    }
    {
        test::RecordingSink waitSink;
        MBCommThread slow(link, waitSink, {FOREVER_MS, 0, 0});
        auto read = std::async(std::launch::async, [&] { return slow.readRegisters(40, 3, 1); });
        ASSERT_TRUE(waitSink.waitForCount(1, 10'000)); // the request line: now in the purge wait
        slow.cancel();
        EXPECT_FALSE(read.get());
        EXPECT_TRUE(link.written().empty());
        EXPECT_EQ(waitSink.lines(MSG_DEBUG_LINE).size(), 1U);
    }
    for (const std::string& line : debugLines()) {
        EXPECT_EQ(line.find("error"), std::string::npos) << line;
    }
}

} // namespace
