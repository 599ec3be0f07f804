#include "device/modbus/ModbusFrame.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace quillan::device::modbus;

namespace {

using Bytes = std::vector<uint8_t>;

// Expected frames and CRCs worked out by hand (a bitwise CRC-16/MODBUS in Python).
TEST(ModbusFrame, RequestsCarryTheirFieldsMostSignificantFirstAndTheCrcLeastFirst)
{
    const std::string check = "123456789";
    EXPECT_EQ(crc16Modbus(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x4B37);

    EXPECT_EQ(readHoldingRegistersRequest(1, 40, 3),
              (Bytes{0x01, 0x03, 0x00, 0x28, 0x00, 0x03, 0x85, 0xC3}));
    EXPECT_EQ(writeRegisterRequest(1, 10, 0x1234),
              (Bytes{0x01, 0x06, 0x00, 0x0A, 0x12, 0x34, 0xA4, 0xBF}));
    EXPECT_EQ(writeFloatRegisterRequest(1, 7001, 1.5F),
              (Bytes{0x01, 0x06, 0x1B, 0x59, 0x3F, 0xC0, 0x00, 0x00, 0xF4, 0x09}));
}

TEST(ModbusFrame, CrcMatchesOnlyTheBytesItCovers)
{
    const Bytes reply{0x01, 0x03, 0x06, 0x00, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0xBC, 0xC5};
    EXPECT_TRUE(crcMatches(reply, 9));
    EXPECT_FALSE(crcMatches(reply, 8));
    EXPECT_FALSE(crcMatches({reply.data(), 10}, 9)); // CRC cut off
    Bytes swapped = reply;
    std::swap(swapped[9], swapped[10]);
    EXPECT_FALSE(crcMatches(swapped, 9));
}

TEST(ModbusFrame, ExpectedReplySizeFromWhatHasArrived)
{
    struct Case {
        const char* name;
        Bytes gathered;
        uint8_t function;
        size_t requestSize;
        size_t expected;
    };
    const Case cases[] = {
        {"nothing yet", {}, 3, 8, 0},
        {"read reply before its byte count", {0x01, 0x03}, 3, 8, 0},
        {"read reply of six data bytes", {0x01, 0x03, 0x06}, 3, 8, 11},
        {"largest byte count", {0x01, 0x03, 0xFF}, 3, 8, 260},
        {"read exception", {0x01, 0x83}, 3, 8, 5},
        {"write echo", {0x01, 0x06}, 6, 8, 8},
        {"float write echo", {0x01, 0x06, 0x1B}, 6, 10, 10},
        {"write exception", {0x01, 0x86, 0x02}, 6, 10, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(expectedReplySize(c.gathered, c.function, c.requestSize), c.expected) << c.name;
    }
}

TEST(ModbusFrame, TraceWrapsAfterFifteenBytes)
{
    Bytes frame(20);
    std::iota(frame.begin(), frame.end(), uint8_t{0xA0});
    EXPECT_EQ(traceLines(frame, TraceDirection::sent),
              (std::vector<std::string>{
                  "  ->   A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE ",
                  "       AF B0 B1 B2 B3 ",
              }));
    EXPECT_EQ(traceLines({frame.data(), 15}, TraceDirection::received),
              (std::vector<std::string>{"  <-   A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE "}));
    EXPECT_TRUE(traceLines({}, TraceDirection::sent).empty());
}

} // namespace
