#include "SimTestSupport.h"
#include "sim/StateFile.h"
#include "support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <modbus.h>

using namespace quillan;
using namespace quillan::sim;
using namespace quillan::simtest;
using quillan::test::TempDir;

namespace {

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

    modbus_t* ctx = modbus_new_rtu(path->c_str(), 57600, 'N', 8, 1);
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(modbus_set_slave(ctx, kSlaveId), 0);
    ASSERT_EQ(modbus_set_response_timeout(ctx, 2, 0), 0);
    ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);

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

    modbus_close(ctx);
    modbus_free(ctx);
    ASSERT_EQ(process.stop(10000), 0) << process.errorOutput();
    SimulatorState saved;
    ASSERT_TRUE(loadStateFile(stateFile, saved).ok());
    EXPECT_EQ(saved.pointValues.at(1), 1234.0);
}

} // namespace
