#include "FaultCases.h"
#include "LiteralFrames.h"
#include "SimTestSupport.h"
#include "sim/StateFile.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

using namespace quillan;
using namespace quillan::sim;
using namespace quillan::simtest;
using quillan::test::TempDir;

namespace {

constexpr int START_TIMEOUT_MS = 10000;
constexpr int STOP_TIMEOUT_MS = 10000;

// Starts zav-gateway-sim on a pseudo-terminal and opens the host end.
class SimProcessTest : public testing::Test {
protected:
    void start(std::vector<std::string> args)
    {
        args.insert(args.begin(), "--pty");
        ASSERT_TRUE(process.start(args));
        const auto path = process.firstLine(START_TIMEOUT_MS);
        ASSERT_TRUE(path) << process.errorOutput();
        ASSERT_TRUE(link.open(*path)) << *path;
    }

    SimProcess process;
    PosixTestLink link;
};

class ProcessLiteralTest : public SimProcessTest,
                           public testing::WithParamInterface<LiteralExchange> {};

TEST_P(ProcessLiteralTest, AnswersAFrameWrittenByHand)
{
    start({"--no-line-timing", "--modbus-slave", "--key", std::to_string(kLiteralSiteKey)});
    const LiteralExchange& e = GetParam();
    ASSERT_TRUE(link.send(e.request));
    EXPECT_EQ(link.receive(e.reply.size(), 2000), e.reply);
    EXPECT_EQ(link.receive(1, 100), Bytes{}); // and nothing more
    EXPECT_EQ(process.stop(STOP_TIMEOUT_MS), 0);
}

INSTANTIATE_TEST_SUITE_P(OverAPseudoTerminal, ProcessLiteralTest,
                         testing::ValuesIn(literalExchanges()),
                         [](const auto& p) { return literalName(p.param); });

class ProcessFaultTest : public SimProcessTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(ProcessFaultTest, HostEnginesSeeTheFault)
{
    // A Modbus CONFIG port sends no debug text that could run into the replies.
    std::vector<std::string> args{"--no-line-timing", "--modbus-slave"};
    args.insert(args.end(), GetParam().flags.begin(), GetParam().flags.end());
    start(args);
    checkFaultCase(GetParam(), link);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, ProcessFaultTest, testing::ValuesIn(faultCases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SimProcessTest, StatePersistsAcrossRuns)
{
    TempDir dir;
    const std::string stateFile = dir.file("gateway.zavsim");
    // Write the site key 0x12345678, then store.
    const Bytes writeKey{0xFF, 0x42, 0x0A, 0x00, 0x0A, 0x00, 0x00, 0x00,
                         0x04, 0x00, 0x78, 0x56, 0x34, 0x12, 0x51, 0xBC};
    const Bytes storeConfig{0xFF, 0x1D, 0x00, 0x00, 0xA0, 0x12};
    const Bytes ack{0xFF, 0x06, 0x00, 0x00, 0xD0, 0x15};
    // A Modbus CONFIG port keeps debug text out of the replies read here.
    start({"--state", stateFile, "--no-line-timing", "--modbus-slave"});
    ASSERT_TRUE(link.send(writeKey));
    EXPECT_EQ(link.receive(ack.size(), 2000), ack);
    ASSERT_TRUE(link.send(storeConfig));
    EXPECT_EQ(link.receive(ack.size(), 2000), ack);
    link.close();
    ASSERT_EQ(process.stop(STOP_TIMEOUT_MS), 0) << process.errorOutput();

    SimulatorState saved;
    ASSERT_TRUE(loadStateFile(stateFile, saved).ok());
    EXPECT_EQ(saved.siteKey(), kLiteralSiteKey);

    SimProcess second;
    ASSERT_TRUE(second.start({"--pty", "--state", stateFile, "--no-line-timing"}));
    const auto path = second.firstLine(START_TIMEOUT_MS);
    ASSERT_TRUE(path);
    ASSERT_TRUE(link.open(*path));
    const LiteralExchange& readKey = literalExchanges()[3];
    ASSERT_STREQ(readKey.name, "ReadSiteSecurityKey");
    ASSERT_TRUE(link.send(readKey.request));
    EXPECT_EQ(link.receive(readKey.reply.size(), 2000), readKey.reply);
    EXPECT_EQ(second.stop(STOP_TIMEOUT_MS), 0);
}

TEST_F(SimProcessTest, DamagedStateFileIsReportedAndKept)
{
    TempDir dir;
    const std::string stateFile = dir.file("gateway.zavsim");
    ASSERT_TRUE(saveStateFile(stateFile, SimulatorState::newGateway()).ok());
    {
        std::ofstream out(stateFile, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(40);
        out.put('\x5A');
    }
    const Bytes damaged = readFileBytes(stateFile);

    ASSERT_TRUE(process.start({"--pty", "--state", stateFile}));
    EXPECT_EQ(process.waitForExit(START_TIMEOUT_MS), 1);
    const std::string error = process.errorOutput();
    EXPECT_NE(error.find("damaged state file"), std::string::npos) << error;
    EXPECT_NE(error.find(stateFile), std::string::npos) << error;
    EXPECT_EQ(readFileBytes(stateFile), damaged);
}

TEST_F(SimProcessTest, WrongCommandLineExitsWithUsage)
{
    ASSERT_TRUE(process.start({"--pty", "--nak", "99"}));
    EXPECT_EQ(process.waitForExit(START_TIMEOUT_MS), 2);
    EXPECT_NE(process.errorOutput().find("not a request code"), std::string::npos);
}

TEST_F(SimProcessTest, SendsDebugTextUntilSpokenTo)
{
    start({"--no-line-timing"});
    const Bytes text = link.receive(40, 3000);
    const std::string line(text.begin(), text.end());
    EXPECT_EQ(line.rfind("[", 0), 0u) << line;
    EXPECT_NE(line.find("ZAV Gateway Module"), std::string::npos) << line;
}

} // namespace
