// The stopping contract of SerialLink, held by every link of the core: in memory, the
// process's routed port, and the in-process simulator. (The Qt port has its own tests on a
// pseudo-terminal.)
#include "device/LinkFactory.h"
#include "device/MemorySerialLink.h"
#include "device/RoutedSerialLink.h"
#include "sim/SimulatorLink.h"

#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace quillan;
using namespace quillan::device;
using Clock = std::chrono::steady_clock;

namespace {

const std::vector<uint8_t> ENQUIRE{0xFF, 0x05, 0x00, 0x00, 0x20, 0x15};
// A stop request comes while the worker waits.
constexpr auto STOP_AFTER = std::chrono::milliseconds(50);
// Far below the 15 s the reads would otherwise take.
constexpr auto PROMPTLY = std::chrono::seconds(5);

std::unique_ptr<SerialLink> makeSimulatorLink()
{
    sim::SimulatorOptions options;
    options.lineTiming = false;
    return std::make_unique<sim::SimulatorLink>(
        std::make_shared<sim::GatewaySimulator>(options.state, options.faults), false);
}

struct LinkKind {
    const char* name;
    std::function<std::unique_ptr<SerialLink>()> make;
    const char* port;
};

const LinkKind LINK_KINDS[] = {
    {"Memory", [] { return std::make_unique<MemorySerialLink>(); }, "ttyUSB0"},
    {"Simulator", makeSimulatorLink, "sim"},
    {"RoutedToMemory",
     [] {
         return std::make_unique<RoutedSerialLink>(
             LinkFactory([] { return std::make_unique<MemorySerialLink>(); }));
     },
     "ttyUSB0"},
    {"RoutedToSimulator",
     [] {
         LinkFactory factory;
         factory.addVirtualPort(SIMULATOR_PORT_NAME, makeSimulatorLink);
         return std::make_unique<RoutedSerialLink>(std::move(factory));
     },
     "sim"},
};

class LinkCancelTest : public testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override
    {
        link = GetParam().make();
        ASSERT_TRUE(link->open(GetParam().port));
        ASSERT_TRUE(link->setRts(true)); // the simulated gateway keeps its debug text back
    }

    // A read with the flash begin's time-out on another thread.
    std::future<ReadStatus> startLongRead()
    {
        return std::async(std::launch::async, [this] {
            uint8_t buffer[64];
            return link->read(buffer, sizeof buffer, 15000).status;
        });
    }

    std::unique_ptr<SerialLink> link;
};

TEST_P(LinkCancelTest, CancelEndsAPendingReadAndHoldsUntilReset)
{
    auto read = startLongRead();
    std::this_thread::sleep_for(STOP_AFTER);
    link->cancel();
    ASSERT_EQ(read.wait_for(PROMPTLY), std::future_status::ready);
    EXPECT_EQ(read.get(), ReadStatus::cancelled);

    const auto start = Clock::now();
    uint8_t byte = 0;
    EXPECT_EQ(link->read(&byte, 1, 15000).status, ReadStatus::cancelled);
    EXPECT_EQ(link->write(ENQUIRE.data(), ENQUIRE.size()), WriteStatus::cancelled);
    EXPECT_LT(Clock::now() - start, PROMPTLY);
    // A stopping worker still drops RTS and purges on its way out.
    EXPECT_TRUE(link->setRts(false));
    EXPECT_TRUE(link->purge(true, true));
    EXPECT_TRUE(link->setRts(true));

    link->resetCancel();
    EXPECT_EQ(link->read(&byte, 1, 20).status, ReadStatus::timeout);
    EXPECT_EQ(link->write(ENQUIRE.data(), ENQUIRE.size()), WriteStatus::ok);
}

TEST_P(LinkCancelTest, OpeningAgainClearsACancel)
{
    link->cancel();
    ASSERT_TRUE(link->open(GetParam().port));
    ASSERT_TRUE(link->setRts(true));
    uint8_t byte = 0;
    EXPECT_EQ(link->read(&byte, 1, 20).status, ReadStatus::timeout);
    EXPECT_EQ(link->write(ENQUIRE.data(), ENQUIRE.size()), WriteStatus::ok);
}

TEST_P(LinkCancelTest, CloseFromAnotherThreadEndsAPendingReadWithAnError)
{
    auto read = startLongRead();
    std::this_thread::sleep_for(STOP_AFTER);
    link->close();
    ASSERT_EQ(read.wait_for(PROMPTLY), std::future_status::ready);
    EXPECT_EQ(read.get(), ReadStatus::error);
    EXPECT_FALSE(link->isOpen());
}

INSTANTIATE_TEST_SUITE_P(Links, LinkCancelTest, testing::ValuesIn(LINK_KINDS),
                         [](const testing::TestParamInfo<LinkKind>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
