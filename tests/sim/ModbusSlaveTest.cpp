#include "SimTestSupport.h"
#include "sim/GatewaySimulator.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::sim;
using namespace quillan::simtest;

namespace {

constexpr uint8_t ID = kSlaveId;

struct ModbusCase {
    const char* name;
    Bytes request; // without its CRC
    Bytes reply;   // without its CRC; empty: no reply
    bool untilPause = false;
};

// Points: 0 = -2 (SHORT), 1 = 300 (SHORT), 2 = 1.5 (FLOAT), 3 = -2.25 (FLOAT).
const ModbusCase CASES[] = {
    {"ReadShorts", {ID, 3, 0x0B, 0xB9, 0x00, 0x02}, {ID, 3, 4, 0xFF, 0xFE, 0x01, 0x2C}},
    {"ReadFloats",
     {ID, 3, 0x1B, 0x59, 0x00, 0x02},
     {ID, 3, 8, 0x3F, 0xC0, 0x00, 0x00, 0xC0, 0x10, 0x00, 0x00}},
    {"ReadTimestampOfAPointJustSet", {ID, 3, 0x0B, 0xBB, 0x00, 0x01}, {ID, 3, 2, 0x00, 0x00}},
    {"WriteShort", {ID, 6, 0x0B, 0xBA, 0xFF, 0x9C}, {ID, 6, 0x0B, 0xBA, 0xFF, 0x9C}},
    {"WriteFloat",
     {ID, 6, 0x1B, 0x59, 0x41, 0x20, 0x00, 0x00},
     {ID, 6, 0x1B, 0x59, 0x41, 0x20, 0x00, 0x00}},
    {"ReadUnmappedRegister", {ID, 3, 0x0B, 0xB8, 0x00, 0x02}, {ID, 0x83, 0x02}},
    {"ReadRunningIntoAGap", {ID, 3, 0x0B, 0xBB, 0x00, 0x02}, {ID, 0x83, 0x02}},
    {"ReadNothing", {ID, 3, 0x0B, 0xB9, 0x00, 0x00}, {ID, 0x83, 0x03}},
    {"ReadTooMany", {ID, 3, 0x0B, 0xB9, 0x00, 0x7E}, {ID, 0x83, 0x03}},
    {"WriteImportedPoint", {ID, 6, 0x0B, 0xB9, 0x00, 0x01}, {ID, 0x86, 0x02}},
    {"WriteTimestamp", {ID, 6, 0x0B, 0xBB, 0x00, 0x01}, {ID, 0x86, 0x02}},
    {"WriteImportedFloat", {ID, 6, 0x1B, 0x5A, 0x3F, 0x80, 0x00, 0x00}, {ID, 0x86, 0x02}},
    {"WriteNotANumber", {ID, 6, 0x1B, 0x59, 0x7F, 0xC0, 0x00, 0x00}, {ID, 0x86, 0x03}},
    {"ReadInputRegisters", {ID, 4, 0x0B, 0xB9, 0x00, 0x01}, {ID, 0x84, 0x01}},
    {"UnknownFunction", {ID, 0x2B, 0x0E, 0x01, 0x00}, {ID, 0xAB, 0x01}, true},
    {"AnotherSlave", {ID + 1, 3, 0x0B, 0xB9, 0x00, 0x01}, {}},
};

class ModbusTest : public testing::TestWithParam<ModbusCase> {
protected:
    void SetUp() override
    {
        SimulatorState state;
        state.image = modbusImage();
        gateway = std::make_unique<GatewaySimulator>(state);
        gateway->setPointValue(0, -2);
        gateway->setPointValue(1, 300);
        gateway->setPointValue(2, 1.5);
        gateway->setPointValue(3, -2.25);
    }

    // The gateway's answer to a frame, the pause that ends a request included.
    Bytes answer(const Bytes& frame, bool pause = true)
    {
        const auto now = std::chrono::steady_clock::now();
        std::vector<Reply> replies = gateway->receive(frame.data(), frame.size(), now);
        if (pause) {
            for (Reply& r : gateway->lineIdle(now)) {
                replies.push_back(std::move(r));
            }
        }
        Bytes out;
        for (const Reply& r : replies) {
            out.insert(out.end(), r.bytes.begin(), r.bytes.end());
        }
        return out;
    }

    std::unique_ptr<GatewaySimulator> gateway;
};

TEST_P(ModbusTest, AnswersAsASlave)
{
    const ModbusCase& c = GetParam();
    const Bytes expected = c.reply.empty() ? Bytes{} : withModbusCrc(c.reply);
    if (c.untilPause) {
        EXPECT_EQ(answer(withModbusCrc(c.request), false), Bytes{});
    }
    EXPECT_EQ(answer(withModbusCrc(c.request)), expected);
}

INSTANTIATE_TEST_SUITE_P(Requests, ModbusTest, testing::ValuesIn(CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ModbusTest, WritesReachTheDataStoreAndReadBack)
{
    EXPECT_FALSE(answer(withModbusCrc({ID, 6, 0x0B, 0xBA, 0xFF, 0x9C})).empty());
    EXPECT_EQ(gateway->pointValue(1), -100.0);
    EXPECT_FALSE(answer(withModbusCrc({ID, 6, 0x1B, 0x59, 0x41, 0x20, 0x00, 0x00})).empty());
    EXPECT_EQ(gateway->pointValue(2), 10.0);
    EXPECT_EQ(answer(withModbusCrc({ID, 3, 0x0B, 0xBA, 0x00, 0x01})),
              withModbusCrc({ID, 3, 2, 0xFF, 0x9C}));
    EXPECT_EQ(gateway->state().pointValues.at(2), 10.0);
}

TEST_F(ModbusTest, DamagedRequestIsNotAnswered)
{
    Bytes frame = withModbusCrc({ID, 3, 0x0B, 0xB9, 0x00, 0x01});
    frame.back() ^= 1;
    EXPECT_EQ(answer(frame), Bytes{});
    // and the next good one is
    EXPECT_FALSE(answer(withModbusCrc({ID, 3, 0x0B, 0xB9, 0x00, 0x01})).empty());
}

TEST_F(ModbusTest, ModbusPortSendsNoDebugTextAndDebugPortNoModbus)
{
    const auto later = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    EXPECT_TRUE(gateway->debugText(later, false).empty());

    GatewaySimulator debugGateway(SimulatorState::newGateway());
    const Bytes read = withModbusCrc({1, 3, 0x0B, 0xB9, 0x00, 0x01});
    const auto now = std::chrono::steady_clock::now();
    EXPECT_TRUE(debugGateway.receive(read.data(), read.size(), now).empty());
    EXPECT_TRUE(debugGateway.lineIdle(now).empty());
    EXPECT_FALSE(debugGateway.debugText(later, false).empty());

    // A gateway whose CONFIG port is a Modbus slave answers (here: its map is empty).
    GatewaySimulator switched(SimulatorState::newGateway(true));
    EXPECT_FALSE(switched.receive(read.data(), read.size(), now).empty());
}

} // namespace
