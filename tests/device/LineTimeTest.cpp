#include "device/SerialLink.h"

#include <gtest/gtest.h>

using namespace quillan::device;

namespace {

TEST(LineTimeTest, CountsEveryBitOfACharacter)
{
    struct Case {
        LineSettings line;
        size_t count;
        long long nanoseconds; // worked by hand
    };
    const Case cases[] = {
        // 10 bits: a full import page of 7,692 bytes.
        {DEVICE_LINE_SETTINGS, 7692, 1'335'416'666},
        {DEFAULT_LINE_SETTINGS, 1, 1'041'666},
        // 1 + 8 + 1 + 2 = 12 bits.
        {{9600, 8, PARITY_EVEN, STOP_BITS_TWO}, 1, 1'250'000},
        // 1 + 7 + 1 + 1.5 = 10.5 bits.
        {{19200, 7, PARITY_ODD, STOP_BITS_ONE_AND_HALF}, 2, 1'093'750},
        {{0, 8, PARITY_NONE, STOP_BITS_ONE}, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.line.baudRate << " baud, " << c.count << " bytes");
        EXPECT_EQ(lineTime(c.line, c.count).count(), c.nanoseconds);
    }
    EXPECT_EQ(characterTime(DEVICE_LINE_SETTINGS).count(), 173'611);
}

} // namespace
