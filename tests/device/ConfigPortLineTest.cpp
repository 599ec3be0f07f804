#include "device/ConfigPortLine.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string>

using namespace quillan::device;

namespace {

struct Stored {
    std::int32_t baudRate, dataBits, parity, stopBits;
};

struct StoredLine {
    const char* name;
    Stored stored;
    LineSettings line;
    const char* refused;
};

class ConfigPortLineTest : public testing::TestWithParam<StoredLine> {};

// Each value is checked on its own: a refused one takes its default, the others stay.
const StoredLine kStored[] = {
    {"defaults", {57600, 8, 0, 0}, {57600, 8, PARITY_NONE, STOP_BITS_ONE}, ""},
    {"every value at its top",
     {2147483647, 8, 4, 2},
     {2147483647u, 8, PARITY_SPACE, STOP_BITS_TWO},
     ""},
    {"every value at its bottom", {1, 5, 0, 0}, {1, 5, PARITY_NONE, STOP_BITS_ONE}, ""},
    {"19200 7E2", {19200, 7, 2, 2}, {19200, 7, PARITY_EVEN, STOP_BITS_TWO}, ""},
    // 258 is 0x102: cut to eight bits it would be even parity.
    {"parity 258",
     {19200, 7, 258, 2},
     {19200, 7, PARITY_NONE, STOP_BITS_TWO},
     "configParity 258 is not 0 to 4 (default 0)"},
    {"parity 5",
     {9600, 8, 5, 0},
     {9600, 8, PARITY_NONE, STOP_BITS_ONE},
     "configParity 5 is not 0 to 4 (default 0)"},
    {"parity -1",
     {9600, 8, -1, 0},
     {9600, 8, PARITY_NONE, STOP_BITS_ONE},
     "configParity -1 is not 0 to 4 (default 0)"},
    // Present "configPort" without "configBaudRate" leaves the rate at 0.
    {"baud rate 0",
     {0, 8, 1, 1},
     {57600, 8, PARITY_ODD, STOP_BITS_ONE_AND_HALF},
     "configBaudRate 0 is not a baud rate (default 57600)"},
    {"negative baud rate",
     {-9600, 8, 0, 0},
     {57600, 8, PARITY_NONE, STOP_BITS_ONE},
     "configBaudRate -9600 is not a baud rate (default 57600)"},
    {"4 data bits",
     {9600, 4, 0, 0},
     {9600, 8, PARITY_NONE, STOP_BITS_ONE},
     "configDataBits 4 is not 5 to 8 (default 8)"},
    {"264 data bits",
     {9600, 264, 0, 0},
     {9600, 8, PARITY_NONE, STOP_BITS_ONE},
     "configDataBits 264 is not 5 to 8 (default 8)"},
    {"stop bits 3",
     {9600, 8, 0, 3},
     {9600, 8, PARITY_NONE, STOP_BITS_ONE},
     "configStopBits 3 is not 0 to 2 (default 0)"},
    {"all four refused",
     {0, 9, 7, 258},
     {57600, 8, PARITY_NONE, STOP_BITS_ONE},
     "configBaudRate 0 is not a baud rate (default 57600); configDataBits 9 is not 5 to 8 "
     "(default 8); configParity 7 is not 0 to 4 (default 0); configStopBits 258 is not 0 to 2 "
     "(default 0)"},
};

TEST_P(ConfigPortLineTest, RefusesWhatNoLineCanTake)
{
    const StoredLine& c = GetParam();
    const ConfigPortLine read =
        configPortLine(c.stored.baudRate, c.stored.dataBits, c.stored.parity, c.stored.stopBits);
    EXPECT_EQ(read.line, c.line);
    EXPECT_EQ(read.refused, c.refused);
    EXPECT_TRUE(isValidLineSettings(read.line));
}

INSTANTIATE_TEST_SUITE_P(StoredValues, ConfigPortLineTest, testing::ValuesIn(kStored),
                         [](const testing::TestParamInfo<StoredLine>& param) {
                             std::string name = param.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

} // namespace
