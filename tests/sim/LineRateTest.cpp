// The program's serial link against zav-gateway-sim on a pseudo-terminal with line timing:
// 57,600 baud both ways, as a real gateway behind its converter. A pseudo-terminal takes a
// request at once; the simulator receives it at the line's pace, so a host that starts its
// reply time-out before the request has left sees the reply late.
#include "SimTestSupport.h"
#include "device/DeviceServices.h"
#include "device/GatewayLink.h"
#include "device/UpdateDevice.h"
#include "platform/QtSerialLink.h"
#include "sim/StateFile.h"
#include "support/ConfigurationDifference.h"
#include "support/FullGateway.h"
#include "support/TempDir.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;

namespace {

constexpr int START_TIMEOUT_MS = 10000;

std::string debugText(const test::RecordingSink& sink)
{
    std::string text;
    for (const std::string& line : sink.lines(MSG_DEBUG_LINE)) {
        text += line + "\n";
    }
    return text;
}

unsigned tableRecords(const ConfigImage& image, BlockType table)
{
    unsigned total = 0;
    for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
        total += image.pageCount(table, page);
    }
    return total;
}

TEST(LineRateTest, UpdateDeviceOfAGatewayAtEveryLimit)
{
    test::TempDir dir;
    const std::string stateFile = dir.file("gateway.zavsim");
    simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({"--pty", "--state", stateFile}));
    const auto path = sim.firstLine(START_TIMEOUT_MS);
    ASSERT_TRUE(path) << sim.errorOutput();

    test::FullGatewayProject project;
    const UpdateRequest request = project.request();
    for (const BlockType table :
         {BlockType::dataStore, BlockType::imports, BlockType::exports, BlockType::modbusMap}) {
        ASSERT_EQ(tableRecords(request.compiled.image, table), 1920u) << static_cast<int>(table);
    }

    test::RecordingSink portSink;
    platform::QtSerialLink port(&portSink);
    ASSERT_TRUE(port.open(*path));
    test::RecordingSink sink;
    test::ScriptedPrompts prompts;
    DeviceServices services{port, sink, prompts, nullptr, {}};
    std::string exchanged; // for the failure message
    services.trace = [&](TraceDirection direction, std::span<const uint8_t> frame) {
        exchanged += (direction == TraceDirection::sent ? "-> " : "<- ") +
                     std::to_string(frame[1]) + " " + std::to_string(frame.size()) + "\n";
    };
    GatewayLink link(services, request.gatewayName);
    EXPECT_EQ(updateDevice(link, request), 2)
        << exchanged << debugText(portSink) << debugText(sink) << sim.errorOutput();
    EXPECT_EQ(sink.lines(MSG_OUTPUT_LINE),
              (std::vector<std::string>{"Full - Configuration download Ok."}));
    EXPECT_TRUE(prompts.questions.empty());
    port.close();

    ASSERT_EQ(sim.stop(START_TIMEOUT_MS), 0) << sim.errorOutput();
    sim::SimulatorState device;
    ASSERT_TRUE(sim::loadStateFile(stateFile, device).ok());
    EXPECT_EQ(test::configurationDifference(device.image, request.compiled.image), "");
}

// The bytes of a write have left the line when it returns, not merely reached the driver.
TEST(LineRateTest, AWriteReturnsOnceItsBytesAreOnTheLine)
{
    simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({"--pty"}));
    const auto path = sim.firstLine(START_TIMEOUT_MS);
    ASSERT_TRUE(path) << sim.errorOutput();
    platform::QtSerialLink port;
    ASSERT_TRUE(port.open(*path));
    ASSERT_TRUE(port.configure(DEVICE_LINE_SETTINGS));
    // A full import page: 7,692 bytes of 10 bits at 57,600 baud take 1,335 ms.
    const std::vector<uint8_t> frame(7692, 0x55);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(port.write(frame.data(), frame.size()), WriteStatus::ok);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1335));
}

} // namespace
