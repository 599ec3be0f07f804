#include "sim/StateFile.h"

#include "SimTestSupport.h"
#include "support/TempDir.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::sim;
using namespace quillan::simtest;
using quillan::test::TempDir;

namespace {

SimulatorState richState()
{
    SimulatorState state = SimulatorState::newGateway();
    state.deviceType = 13;
    state.firmwareVersion = "2.0.1.100";
    state.channel = 35;
    state.setSiteKey(0xCAFEF00D);
    state.projectFile = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    EXPECT_TRUE(state.firmware.write(0x100000, Bytes(3000, 0xA5)));
    EXPECT_TRUE(state.firmware.write(0x200000, Bytes{1, 2, 3}));
    state.pointValues = {{0, -2.5}, {17, 1e9}};
    return state;
}

TEST(StateFileTest, RoundTrip)
{
    const SimulatorState state = richState();
    SimulatorState back;
    ASSERT_TRUE(decodeState(encodeState(state), back).ok());
    EXPECT_EQ(back, state);
}

struct Damage {
    const char* name;
    std::function<void(Bytes&)> apply;
    StateFileStatus status;
};

class DamagedStateTest : public testing::TestWithParam<Damage> {};

TEST_P(DamagedStateTest, IsRefusedWithACauseAndLeavesTheStateAlone)
{
    Bytes bytes = encodeState(richState());
    GetParam().apply(bytes);
    SimulatorState out = SimulatorState::newGateway();
    const SimulatorState before = out;
    const StateFileResult r = decodeState(bytes, out);
    EXPECT_EQ(r.code, GetParam().status);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(out, before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedStateTest,
    testing::Values(
        Damage{"Empty", [](Bytes& b) { b.clear(); }, StateFileStatus::damaged},
        Damage{"NotOurs", [](Bytes& b) { b[0] = 'X'; }, StateFileStatus::damaged},
        Damage{"NewerFormat", [](Bytes& b) { b[8] = 2; }, StateFileStatus::unsupportedVersion},
        Damage{"Truncated", [](Bytes& b) { b.erase(b.end() - 100, b.end()); },
               StateFileStatus::damaged},
        Damage{"Extended", [](Bytes& b) { b.push_back(0); }, StateFileStatus::damaged},
        Damage{"FlippedByte", [](Bytes& b) { b[5000] ^= 0x10; }, StateFileStatus::damaged},
        Damage{"FlippedCheckSum", [](Bytes& b) { b.back() ^= 1; }, StateFileStatus::damaged}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(StateFileTest, FilesOnDisk)
{
    TempDir dir;
    const std::string path = dir.file("gateway.zavsim");
    SimulatorState out;
    EXPECT_EQ(loadStateFile(path, out).code, StateFileStatus::notFound);

    const SimulatorState state = richState();
    ASSERT_TRUE(saveStateFile(path, state).ok());
    ASSERT_TRUE(loadStateFile(path, out).ok());
    EXPECT_EQ(out, state);

    // A file that cannot be written keeps nothing half-done.
    EXPECT_EQ(saveStateFile(dir.file("missing/gateway.zavsim"), state).code,
              StateFileStatus::cannotWrite);

    std::ofstream(path, std::ios::binary | std::ios::app) << "junk";
    const Bytes damaged = readFileBytes(path);
    const StateFileResult r = loadStateFile(path, out);
    EXPECT_EQ(r.code, StateFileStatus::damaged);
    EXPECT_NE(r.message.find(path), std::string::npos);
    EXPECT_EQ(readFileBytes(path), damaged);
}

} // namespace
