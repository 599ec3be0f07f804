#pragma once

// A gateway operation against the in-process simulator: the link, what the operation tells
// the windows and the user, and the frames it sends.

#include "device/DeviceFrame.h"
#include "device/DeviceServices.h"
#include "device/GatewayLink.h"
#include "sim/GatewaySimulator.h"
#include "sim/SimulatorLink.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillan::test {

// Counts how the operation hands the port over; active as the GUI's listener starts.
class RecordingDebugOutput final : public device::DebugOutput {
public:
    void suspend() override
    {
        std::lock_guard lock(m_mutex);
        ++suspends;
        active = false;
    }
    void activate() override
    {
        std::lock_guard lock(m_mutex);
        ++activations;
        active = true;
    }

    int suspends = 0;
    int activations = 0;
    bool active = true;

private:
    std::mutex m_mutex;
};

// A CMD_WRITE_BLOCK as it went out: type, page and data byte count.
struct WrittenBlock {
    uint16_t type;
    uint16_t page;
    uint16_t count;

    bool operator==(const WrittenBlock&) const = default;
};

inline void PrintTo(const WrittenBlock& b, std::ostream* os)
{
    *os << "{" << b.type << ", " << b.page << ", " << b.count << "}";
}

// Short time-outs and waits, so that the failing cases stay quick; the simulator answers at
// once without line timing.
inline device::LinkTimings quickTimings()
{
    device::LinkTimings t;
    t.enquireMs = 150;
    t.identifyMs = 150;
    t.readRadioMs = 150;
    t.securityKeyMs = 150;
    t.writeBlockMs = 150;
    t.storeConfigMs = 150;
    t.openSettleMs = 5;
    t.closeDrainMs = 5;
    t.closeSettleMs = 5;
    return t;
}

// A simulator that leaves every request with the code unanswered, or refuses it.
inline sim::FaultOptions dropping(uint8_t command)
{
    sim::FaultOptions f;
    f.drop = {command};
    return f;
}

inline sim::FaultOptions naking(uint8_t command)
{
    sim::FaultOptions f;
    f.nak = {command};
    return f;
}

class OperationBench {
public:
    static constexpr const char* GATEWAY = "North";

    explicit OperationBench(sim::SimulatorState state = sim::SimulatorState::newGateway(),
                            sim::FaultOptions faults = {}, bool portOpen = true,
                            device::LinkTimings timings = quickTimings(),
                            const std::string& gatewayName = GATEWAY)
        : gateway(std::make_shared<sim::GatewaySimulator>(std::move(state), std::move(faults))),
          port(gateway, false)
    {
        if (portOpen) {
            EXPECT_TRUE(port.open(device::SIMULATOR_PORT_NAME));
        }
        device::DeviceServices services{port, sink, prompts, &debug, {}};
        services.trace = [this](device::TraceDirection direction, std::span<const uint8_t> f) {
            if (direction == device::TraceDirection::sent) {
                std::lock_guard lock(m_mutex);
                m_sent.emplace_back(f.begin(), f.end());
            }
        };
        link = std::make_unique<device::GatewayLink>(services, gatewayName, timings);
    }

    // The request codes sent, in order.
    [[nodiscard]] std::vector<uint8_t> requests() const
    {
        std::lock_guard lock(m_mutex);
        std::vector<uint8_t> codes;
        for (const auto& frame : m_sent) {
            codes.push_back(frame[1]);
        }
        return codes;
    }
    [[nodiscard]] std::vector<WrittenBlock> writtenBlocks() const
    {
        std::lock_guard lock(m_mutex);
        std::vector<WrittenBlock> blocks;
        for (const auto& frame : m_sent) {
            if (frame[1] == device::CMD_WRITE_BLOCK && frame.size() >= 12) {
                blocks.push_back(
                    {bytes::getU16(&frame[4]), bytes::getU16(&frame[6]), bytes::getU16(&frame[8])});
            }
        }
        return blocks;
    }
    [[nodiscard]] std::vector<std::string> outputLines() const
    {
        return sink.lines(MSG_OUTPUT_LINE);
    }
    // The progress and end notifications, as codes.
    [[nodiscard]] std::vector<int> windowCodes() const
    {
        std::vector<int> codes;
        for (const Notification& n : sink.all()) {
            if (n.code != MSG_OUTPUT_LINE) {
                codes.push_back(n.code);
            }
        }
        return codes;
    }

    // The port is given back however the operation ended.
    void expectLinkGivenBack() const
    {
        EXPECT_FALSE(link->holdsPort());
        EXPECT_FALSE(link->state().linkFlag);
        EXPECT_FALSE(port.rts());
        EXPECT_TRUE(debug.active);
        EXPECT_GE(debug.suspends, 1);
    }

    std::shared_ptr<sim::GatewaySimulator> gateway;
    sim::SimulatorLink port;
    RecordingSink sink;
    ScriptedPrompts prompts;
    RecordingDebugOutput debug;
    std::unique_ptr<device::GatewayLink> link;

private:
    mutable std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_sent;
};

} // namespace quillan::test
