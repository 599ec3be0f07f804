#include "device/LinkFactory.h"

#include "device/MemorySerialLink.h"
#include "device/RoutedSerialLink.h"
#include "device/SessionFrameEngine.h"

#include <gtest/gtest.h>

using namespace quillan::device;

namespace {

// A simulator stand-in: acknowledges every request.
std::unique_ptr<SerialLink> makeAckingLink()
{
    auto link = std::make_unique<MemorySerialLink>();
    link->setResponder(
        [](MemorySerialLink& l, const std::vector<uint8_t>&) { l.reply(makeFrame(CMD_ACK)); });
    return link;
}

TEST(LinkFactory, VirtualPortsByNameSerialPortsOtherwise)
{
    int serialMade = 0;
    LinkFactory factory([&] {
        ++serialMade;
        return std::make_unique<MemorySerialLink>();
    });
    factory.addVirtualPort(SIMULATOR_PORT_NAME, makeAckingLink);

    EXPECT_TRUE(factory.isVirtualPort("sim"));
    EXPECT_FALSE(factory.isVirtualPort("SIM"));
    auto serial = openLinkByName(factory, "ttyUSB0");
    ASSERT_TRUE(serial);
    EXPECT_EQ(serial->portName(), "ttyUSB0");
    EXPECT_EQ(serialMade, 1);

    auto sim = openLinkByName(factory, "sim");
    ASSERT_TRUE(sim);
    EXPECT_EQ(serialMade, 1);
    SessionFrameEngine engine(sim.get());
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_TRUE(engine.readReply(1000));

    EXPECT_FALSE(openLinkByName(LinkFactory(), "ttyUSB0"));
}

TEST(RoutedSerialLink, OneObjectReachesEitherKindOfPort)
{
    RoutedSerialLink port(LinkFactory([] { return std::make_unique<MemorySerialLink>(); }));
    port.factory().addVirtualPort(SIMULATOR_PORT_NAME, makeAckingLink);
    SessionFrameEngine engine(&port);

    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.setRts(true));
    EXPECT_EQ(port.read(nullptr, 0, 10).status, ReadStatus::error);

    ASSERT_TRUE(port.open("ttyUSB0"));
    EXPECT_TRUE(port.applyDefaultSettings());
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_FALSE(engine.readReply(50)); // nobody answers on the plain port

    ASSERT_TRUE(port.open("sim"));
    EXPECT_EQ(port.portName(), "sim");
    ASSERT_TRUE(engine.sendFrame(CMD_ENQUIRE));
    EXPECT_TRUE(engine.readReply(1000));

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(engine.sendFrame(CMD_ENQUIRE));
}

} // namespace
