#include "device/DeviceFrame.h"
#include "device/LinkFactory.h"
#include "device/SessionFrameEngine.h"
#include "platform/QtLinkFactory.h"

#include <gtest/gtest.h>

using namespace quillan;

namespace {

TEST(SimPortWiringTest, QtFactoryServesTheSimulatorAsSim)
{
    const device::LinkFactory factory = platform::makeQtLinkFactory();
    auto link = device::openLinkByName(factory, device::SIMULATOR_PORT_NAME);
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(link->configure(device::DEVICE_LINE_SETTINGS));
    ASSERT_TRUE(link->setRts(true));
    device::SessionFrameEngine session(link.get());
    ASSERT_TRUE(session.sendFrame(device::CMD_IDENTIFY));
    ASSERT_TRUE(session.readReply(device::SESSION_BLOCK_TIMEOUT_MS));
    EXPECT_EQ(bytes::getU16(session.identity().data()), 12);
}

} // namespace

#include "device/LinkState.h"
#include "device/NodeFrameEngine.h"
#include "platform/QtSerialLink.h"
#include "SimTestSupport.h"

namespace {

// The program's own serial link against the simulator process: the Node engine purges both
// directions before each request, which must not cost the request on its way out.
TEST(SimPortWiringTest, QtSerialLinkTalksToTheSimulatorOverAPseudoTerminal)
{
    quillan::simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({"--pty", "--no-line-timing"}));
    const auto path = sim.firstLine(10000);
    ASSERT_TRUE(path.has_value());

    quillan::platform::QtSerialLink link;
    ASSERT_TRUE(link.open(*path));
    ASSERT_TRUE(link.configure(quillan::device::DEVICE_LINE_SETTINGS));
    quillan::device::LinkState state;
    state.linkFlag = true;
    quillan::device::NodeFrameEngine engine(state, &link);
    int answered = 0;
    std::string missed; // why, for the failure message
    for (int i = 0; i < 100; ++i) {
        if (!engine.sendFrame(quillan::device::CMD_ENQUIRE)) {
            missed += "request " + std::to_string(i) + ": not sent\n";
        } else if (!engine.readReply(quillan::device::ENQUIRE_TIMEOUT_MS)) {
            missed += "request " + std::to_string(i) + ": " +
                      quillan::device::receiveStatusText(engine.lastReceiveStatus()) + "\n";
        } else {
            ++answered;
        }
    }
    EXPECT_EQ(answered, 100) << missed << sim.errorOutput();
    link.close();
    EXPECT_EQ(sim.stop(5000), 0);
}

} // namespace
