#include "SimTestSupport.h"
#include "device/DeviceFrame.h"
#include "sim/GatewaySimulator.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::sim;
using namespace quillan::simtest;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

// Bytes the gateway sends for what it receives at now, the pause that ends a request included.
Bytes exchange(GatewaySimulator& gateway, const Bytes& frame,
               std::chrono::steady_clock::time_point now)
{
    std::vector<Reply> replies = gateway.receive(frame.data(), frame.size(), now);
    for (Reply& r : gateway.lineIdle(now)) {
        replies.push_back(std::move(r));
    }
    Bytes out;
    for (const Reply& r : replies) {
        out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    }
    return out;
}

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

    // The gateway's answer to a frame; without the pause, only what its length completes.
    Bytes answer(const Bytes& frame, bool pause = true)
    {
        const auto now = std::chrono::steady_clock::now();
        if (pause) {
            return exchange(*gateway, frame, now);
        }
        Bytes out;
        for (const Reply& r : gateway->receive(frame.data(), frame.size(), now)) {
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

// A read whose float values need more than the 255 bytes a byte count can give.
TEST(ModbusByteLimit, FloatReadBeyond255BytesIsRefused)
{
    SimulatorState state;
    state.image = modbusImage();
    appendMappedPoints(state.image, 7101, 64, PointFormat::floatValue);
    GatewaySimulator gateway(state);
    const auto now = gateway.bootTime();

    // 63 floats: 252 data bytes, the most that fit.
    const Bytes reply = exchange(gateway, withModbusCrc({ID, 3, 0x1B, 0xBD, 0x00, 63}), now);
    ASSERT_EQ(reply.size(), 3u + 252u + 2u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 3), (Bytes{ID, 3, 252}));
    EXPECT_EQ(exchange(gateway, withModbusCrc({ID, 3, 0x1B, 0xBD, 0x00, 64}), now),
              withModbusCrc({ID, 0x83, 0x03}));
}

// Points never set drift: (point + whole seconds since start / 5) mod 100. modbusImage's
// registers 3001 and 3002 show points 0 and 1, 3003 the seconds since point 1 was set, 7001
// and 7002 points 2 and 3 as floats.
struct DriftCase {
    const char* name;
    milliseconds sinceBoot;
    Bytes shorts; // registers 3001 to 3003
    Bytes floats; // registers 7001 and 7002
};

const DriftCase DRIFT_CASES[] = {
    {"AtStart", milliseconds(0), {0, 0, 0, 1, 0, 0}, {0x40, 0, 0, 0, 0x40, 0x40, 0, 0}},
    {"JustBeforeTheFirstStep",
     milliseconds(4999),
     {0, 0, 0, 1, 0, 4},
     {0x40, 0, 0, 0, 0x40, 0x40, 0, 0}},
    {"FirstStep", milliseconds(5000), {0, 1, 0, 2, 0, 5}, {0x40, 0x40, 0, 0, 0x40, 0x80, 0, 0}},
    // 497 s: 99 steps; point 1 has wrapped to 0, points 2 and 3 to 1 and 2.
    {"Wrapping",
     milliseconds(497'000),
     {0, 99, 0, 0, 0x01, 0xF1},
     {0x3F, 0x80, 0, 0, 0x40, 0, 0, 0}},
    {"AllTheWayRound",
     milliseconds(500'000),
     {0, 0, 0, 1, 0x01, 0xF4},
     {0x40, 0, 0, 0, 0x40, 0x40, 0, 0}},
};

class DriftTest : public testing::TestWithParam<DriftCase> {};

TEST_P(DriftTest, UnsetPointsFollowTheClock)
{
    SimulatorState state;
    state.image = modbusImage();
    GatewaySimulator gateway(state);
    const auto now = gateway.bootTime() + GetParam().sinceBoot;

    Bytes shorts{ID, 3, 6};
    shorts.insert(shorts.end(), GetParam().shorts.begin(), GetParam().shorts.end());
    EXPECT_EQ(exchange(gateway, withModbusCrc({ID, 3, 0x0B, 0xB9, 0x00, 0x03}), now),
              withModbusCrc(shorts));
    Bytes floats{ID, 3, 8};
    floats.insert(floats.end(), GetParam().floats.begin(), GetParam().floats.end());
    EXPECT_EQ(exchange(gateway, withModbusCrc({ID, 3, 0x1B, 0x59, 0x00, 0x02}), now),
              withModbusCrc(floats));
}

INSTANTIATE_TEST_SUITE_P(Times, DriftTest, testing::ValuesIn(DRIFT_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DriftTest, PointSetByWriteOrStateFileKeepsItsValue)
{
    SimulatorState state;
    state.image = modbusImage();
    state.pointValues = {{3, -2.25}};
    GatewaySimulator gateway(state);
    const auto boot = gateway.bootTime();

    // Point 1 := -100 three seconds in.
    ASSERT_EQ(exchange(gateway, withModbusCrc({ID, 6, 0x0B, 0xBA, 0xFF, 0x9C}), boot + seconds(3)),
              withModbusCrc({ID, 6, 0x0B, 0xBA, 0xFF, 0x9C}));
    // At 100 s point 0 has drifted to 20; point 1 holds -100, set 97 s ago; point 3 holds -2.25.
    const auto later = boot + seconds(100);
    EXPECT_EQ(exchange(gateway, withModbusCrc({ID, 3, 0x0B, 0xB9, 0x00, 0x03}), later),
              withModbusCrc({ID, 3, 6, 0x00, 0x14, 0xFF, 0x9C, 0x00, 0x61}));
    EXPECT_EQ(exchange(gateway, withModbusCrc({ID, 3, 0x1B, 0x5A, 0x00, 0x01}), later),
              withModbusCrc({ID, 3, 4, 0xC0, 0x10, 0x00, 0x00}));
    // Only the points that were set are kept.
    EXPECT_EQ(gateway.state().pointValues, (std::map<uint16_t, double>{{1, -100.0}, {3, -2.25}}));
}

// --slave-id: the CONFIG port answers as the given slave whatever its configuration says.
struct SlaveIdCase {
    const char* name;
    PortProtocol storedProtocol;
    uint8_t storedId;
};

const SlaveIdCase SLAVE_ID_CASES[] = {
    {"OverModbusSlave7", PortProtocol::modbusSlave, ID},
    {"OverDebugPort", PortProtocol::debug, 0},
    {"OverExtendedId", PortProtocol::modbusSlave, 255},
};

class SlaveIdTest : public testing::TestWithParam<SlaveIdCase> {};

TEST_P(SlaveIdTest, AnswersAsTheGivenSlaveOnly)
{
    constexpr uint8_t GIVEN = 12;
    SimulatorState state;
    state.image = modbusImage();
    PortRecord config = state.image.port(0);
    config.protocol = GetParam().storedProtocol;
    config.slaveId = GetParam().storedId;
    state.image.setPort(0, config);
    GatewaySimulator gateway(state);
    gateway.setModbusSlaveId(GIVEN);
    const auto now = gateway.bootTime();

    // Point 0 at start reads 0 (never set).
    EXPECT_EQ(exchange(gateway, withModbusCrc({GIVEN, 3, 0x0B, 0xB9, 0x00, 0x01}), now),
              withModbusCrc({GIVEN, 3, 2, 0x00, 0x00}));
    EXPECT_EQ(exchange(gateway, withModbusCrc({ID, 3, 0x0B, 0xB9, 0x00, 0x01}), now), Bytes{});
    EXPECT_TRUE(gateway.debugText(now + seconds(5), false).empty());
}

INSTANTIATE_TEST_SUITE_P(StoredPorts, SlaveIdTest, testing::ValuesIn(SLAVE_ID_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SlaveIdTest, HoldsAfterANewConfigurationIsStored)
{
    constexpr uint8_t GIVEN = 12;
    SimulatorState state;
    state.image = modbusImage();
    GatewaySimulator gateway(state);
    gateway.setModbusSlaveId(GIVEN);
    const auto now = gateway.bootTime();

    // A host writes the ports of a new gateway (CONFIG port: debug) and stores them.
    const ConfigImage fresh = SimulatorState::newGateway().image;
    ASSERT_EQ(fresh.port(0).protocol, PortProtocol::debug);
    const auto ports = fresh.blockBytes(BlockType::ports, 0);
    Bytes payload{0, 0, 0, 0, static_cast<uint8_t>(ports.size()), 0};
    payload.insert(payload.end(), ports.begin(), ports.end());
    const Bytes ack = device::makeFrame(device::CMD_ACK);
    EXPECT_EQ(exchange(gateway, device::makeFrame(device::CMD_WRITE_BLOCK, payload), now), ack);
    EXPECT_EQ(exchange(gateway, device::makeFrame(device::CMD_STORE_CONFIG), now), ack);
    ASSERT_EQ(gateway.state().image.port(0).protocol, PortProtocol::debug);

    EXPECT_EQ(exchange(gateway, withModbusCrc({GIVEN, 3, 0x0B, 0xBA, 0x00, 0x01}), now),
              withModbusCrc({GIVEN, 3, 2, 0x00, 0x01}));
    EXPECT_TRUE(gateway.debugText(now + seconds(5), false).empty());

    // Without the override the stored debug port answers no Modbus.
    gateway.setModbusSlaveId(std::nullopt);
    EXPECT_EQ(exchange(gateway, withModbusCrc({GIVEN, 3, 0x0B, 0xBA, 0x00, 0x01}), now), Bytes{});
    EXPECT_EQ(exchange(gateway, withModbusCrc({ID, 3, 0x0B, 0xBA, 0x00, 0x01}), now), Bytes{});
}

} // namespace
