#pragma once

#include "SimTestSupport.h"
#include "device/NodeFrameEngine.h"
#include "device/SessionFrameEngine.h"
#include "sim/FaultOptions.h"

#include <chrono>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

// Each fault switch against the host's engines, the same whether the switch is given
// in-process or on the simulator's command line.
namespace quillan::simtest {

struct FaultCase {
    const char* name;
    std::vector<std::string> flags;
    sim::FaultOptions faults;
    int timeoutMs;
    bool nodeAccepts;
    device::ReceiveStatus nodeStatus;
    bool nakReported;
    bool sessionAccepts; // the session engine, asked the same
    int minElapsedMs;
};

// Keeps CTest's listing to the case's name.
inline void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

template <typename Set> sim::FaultOptions faultsWith(Set set)
{
    sim::FaultOptions faults;
    set(faults);
    return faults;
}

inline const std::vector<FaultCase>& faultCases()
{
    using device::ReceiveStatus;
    static const std::vector<FaultCase> cases = {
        {"None", {}, {}, 1000, true, ReceiveStatus::ok, false, true, 0},
        {"Nak",
         {"--nak", "5"},
         faultsWith([](auto& f) { f.nak = {5}; }),
         1000,
         false,
         ReceiveStatus::nak,
         true,
         false,
         0},
        {"NakOfAnotherRequest",
         {"--nak", "1"},
         faultsWith([](auto& f) { f.nak = {1}; }),
         1000,
         true,
         ReceiveStatus::ok,
         false,
         true,
         0},
        {"Drop",
         {"--drop", "5"},
         faultsWith([](auto& f) { f.drop = {5}; }),
         300,
         false,
         ReceiveStatus::timeout,
         false,
         false,
         0},
        {"BadCrc",
         {"--bad-crc", "5"},
         faultsWith([](auto& f) { f.badCrc = {5}; }),
         300,
         false,
         ReceiveStatus::badFrame,
         false,
         false,
         0},
        {"Garbage",
         {"--garbage"},
         faultsWith([](auto& f) { f.garbage = true; }),
         300,
         false,
         ReceiveStatus::badFrame,
         false,
         true,
         0},
        {"Delay",
         {"--delay", "5:300"},
         faultsWith([](auto& f) {
             f.delays = {{5, 300}};
         }),
         1000,
         true,
         ReceiveStatus::ok,
         false,
         true,
         300},
        {"DelayBeyondTheTimeout",
         {"--delay=5:900"},
         faultsWith([](auto& f) {
             f.delays = {{5, 900}};
         }),
         300,
         false,
         ReceiveStatus::timeout,
         false,
         false,
         0},
    };
    return cases;
}

// Sends CMD_ENQUIRE through the node engine and then through the session engine.
inline void checkFaultCase(const FaultCase& c, device::SerialLink& link)
{
    const std::vector<uint8_t> enquire{0xFF, 0x05, 0x00, 0x00, 0x20, 0x15};
    device::LinkState state;
    device::NodeFrameEngine node(state, &link);
    int naks = 0;
    node.setNakHandler([&] { ++naks; });
    ASSERT_EQ(link.write(enquire.data(), enquire.size()), device::WriteStatus::ok);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(node.readReply(c.timeoutMs), c.nodeAccepts);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(node.lastReceiveStatus(), c.nodeStatus)
        << device::receiveStatusText(node.lastReceiveStatus());
    EXPECT_EQ(naks, c.nakReported ? 1 : 0);
    EXPECT_GE(elapsed, std::chrono::milliseconds(c.minElapsedMs));

    // Whatever the first reply left behind is gone before the session engine asks.
    (void)link.purge(true, true);
    device::SessionFrameEngine session(&link);
    ASSERT_TRUE(session.sendFrame(device::CMD_ENQUIRE));
    EXPECT_EQ(session.readReply(c.timeoutMs), c.sessionAccepts);
}

} // namespace quillan::simtest
