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
    EXPECT_EQ(device::getLe16(session.identity().data()), 12);
}

} // namespace
