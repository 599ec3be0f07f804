#include "device/ProgressWindowModel.h"

#include "model/Notifications.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quillan;
using namespace quillan::device;

namespace {

struct Sent {
    int code;
    int step = 0;
    int page = 0;
};

struct WindowCase {
    const char* name;
    std::vector<Sent> sent;
    // The window afterwards.
    bool exists;
    bool visible;
    const char* title;
    const char* text;
    int position;
    // What the last notification did.
    bool handled;
    int pauseMs;
    bool redraw;
};

void PrintTo(const WindowCase& c, std::ostream* os)
{
    *os << c.name;
}

const WindowCase WINDOW_CASES[] = {
    {"UpdateStart",
     {{MSG_UPDATE_START}},
     true,
     true,
     "Updating Device...",
     "Connecting...",
     8,
     true,
     100,
     true},
    {"SessionStart",
     {{MSG_SESSION_START}},
     true,
     true,
     "Connecting...",
     "Connecting...",
     8,
     true,
     100,
     false},
    {"FileStart",
     {{MSG_FILE_START}},
     true,
     true,
     "Writing File to Device...",
     "Connecting...",
     8,
     true,
     100,
     true},
    // Accepted as start codes, though the window has nothing for them.
    {"OtherStartCode", {{2043}}, true, true, "Connecting...", "Initializing...", 0, true, 0, false},
    {"IdentifyStepOfAWrite",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 31, 0}},
     true,
     true,
     "Updating Device...",
     "Reading Monitor Configuration...",
     17,
     true,
     100,
     true},
    {"SiteSecurityStep",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 10, 0}},
     true,
     true,
     "Updating Device...",
     "Checking Site Security...",
     17,
     true,
     100,
     true},
    {"ImportPage0",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 5, 0}},
     true,
     true,
     "Updating Device...",
     "Writing Import Configuration...",
     13,
     true,
     100,
     true},
    {"ImportPage1",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 5, 0}, {MSG_WRITE_PROGRESS, 5, 1}},
     true,
     true,
     "Updating Device...",
     "Writing Import Configuration...",
     14,
     true,
     100,
     true},
    {"TrendLogStep",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 25, 0}},
     true,
     true,
     "Updating Device...",
     "Writing Trend Log Configuration...",
     17,
     true,
     100,
     true},
    {"UnknownWriteStepBlanksTheText",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 5, 0}, {MSG_WRITE_PROGRESS, 11, 0}},
     true,
     true,
     "Updating Device...",
     "",
     13,
     true,
     100,
     true},
    {"ReadStep",
     {{MSG_SESSION_START}, {MSG_READ_PROGRESS, 31, 0}},
     true,
     true,
     "Connecting...",
     "Reading Monitor Configuration...",
     17,
     true,
     100,
     false},
    {"TrendingStatusRead",
     {{MSG_SESSION_START}, {MSG_READ_PROGRESS, 27, 0}},
     true,
     true,
     "Connecting...",
     "Reading Trending Status...",
     13,
     true,
     100,
     false},
    // Block 10 has no read text.
    {"SecurityReadBlanksTheText",
     {{MSG_SESSION_START}, {MSG_READ_PROGRESS, 10, 0}},
     true,
     true,
     "Connecting...",
     "",
     8,
     true,
     100,
     false},
    {"BarStopsAt100",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 29, 0}, {MSG_WRITE_PROGRESS, 0, 0}},
     true,
     true,
     "Updating Device...",
     "Writing Serial Configuration...",
     100,
     true,
     100,
     true},
    {"RocPointsReadFillsTheBar",
     {{MSG_SESSION_START}, {MSG_READ_PROGRESS, 24, 0}},
     true,
     true,
     "Connecting...",
     "Reading ROC Points Configuration...",
     100,
     true,
     100,
     false},
    {"FileProgress",
     {{MSG_FILE_START},
      {MSG_FILE_PROGRESS},
      {MSG_FILE_PROGRESS},
      {MSG_FILE_PROGRESS},
      {MSG_FILE_PROGRESS}},
     true,
     true,
     "Writing File to Device...",
     "Writing File...",
     100,
     true,
     100,
     true},
    {"Done",
     {{MSG_UPDATE_START}, {MSG_SESSION_DONE}},
     false,
     false,
     "Updating Device...",
     "Connected...",
     8,
     true,
     100,
     false},
    {"Failed",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 0, 0}, {MSG_SESSION_FAILED}},
     false,
     false,
     "Updating Device...",
     "Connection failed...",
     17,
     true,
     1000,
     false},
    {"StepWithoutAWindow", {{MSG_WRITE_PROGRESS, 5, 0}}, false, false, "", "", 0, false, 0, false},
    {"EndWithoutAWindow", {{MSG_SESSION_FAILED}}, false, false, "", "", 0, false, 0, false},
    {"StepAfterTheEnd",
     {{MSG_UPDATE_START}, {MSG_SESSION_DONE}, {MSG_WRITE_PROGRESS, 5, 0}},
     false,
     false,
     "Updating Device...",
     "Connected...",
     8,
     false,
     0,
     false},
    {"StartReplacesTheWindow",
     {{MSG_UPDATE_START}, {MSG_WRITE_PROGRESS, 29, 0}, {MSG_SESSION_START}},
     true,
     true,
     "Connecting...",
     "Connecting...",
     8,
     true,
     100,
     false},
    {"OtherProgressCode",
     {{MSG_UPDATE_START}, {2045, 5, 0}},
     true,
     true,
     "Updating Device...",
     "Connecting...",
     8,
     true,
     0,
     false},
    {"NotForTheWindow",
     {{MSG_UPDATE_START}, {MSG_OUTPUT_LINE}},
     true,
     true,
     "Updating Device...",
     "Connecting...",
     8,
     false,
     0,
     false},
};

class ProgressWindowTest : public testing::TestWithParam<WindowCase> {};

TEST_P(ProgressWindowTest, FollowsTheNotifications)
{
    const WindowCase& c = GetParam();
    ProgressWindowModel window;
    ProgressReaction last;
    for (const Sent& s : c.sent) {
        last = window.handle(s.code, s.step, s.page);
    }
    EXPECT_EQ(window.exists(), c.exists);
    EXPECT_EQ(window.visible(), c.visible);
    EXPECT_EQ(window.title(), c.title);
    EXPECT_EQ(window.text(), c.text);
    EXPECT_EQ(window.position(), c.position);
    EXPECT_EQ(last.handled, c.handled);
    EXPECT_EQ(last.pauseMs, c.pauseMs);
    EXPECT_EQ(last.redraw, c.redraw);
}

INSTANTIATE_TEST_SUITE_P(Notifications, ProgressWindowTest, testing::ValuesIn(WINDOW_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
