#include "device/GatewayLink.h"

#include "OperationTestSupport.h"
#include "device/MemorySerialLink.h"

#include <future>
#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::test;

namespace {

class GatewayLinkTest : public testing::Test {
protected:
    GatewayLinkTest() { EXPECT_TRUE(port.open("ttyUSB0")); }

    GatewayLink& makeLink(LinkTimings timings = quickTimings())
    {
        link = std::make_unique<GatewayLink>(DeviceServices{port, sink, prompts, &debug, {}},
                                             "North", timings);
        return *link;
    }

    // Answers every request with the frame given for its command, or nothing.
    void answer(std::map<uint8_t, std::vector<uint8_t>> replies)
    {
        port.setResponder([replies](MemorySerialLink& l, const std::vector<uint8_t>& request) {
            if (request.size() >= 2) {
                if (const auto it = replies.find(request[1]); it != replies.end()) {
                    l.reply(it->second);
                }
            }
        });
    }

    MemorySerialLink port;
    RecordingSink sink;
    ScriptedPrompts prompts;
    RecordingDebugOutput debug;
    std::unique_ptr<GatewayLink> link;
};

TEST_F(GatewayLinkTest, TakesThePortAtTheDeviceSettingsAndGivesItBack)
{
    GatewayLink& l = makeLink();
    ASSERT_TRUE(l.openLink());
    EXPECT_FALSE(debug.active);
    EXPECT_EQ(port.settings(), DEVICE_LINE_SETTINGS);
    EXPECT_TRUE(port.rts());
    EXPECT_GE(port.purgeCount(), 1);
    EXPECT_TRUE(l.holdsPort());

    l.closeLink();
    EXPECT_FALSE(port.rts());
    EXPECT_TRUE(debug.active);
    EXPECT_EQ(debug.suspends, 1);
    EXPECT_EQ(debug.activations, 1);
    EXPECT_FALSE(l.holdsPort());
    EXPECT_TRUE(sink.lines(MSG_OUTPUT_LINE).empty());
}

TEST_F(GatewayLinkTest, AClosedPortIsReportedAndTheListenerStillComesBack)
{
    port.close();
    GatewayLink& l = makeLink();
    EXPECT_FALSE(l.openLink());
    EXPECT_EQ(sink.lines(MSG_OUTPUT_LINE),
              (std::vector<std::string>{"North - Serial port open failure."}));
    EXPECT_FALSE(l.enquire());
    l.closeLink();
    EXPECT_TRUE(debug.active);
    EXPECT_FALSE(port.rts());
}

struct StatusLine {
    int code;
    bool close;
    const char* line;
};

TEST_F(GatewayLinkTest, ReportStatusWritesTheLineAndClosesWhenAsked)
{
    // A Base Unit answers the identify request.
    answer({{CMD_ENQUIRE, makeFrame(CMD_ACK)},
            {CMD_IDENTIFY, makeFrame(CMD_IDENTITY, {11, 0, '2', '.', '1', 0})}});
    const StatusLine lines[] = {
        {28, false, ""},
        {25, false, "North - ZAV Gateway Module update failure, a Base Unit was detected."},
        {2, true, "North - Configuration download Ok."},
    };
    for (const StatusLine& s : lines) {
        SCOPED_TRACE(s.code);
        GatewayLink& l = makeLink();
        ASSERT_TRUE(l.openLink());
        ASSERT_TRUE(l.enquire());
        ASSERT_TRUE(l.identify());
        const size_t before = sink.lines(MSG_OUTPUT_LINE).size();
        l.reportStatus(s.code, s.close);
        const auto output = sink.lines(MSG_OUTPUT_LINE);
        ASSERT_EQ(output.size(), before + 1);
        EXPECT_EQ(output.back(), s.line);
        EXPECT_EQ(l.holdsPort(), !s.close);
        EXPECT_EQ(l.state().linkFlag, !s.close);
        EXPECT_EQ(port.rts(), !s.close);
        l.closeLink();
    }
}

TEST_F(GatewayLinkTest, ANakShowsItsLineWithoutClosing)
{
    answer({{CMD_ENQUIRE, makeFrame(CMD_ACK)}, {CMD_WRITE_BLOCK, makeFrame(CMD_NAK)}});
    GatewayLink& l = makeLink();
    ASSERT_TRUE(l.openLink());
    ASSERT_TRUE(l.enquire());
    const std::vector<uint8_t> ports(36, 1);
    EXPECT_FALSE(l.writeBlock(0, 0, ports));
    EXPECT_EQ(sink.lines(MSG_OUTPUT_LINE),
              (std::vector<std::string>{"North - Device negative acknowledge."}));
    EXPECT_TRUE(l.holdsPort());
    EXPECT_TRUE(l.state().linkFlag);
    EXPECT_EQ(l.reportedCodes(), std::vector<int>{22});
}

TEST_F(GatewayLinkTest, TheKeyIsAFourByteBlockTen)
{
    const std::vector<uint8_t> key{0x78, 0x56, 0x34, 0x12};
    const auto block = [](uint16_t type, std::vector<uint8_t> data) {
        return makeFrame(CMD_READ_BLOCK, BlockData{type, 0, std::move(data)}.encode());
    };
    struct KeyReply {
        const char* name;
        std::vector<uint8_t> reply;
        bool accepted;
    };
    const KeyReply replies[] = {
        {"Key", block(10, key), true},
        {"WholeSecurityBlock", block(10, {0x78, 0x56, 0x34, 0x12, 0, 0}), false},
        {"AnotherBlock", block(1, key), false},
    };
    for (const KeyReply& r : replies) {
        SCOPED_TRACE(r.name);
        answer({{CMD_ENQUIRE, makeFrame(CMD_ACK)}, {CMD_READ_BLOCK, r.reply}});
        GatewayLink& l = makeLink();
        ASSERT_TRUE(l.openLink());
        ASSERT_TRUE(l.enquire());
        (void)port.takeWritten();
        EXPECT_EQ(l.readSecurityKey(), r.accepted);
        EXPECT_EQ(l.state().keyValue, r.accepted ? 0x12345678u : 0u);
        // Block 10, page 0, and two bytes of zero.
        EXPECT_EQ(port.takeWritten(), (std::vector<uint8_t>{0xFF, 0x41, 0x06, 0x00, 0x0A, 0x00,
                                                            0x00, 0x00, 0x00, 0x00, 0x89, 0x20}));
        l.closeLink();
    }
}

TEST_F(GatewayLinkTest, ACancelEndsTheFixedWaits)
{
    LinkTimings slow;
    slow.openSettleMs = 60'000;
    slow.closeDrainMs = 60'000;
    slow.closeSettleMs = 60'000;
    GatewayLink& l = makeLink(slow);
    auto done = std::async(std::launch::async, [&] {
        (void)l.openLink();
        l.closeLink();
    });
    l.cancel();
    ASSERT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(port.rts());
    EXPECT_TRUE(debug.active);
}

} // namespace
