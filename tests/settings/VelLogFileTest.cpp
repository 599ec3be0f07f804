#include "settings/VelLogFile.h"

#include "TestSupport.h"
#include "model/Notifications.h"
#include "support/TestDoubles.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

using namespace quillan;
using quillan::test::TempDir;

namespace {

using quillan::test::PrintTo;

VelLogFile::Clock fixedClock(LogTime time)
{
    return [time] { return time; };
}

struct LineCase {
    const char* label;
    LogTime time;
    const char* text;
    const char* line;
};

class LogLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLine, IsTimeStampedAndEndsWithCrLf)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    test::RecordingSink sink;
    VelLogFile log(sink, fixedClock(GetParam().time));
    log.openLog(dir.file("Debug.log"));

    log.writeLine(GetParam().text);

    EXPECT_EQ(test::readAll(dir.file("Debug.log")), GetParam().line);
    EXPECT_TRUE(sink.all().empty());
}

INSTANTIATE_TEST_SUITE_P(
    VelLogFile, LogLine,
    ::testing::Values(LineCase{"Morning",
                               {9, 5, 3, 7},
                               "OutputWindow::ActivateDebugOutput()",
                               "09:05:03-007-  OutputWindow::ActivateDebugOutput()\r\n"},
                      LineCase{"Midnight", {23, 59, 59, 999}, "", "23:59:59-999-  \r\n"},
                      LineCase{"Cp1252Percent",
                               {0, 0, 0, 0},
                               "100% \xE9t\xE9",
                               "00:00:00-000-  100% \xE9t\xE9\r\n"}));

TEST(VelLogFile, AppendsAcrossOpens)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    const std::string path = dir.file("Debug.log");
    test::RecordingSink sink;
    {
        VelLogFile first(sink, fixedClock({1, 2, 3, 4}));
        first.openLog(path);
        first.writeLine("first run");
    }
    VelLogFile second(sink, fixedClock({5, 6, 7, 8}));
    second.openLog(path);
    second.writeLine("second run");
    second.openLog(path); // reopened after "Options..."
    second.writeLine("after options");

    EXPECT_EQ(test::readAll(path), "01:02:03-004-  first run\r\n"
                                   "05:06:07-008-  second run\r\n"
                                   "05:06:07-008-  after options\r\n");
}

TEST(VelLogFile, UncreatableLogIsReportedAndDropsLinesUntilReopened)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    // A path below a plain file cannot be created, even with administrative rights.
    test::writeAll(dir.file("plain"), "x");
    const std::string badPath = dir.file("plain") + "/./logs/../Debug.log";
    test::RecordingSink sink;
    VelLogFile log(sink, fixedClock({9, 5, 3, 7}));

    log.openLog(badPath);
    log.writeLine("lost");

    const auto received = sink.all();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].code, MSG_OUTPUT_LINE);
    EXPECT_EQ(received[0].text, dir.file("plain") + "/Debug.log was unable to be created - this "
                                                    "directory requires administrative "
                                                    "permissions.");
    EXPECT_FALSE(log.isOpen());

    log.openLog(dir.file("Debug.log"));
    log.writeLine("kept");
    EXPECT_TRUE(log.isOpen());
    EXPECT_EQ(test::readAll(dir.file("Debug.log")), "09:05:03-007-  kept\r\n");
    EXPECT_EQ(sink.all().size(), 1U);
}

TEST(VelLogFile, WritesNothingBeforeALogIsOpened)
{
    test::RecordingSink sink;
    VelLogFile log(sink);
    log.writeLine("nowhere to go");
    EXPECT_FALSE(log.isOpen());
    EXPECT_TRUE(sink.all().empty());
}

TEST(VelLogFile, OutputWindowLineHasAStopBeforeTheMilliseconds)
{
    EXPECT_EQ(VelLogFile::formatOutputLine({9, 5, 3, 7}, "Connected."), "09:05:03.007- Connected.");
    EXPECT_EQ(VelLogFile::formatOutputLine({23, 59, 59, 999}, ""), "23:59:59.999- ");
}

TEST(VelLogFile, LocalTimeIsInRange)
{
    const LogTime now = VelLogFile::localTime();
    EXPECT_GE(now.hour, 0);
    EXPECT_LE(now.hour, 23);
    EXPECT_GE(now.minute, 0);
    EXPECT_LE(now.minute, 59);
    EXPECT_GE(now.second, 0);
    EXPECT_LE(now.second, 60);
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LE(now.millisecond, 999);
}

// A device worker logs while the user-interface thread reopens the log: every line lands
// whole in one of the two files.
TEST(VelLogFile, WorkerLinesSurviveReopening)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    test::RecordingSink sink;
    VelLogFile log(sink, fixedClock({12, 0, 0, 0}));
    log.openLog(dir.file("a.log"));

    constexpr int kLines = 300;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i) {
            log.writeLine("worker line " + std::to_string(i));
        }
        done = true;
    });
    int reopenings = 0;
    while (!done) {
        log.openLog(dir.file(reopenings % 2 == 0 ? "b.log" : "a.log"));
        ++reopenings;
    }
    worker.join();

    int seen = 0;
    for (const char* name : {"a.log", "b.log"}) {
        std::istringstream lines(test::readAll(dir.file(name)));
        std::string line;
        while (std::getline(lines, line)) {
            EXPECT_EQ(line.rfind("12:00:00-000-  worker line ", 0), 0U) << line;
            EXPECT_EQ(line.back(), '\r') << line;
            ++seen;
        }
    }
    EXPECT_EQ(seen, kLines);
    EXPECT_TRUE(sink.all().empty());
}

} // namespace
