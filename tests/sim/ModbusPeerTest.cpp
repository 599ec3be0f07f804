#include "SimTestSupport.h"
#include "sim/StateFile.h"
#include "support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <modbus.h>

using namespace quillan;
using namespace quillan::sim;
using namespace quillan::simtest;
using quillan::test::TempDir;

namespace {

struct ModbusCloser {
    void operator()(modbus_t* ctx) const
    {
        modbus_close(ctx);
        modbus_free(ctx);
    }
};
using ModbusMaster = std::unique_ptr<modbus_t, ModbusCloser>;

// A libmodbus RTU master on the pseudo-terminal at 57600 8N1, connected; null when it cannot be.
ModbusMaster connectMaster(const std::string& path, int slave)
{
    ModbusMaster ctx(modbus_new_rtu(path.c_str(), 57600, 'N', 8, 1));
    if (!ctx || modbus_set_slave(ctx.get(), slave) != 0 ||
        modbus_set_response_timeout(ctx.get(), 2, 0) != 0 || modbus_connect(ctx.get()) != 0) {
        return nullptr;
    }
    return ctx;
}

// libmodbus, an independent master, against the simulator process at the line's pace.
TEST(ModbusPeerTest, LibmodbusReadsAndWritesTheMap)
{
    TempDir dir;
    const std::string stateFile = dir.file("modbus.zavsim");
    SimulatorState state;
    state.image = modbusImage();
    state.pointValues = {{0, -2}, {1, 300}};
    ASSERT_TRUE(saveStateFile(stateFile, state).ok());

    SimProcess process;
    ASSERT_TRUE(process.start({"--pty", "--state", stateFile}));
    const auto path = process.firstLine(10000);
    ASSERT_TRUE(path) << process.errorOutput();

    ModbusMaster master = connectMaster(*path, kSlaveId);
    ASSERT_NE(master, nullptr) << modbus_strerror(errno);
    modbus_t* ctx = master.get();

    uint16_t regs[2] = {};
    ASSERT_EQ(modbus_read_registers(ctx, kReadOnlyRegister, 2, regs), 2) << modbus_strerror(errno);
    EXPECT_EQ(regs[0], 0xFFFE);
    EXPECT_EQ(regs[1], 300);

    EXPECT_EQ(modbus_write_register(ctx, kWritableRegister, 1234), 1) << modbus_strerror(errno);
    ASSERT_EQ(modbus_read_registers(ctx, kWritableRegister, 1, regs), 1);
    EXPECT_EQ(regs[0], 1234);

    EXPECT_EQ(modbus_write_register(ctx, kReadOnlyRegister, 1), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(modbus_read_registers(ctx, kReadOnlyRegister - 1, 1, regs), -1);
    EXPECT_EQ(errno, EMBXILADD);

    master.reset();
    ASSERT_EQ(process.stop(10000), 0) << process.errorOutput();
    SimulatorState saved;
    ASSERT_TRUE(loadStateFile(stateFile, saved).ok());
    EXPECT_EQ(saved.pointValues.at(1), 1234.0);
}

// The slave id and point values from the command line, and the points left unset drifting
// by the rule (point + whole seconds since start / 5) mod 100, seen by libmodbus. The stored
// configuration makes the CONFIG port a debug port with another id: only --slave-id makes it
// answer.
TEST(ModbusPeerTest, CommandLineSlaveIdAndValues)
{
    constexpr int GIVEN_ID = 12;
    TempDir dir;
    const std::string stateFile = dir.file("modbus.zavsim");
    SimulatorState state;
    state.image = modbusImage();
    // Points 4 to 7 in registers 3010 to 3013.
    appendMappedPoints(state.image, 3010, 4, PointFormat::shortInt);
    PortRecord config = state.image.port(0);
    config.protocol = PortProtocol::debug;
    state.image.setPort(0, config);
    state.pointValues = {{0, 50}};
    ASSERT_TRUE(saveStateFile(stateFile, state).ok());

    const auto started = std::chrono::steady_clock::now();
    SimProcess process;
    ASSERT_TRUE(process.start({"--pty", "--state", stateFile, "--slave-id",
                               std::to_string(GIVEN_ID), "--value", "0=-2", "--value", "5=-7"}));
    const auto path = process.firstLine(10000);
    ASSERT_TRUE(path) << process.errorOutput();

    ModbusMaster master = connectMaster(*path, GIVEN_ID);
    ASSERT_NE(master, nullptr) << modbus_strerror(errno);
    modbus_t* ctx = master.get();

    // --value 0=-2 wins over the state file's 50.
    uint16_t regs[4] = {};
    ASSERT_EQ(modbus_read_registers(ctx, kReadOnlyRegister, 1, regs), 1) << modbus_strerror(errno);
    EXPECT_EQ(regs[0], 0xFFFE);

    ASSERT_EQ(modbus_read_registers(ctx, 3010, 4, regs), 4) << modbus_strerror(errno);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count();
    // The simulator started after `started`, so it has counted at most `elapsed` seconds:
    // one step count k (whole five seconds) fits all three drifting points.
    bool matched = false;
    for (long k = 0; k <= elapsed / 5 && !matched; ++k) {
        matched = regs[0] == (4 + k) % 100 && regs[2] == (6 + k) % 100 && regs[3] == (7 + k) % 100;
    }
    EXPECT_TRUE(matched) << regs[0] << " " << regs[2] << " " << regs[3] << " after " << elapsed
                         << " s";
    EXPECT_EQ(regs[1], 0xFFF9); // --value 5=-7

    // Point 1, a Modbus write import, written and read back.
    ASSERT_EQ(modbus_write_register(ctx, kWritableRegister, 1234), 1) << modbus_strerror(errno);
    ASSERT_EQ(modbus_read_registers(ctx, kWritableRegister, 1, regs), 1) << modbus_strerror(errno);
    EXPECT_EQ(regs[0], 1234);

    // Register 3004 shows no point.
    EXPECT_EQ(modbus_read_registers(ctx, 3004, 1, regs), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(modbus_read_registers(ctx, 3012, 3, regs), -1);
    EXPECT_EQ(errno, EMBXILADD);

    master.reset();
    ASSERT_EQ(process.stop(10000), 0) << process.errorOutput();
    // The points that were set are kept; the drifting ones are not.
    SimulatorState saved;
    ASSERT_TRUE(loadStateFile(stateFile, saved).ok());
    EXPECT_EQ(saved.pointValues, (std::map<uint16_t, double>{{0, -2.0}, {1, 1234.0}, {5, -7.0}}));
}

} // namespace
