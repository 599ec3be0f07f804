#include "sim/SimulatorArgs.h"

#include <gtest/gtest.h>

using namespace quillan::sim;

namespace {

TEST(SimulatorArgsTest, EveryFlag)
{
    const ParsedArgs p = parseSimulatorArgs({"--pty",
                                             "--state",
                                             "s.bin",
                                             "--type",
                                             "13",
                                             "--version",
                                             "2.0.0.1",
                                             "--channel",
                                             "35",
                                             "--key",
                                             "0xDEADBEEF",
                                             "--modbus-slave",
                                             "--no-line-timing",
                                             "--turnaround=5",
                                             "--nak",
                                             "5",
                                             "--nak",
                                             "1",
                                             "--drop",
                                             "65",
                                             "--bad-crc",
                                             "66",
                                             "--garbage",
                                             "--delay",
                                             "29:4000",
                                             "--delay",
                                             "1:10",
                                             "--drop-first",
                                             "5:2",
                                             "--nak-block=4",
                                             "--drop-block",
                                             "10",
                                             "--drop-block",
                                             "0",
                                             "--slave-id",
                                             "247",
                                             "--value",
                                             "3=-12.5",
                                             "--value=1919=40000",
                                             "--value",
                                             "0=0.125"});
    ASSERT_TRUE(p.args) << p.error;
    const SimulatorArgs& a = *p.args;
    EXPECT_TRUE(a.pty);
    EXPECT_EQ(a.stateFile, "s.bin");
    EXPECT_EQ(a.deviceType, 13);
    EXPECT_EQ(a.version, "2.0.0.1");
    EXPECT_EQ(a.channel, 35);
    EXPECT_EQ(a.key, 0xDEADBEEFu);
    EXPECT_TRUE(a.modbusSlave);
    EXPECT_FALSE(a.lineTiming);
    EXPECT_EQ(a.turnaroundMs, 5);
    EXPECT_EQ(a.faults.nak, (std::set<uint8_t>{1, 5}));
    EXPECT_EQ(a.faults.drop, (std::set<uint8_t>{65}));
    EXPECT_EQ(a.faults.badCrc, (std::set<uint8_t>{66}));
    EXPECT_TRUE(a.faults.garbage);
    EXPECT_EQ(a.faults.delays, (std::map<uint8_t, int>{{29, 4000}, {1, 10}}));
    EXPECT_EQ(a.faults.dropFirst, (std::map<uint8_t, int>{{5, 2}}));
    EXPECT_EQ(a.faults.nakBlocks, (std::set<uint16_t>{4}));
    EXPECT_EQ(a.faults.dropBlocks, (std::set<uint16_t>{0, 10}));
    EXPECT_EQ(a.slaveId, 247);

    SimulatorState state = SimulatorState::newGateway();
    state.pointValues = {{3, 99.0}, {4, 1.0}};
    applyStateArgs(a, state);
    // The command line's values win over the state file's; the others stay.
    EXPECT_EQ(state.pointValues,
              (std::map<uint16_t, double>{{0, 0.125}, {3, -12.5}, {4, 1.0}, {1919, 40000.0}}));
    EXPECT_EQ(state.deviceType, 13);
    EXPECT_EQ(state.firmwareVersion, "2.0.0.1");
    EXPECT_EQ(state.channel, 35);
    EXPECT_EQ(state.siteKey(), 0xDEADBEEFu);
}

TEST(SimulatorArgsTest, Defaults)
{
    const ParsedArgs p = parseSimulatorArgs({"--port", "/dev/ttyUSB1"});
    ASSERT_TRUE(p.args) << p.error;
    EXPECT_EQ(p.args->port, "/dev/ttyUSB1");
    EXPECT_TRUE(p.args->lineTiming);
    EXPECT_EQ(p.args->turnaroundMs, SimulatorArgs::kDefaultTurnaroundMs);
    EXPECT_FALSE(p.args->slaveId);
    SimulatorState state = SimulatorState::newGateway();
    const SimulatorState before = state;
    applyStateArgs(*p.args, state);
    EXPECT_EQ(state, before);
    EXPECT_EQ(state.deviceType, 12);
    EXPECT_EQ(state.firmwareVersion, "1.5.0.14");
    EXPECT_EQ(state.channel, 5);
}

TEST(SimulatorArgsTest, FirmwareOutServesNoPort)
{
    const ParsedArgs p = parseSimulatorArgs({"--state", "s.bin", "--firmware-out=fw.bin"});
    ASSERT_TRUE(p.args) << p.error;
    EXPECT_EQ(p.args->stateFile, "s.bin");
    EXPECT_EQ(p.args->firmwareOut, "fw.bin");
    EXPECT_FALSE(p.args->pty);
    EXPECT_TRUE(p.args->port.empty());
}

struct BadLine {
    const char* name;
    std::vector<std::string> argv;
    const char* mentions;
};

class BadArgsTest : public testing::TestWithParam<BadLine> {};

TEST_P(BadArgsTest, IsRefusedWithAReason)
{
    const ParsedArgs p = parseSimulatorArgs(GetParam().argv);
    EXPECT_FALSE(p.args);
    EXPECT_NE(p.error.find(GetParam().mentions), std::string::npos) << p.error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadArgsTest,
    testing::Values(
        BadLine{"NoPort", {}, "--pty"}, BadLine{"BothPorts", {"--pty", "--port", "x"}, "--pty"},
        BadLine{"Unknown", {"--pty", "--fast"}, "--fast"},
        BadLine{"MissingValue", {"--pty", "--nak"}, "--nak"},
        BadLine{"NotARequest", {"--pty", "--nak", "6"}, "not a request code"},
        BadLine{"NotANumber", {"--pty", "--drop", "five"}, "not a request code"},
        BadLine{"DelayWithoutTime", {"--pty", "--delay", "5"}, "CMD:MS"},
        BadLine{"NegativeDelay", {"--pty", "--delay", "5:-1"}, "milliseconds"},
        BadLine{"DropFirstWithoutCount", {"--pty", "--drop-first", "5"}, "CMD:N"},
        BadLine{"DropFirstOfAReply", {"--pty", "--drop-first", "6:1"}, "request code"},
        BadLine{"BlockNotANumber", {"--pty", "--nak-block", "ports"}, "block type"},
        BadLine{"TypeTooLarge", {"--pty", "--type", "65536"}, "--type"},
        BadLine{"KeyTooLarge", {"--pty", "--key", "0x100000000"}, "--key"},
        BadLine{"VersionTooLong", {"--pty", "--version", "1.5.0.14.99999"}, "13"},
        BadLine{"ValueOnASwitch", {"--pty", "--garbage=1"}, "--garbage"},
        BadLine{"SlaveIdZero", {"--pty", "--slave-id", "0"}, "1 to 247"},
        BadLine{"SlaveIdExtended", {"--pty", "--slave-id", "248"}, "1 to 247"},
        BadLine{"SlaveIdNegative", {"--pty", "--slave-id", "-1"}, "1 to 247"},
        BadLine{"ValueWithoutPoint", {"--pty", "--value", "12"}, "POINT=V"},
        BadLine{"ValuePointBeyondStore", {"--pty", "--value", "1920=1"}, "0 to 1919"},
        BadLine{"ValueEmpty", {"--pty", "--value", "3="}, "decimal"},
        BadLine{"ValueHex", {"--pty", "--value", "3=0x10"}, "decimal"},
        BadLine{"ValueExponent", {"--pty", "--value", "3=1e5"}, "decimal"},
        BadLine{"ValueNotANumber", {"--pty", "--value", "3=nan"}, "decimal"},
        BadLine{"ValueBarePoint", {"--pty", "--value", "3=1."}, "decimal"},
        BadLine{"ValuePlusSign", {"--pty", "--value", "3=+1"}, "decimal"},
        BadLine{"ValueTooLarge", {"--pty", "--value", "3=" + std::string(400, '9')}, "decimal"},
        BadLine{"ValueTwice", {"--pty", "--value", "3=1", "--value", "3=2"}, "twice"},
        BadLine{"FirmwareOutWithoutState", {"--firmware-out", "fw.bin"}, "--state"},
        BadLine{"FirmwareOutWhileServing",
                {"--pty", "--state", "s.bin", "--firmware-out", "fw.bin"},
                "--pty"}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
