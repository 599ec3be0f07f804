#include "device/ResultCodes.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace quillan::device;

namespace {

struct Line {
    int code;
    uint16_t deviceType;
    const char* expected;
};

class ResultLines : public ::testing::TestWithParam<Line> {};

} // namespace

TEST_P(ResultLines, NameTheNodeAndForAWrongDeviceItsKind)
{
    const Line& line = GetParam();
    EXPECT_EQ(resultText(line.code, {"North", "ZAV Gateway Module", line.deviceType}),
              line.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResultLines,
    ::testing::Values(
        Line{2, 0, "North - Configuration download Ok."},
        Line{1, 11, "North - Store configuration failure."},
        Line{25, 11, "North - ZAV Gateway Module update failure, a Base Unit was detected."},
        Line{32, 14, "North - ZAV Gateway Module connect failure, a Hub2 was detected."},
        Line{67, 13, "North - Gateway connect failure, a Hub2 (320) was detected."},
        Line{80, 12,
             "North - ZAV Gateway Module update failure, LCD version ZAV Gateway Module "
             "detected."},
        Line{73, 0,
             "North - ZAV Gateway Module connect failure, non-LCD version Unknown "
             "detected."},
        // A type without a name leaves its place empty.
        Line{25, 5, "North - ZAV Gateway Module update failure, a  was detected."},
        Line{39, 0, "North - Point limit (1920) exceeded."},
        Line{42, 0, "North - Modbus Map limit (1920) exceeded."},
        // Codes of other device families keep their texts and numbers.
        Line{6, 0, "North - Radio configuration failure."},
        Line{12, 0, "North - Radio configuration failure."},
        Line{38, 0, "North - Modbus Map limit (320) exceeded."},
        Line{64, 0, "North - Wireless AIN Module Point configuration failure."},
        Line{104, 0, "North - Tenpoint Transmitter Modbus configuration failure."},
        // Codes without text give an empty line.
        Line{28, 11, ""}, Line{0, 0, ""}, Line{105, 0, ""}, Line{-1, 0, ""}));

TEST(ResultCodes, ExactlyTheseCodesHaveNoText)
{
    const std::set<int> withoutText = {28, 29, 30, 31, 34, 48, 58, 59, 60, 61,
                                       62, 63, 74, 75, 76, 77, 78, 79, 85, 96};
    for (int code = 1; code <= 104; ++code) {
        EXPECT_EQ(resultFormat(code) == nullptr, withoutText.count(code) == 1) << code;
    }
    EXPECT_EQ(resultFormat(0), nullptr);
    EXPECT_EQ(resultFormat(105), nullptr);
}
