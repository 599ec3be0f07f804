#include "device/GatewayDetector.h"

#include "device/MemorySerialLink.h"
#include "model/Notifications.h"
#include "model/UserPrompts.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;

namespace {

const char* const CONNECTED = "Connected to ZAV Gateway";
const char* const DISCONNECTED = "Disconnected from ZAV Gateway";
const char* const OPEN_ERROR =
    "Could not connect to the ZAV Gateway. Try reconnecting the USB cable.";

class FakeLister final : public PortLister {
public:
    std::vector<PortInfo> ports;
    std::vector<PortInfo> listPorts() override { return ports; }
};

struct Message {
    MessageIcon icon;
    std::string caption;
    std::string text;
};

class RecordingPrompts final : public UserPrompts {
public:
    std::vector<Message> messages;
    void message(MessageIcon icon, const std::string& caption, const std::string& text) override
    {
        messages.push_back({icon, caption, text});
    }
    MessageAnswer ask(MessageIcon, const std::string&, const std::string&, MessageButtons) override
    {
        return MessageAnswer::cancel;
    }
};

PortInfo gateway(const std::string& name)
{
    return {name, 0x0403, 0x6001, "RA-VAVE-RO1", "USB Serial Port"};
}

PortInfo other(const std::string& name, const std::string& serial = "A5XK3RJT")
{
    return {name, 0x0403, 0x6001, serial, "USB Serial Port"};
}

class GatewayDetectorTest : public testing::Test {
protected:
    GatewayDetectorTest()
    {
        detector.setConfigPortSettings(CONFIG);
        detector.setStoreConfigPort(
            [this](const std::string& name) { storedPorts.push_back(name); });
    }

    static constexpr LineSettings CONFIG{115200, 8, PARITY_EVEN, STOP_BITS_TWO};
    MemorySerialLink port;
    FakeLister lister;
    test::RecordingSink sink;
    RecordingPrompts prompts;
    GatewayDetector detector{port, lister, sink, prompts};
    std::vector<std::string> storedPorts;
};

TEST_F(GatewayDetectorTest, OpensTheGatewayAtTheConfigurationPortSettings)
{
    lister.ports = {other("ttyUSB0"), gateway("ttyUSB1")};
    ASSERT_TRUE(port.open("ttyS0"));
    ASSERT_TRUE(port.setRts(true));

    detector.detectGateway();

    EXPECT_TRUE(detector.isAttached());
    EXPECT_EQ(detector.attachedPort(), "ttyUSB1");
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.portName(), "ttyUSB1");
    EXPECT_EQ(port.settings(), CONFIG);
    EXPECT_FALSE(port.rts());
    EXPECT_TRUE(port.dtr());
    EXPECT_EQ(sink.lines(MSG_DEBUG_LINE), std::vector<std::string>{CONNECTED});
    // Sent to the main window: the check runs on the thread that owns it.
    EXPECT_EQ(sink.all().at(0).delivery, Delivery::sent);
    EXPECT_EQ(sink.all().at(0).receiver, Receiver::mainWindow);
    EXPECT_EQ(storedPorts, std::vector<std::string>{"ttyUSB1"});
    EXPECT_TRUE(prompts.messages.empty());
}

struct MatchCase {
    const char* name;
    std::vector<PortInfo> ports;
    std::string portOverride;
    std::vector<std::string> refused;
    std::string expectedPort; // empty: no gateway
    std::vector<std::string> expectedAttempts;
    size_t expectedErrors;
};

const MatchCase MATCH_CASES[] = {
    {"NoPorts", {}, "", {}, "", {}, 0},
    {"SerialDiffersInCase", {other("ttyUSB0", "ra-vave-ro1")}, "", {}, "", {}, 0},
    {"SerialWithSuffix", {other("ttyUSB0", "RA-VAVE-RO1A")}, "", {}, "", {}, 0},
    {"OtherVendor", {{"ttyUSB0", 0x067B, 0x6001, "RA-VAVE-RO1", ""}}, "", {}, "", {}, 0},
    {"OtherProduct", {{"ttyUSB0", 0x0403, 0x6015, "RA-VAVE-RO1", ""}}, "", {}, "", {}, 0},
    {"FirstOfTwoGateways",
     {other("ttyUSB0"), gateway("ttyUSB1"), gateway("ttyUSB2")},
     "",
     {},
     "ttyUSB1",
     {"ttyUSB1"},
     0},
    {"OpenFailureThenNextCandidate",
     {gateway("ttyUSB1"), gateway("ttyUSB2")},
     "",
     {"ttyUSB1"},
     "ttyUSB2",
     {"ttyUSB2"},
     1},
    {"EveryCandidateFails",
     {gateway("ttyUSB1"), gateway("ttyUSB2")},
     "",
     {"ttyUSB1", "ttyUSB2"},
     "",
     {},
     2},
    {"OverrideFirst", {gateway("ttyUSB1")}, "/dev/pts/4", {}, "/dev/pts/4", {"/dev/pts/4"}, 0},
    {"OverrideWithoutGateway", {other("ttyUSB0")}, "sim", {}, "sim", {"sim"}, 0},
    {"OverrideFailsThenGateway",
     {gateway("ttyUSB1")},
     "ttyS9",
     {"ttyS9"},
     "ttyUSB1",
     {"ttyUSB1"},
     1},
    {"OverrideIsTheGateway", {gateway("ttyUSB1")}, "ttyUSB1", {"ttyUSB1"}, "", {}, 1},
};

class GatewayMatchTest : public GatewayDetectorTest,
                         public testing::WithParamInterface<MatchCase> {};

TEST_P(GatewayMatchTest, PicksTheRightPort)
{
    const MatchCase& c = GetParam();
    lister.ports = c.ports;
    detector.setPortOverride(c.portOverride);
    for (const auto& name : c.refused) {
        port.refuseOpen(name);
    }

    detector.detectGateway();

    EXPECT_EQ(detector.isAttached(), !c.expectedPort.empty());
    EXPECT_EQ(detector.attachedPort(), c.expectedPort);
    EXPECT_EQ(port.isOpen(), !c.expectedPort.empty());
    EXPECT_EQ(port.openedNames(), c.expectedAttempts);
    ASSERT_EQ(prompts.messages.size(), c.expectedErrors);
    for (const Message& m : prompts.messages) {
        EXPECT_EQ(m.icon, MessageIcon::error);
        EXPECT_EQ(m.caption, "USB Serial Port Error");
        EXPECT_EQ(m.text, OPEN_ERROR);
    }
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, CONNECTED), c.expectedPort.empty() ? 0 : 1);
    if (!c.expectedPort.empty()) {
        EXPECT_EQ(storedPorts, std::vector<std::string>{c.expectedPort});
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, GatewayMatchTest, testing::ValuesIn(MATCH_CASES),
                         [](const testing::TestParamInfo<MatchCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(GatewayDetectorTest, ArrivalAttachesOnlyWhileDetached)
{
    lister.ports = {other("ttyUSB0")};
    detector.detectGateway();
    detector.poll();
    EXPECT_FALSE(detector.isAttached());
    EXPECT_TRUE(port.openedNames().empty());

    lister.ports.push_back(gateway("ttyUSB1"));
    detector.poll();
    EXPECT_TRUE(detector.isAttached());
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, CONNECTED), 1);

    lister.ports.push_back(other("ttyUSB2", "FT123"));
    detector.poll(); // a further arrival leaves the open port alone
    detector.poll();
    EXPECT_EQ(port.openedNames(), std::vector<std::string>{"ttyUSB1"});
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, CONNECTED), 1);
}

TEST_F(GatewayDetectorTest, RemovalOfAnotherDeviceKeepsTheGateway)
{
    lister.ports = {other("ttyUSB0"), gateway("ttyUSB1")};
    detector.detectGateway();

    lister.ports = {gateway("ttyUSB1")};
    detector.poll();

    EXPECT_TRUE(detector.isAttached());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.portName(), "ttyUSB1");
    EXPECT_EQ(port.openedNames(), (std::vector<std::string>{"ttyUSB1", "ttyUSB1"}));
    EXPECT_EQ(sink.lines(MSG_DEBUG_LINE), (std::vector<std::string>{CONNECTED, CONNECTED}));
}

TEST_F(GatewayDetectorTest, RemovalOfTheGatewayDisconnectsOnce)
{
    lister.ports = {other("ttyUSB0"), gateway("ttyUSB1")};
    detector.detectGateway();

    lister.ports = {other("ttyUSB0")};
    detector.poll();
    detector.poll();

    EXPECT_FALSE(detector.isAttached());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(sink.lines(MSG_DEBUG_LINE), (std::vector<std::string>{CONNECTED, DISCONNECTED}));
    EXPECT_TRUE(prompts.messages.empty());

    lister.ports.push_back(gateway("ttyUSB3")); // plugged in again, perhaps elsewhere
    detector.poll();
    EXPECT_TRUE(detector.isAttached());
    EXPECT_EQ(port.portName(), "ttyUSB3");
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, CONNECTED), 2);
}

TEST_F(GatewayDetectorTest, ChecksWaitWhileADeviceOperationOwnsThePort)
{
    lister.ports = {other("ttyUSB0"), gateway("ttyUSB1")};
    detector.detectGateway();
    {
        GatewayDetector::BusyGuard busy(detector);
        lister.ports = {gateway("ttyUSB1")};
        detector.poll();
        detector.detectGateway();
        EXPECT_EQ(port.openedNames().size(), 1u); // not reopened under the operation
        EXPECT_EQ(sink.count(MSG_DEBUG_LINE, CONNECTED), 1);
    }
    detector.poll();
    EXPECT_EQ(port.openedNames().size(), 2u);
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, CONNECTED), 2);

    {
        GatewayDetector::BusyGuard busy(detector);
        lister.ports = {};
        detector.poll();
        EXPECT_TRUE(port.isOpen());
        EXPECT_EQ(sink.count(MSG_DEBUG_LINE, DISCONNECTED), 0);
    }
    detector.poll();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, DISCONNECTED), 1);
}

TEST_F(GatewayDetectorTest, PortLostUnderAnOperationIsNoticed)
{
    lister.ports = {gateway("ttyUSB1")};
    detector.detectGateway();
    {
        GatewayDetector::BusyGuard busy(detector);
        port.unplug(); // pulled and put back while the operation ran: the list looks the same
        port.refuseOpen("ttyUSB1");
    }
    detector.poll();
    EXPECT_FALSE(detector.isAttached());
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, DISCONNECTED), 1);
    EXPECT_EQ(prompts.messages.size(), 1u);
    detector.poll(); // no flood of messages
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(sink.count(MSG_DEBUG_LINE, DISCONNECTED), 1);
}

} // namespace
