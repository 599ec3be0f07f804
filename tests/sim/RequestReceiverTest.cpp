#include "sim/RequestReceiver.h"

#include "SimTestSupport.h"

#include <gtest/gtest.h>
#include <random>

using namespace quillan;
using namespace quillan::sim;
using quillan::simtest::Bytes;
using quillan::simtest::withModbusCrc;

namespace {

// Frames written out by hand.
const Bytes ENQUIRE{0xFF, 0x05, 0x00, 0x00, 0x20, 0x15};
const Bytes IDENTIFY{0xFF, 0x01, 0x00, 0x00, 0x61, 0xD4};
const Bytes READ_KEY{0xFF, 0x41, 0x06, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x89, 0x20};
const Bytes MODBUS_READ{0x01, 0x03, 0x0B, 0xB9, 0x00, 0x02, 0x17, 0xCA};

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Expected {
    Request::Kind kind;
    uint8_t command;
};

struct ReceiveCase {
    const char* name;
    std::vector<Bytes> bursts; // each fed in one call
    bool modbus;
    bool idleAtEnd;
    std::vector<Expected> expected;
};

const ReceiveCase CASES[] = {
    {"OneFrame", {ENQUIRE}, false, false, {{Request::Kind::device, 5}}},
    {"ByteByByte",
     {{0xFF}, {0x41}, {0x06}, {0x00}, {0x0A, 0x00}, {0x00, 0x00, 0x00}, {0x00, 0x89}, {0x20}},
     false,
     false,
     {{Request::Kind::device, 65}}},
    {"TwoFramesInOneBurst",
     {ENQUIRE + IDENTIFY},
     false,
     false,
     {{Request::Kind::device, 5}, {Request::Kind::device, 1}}},
    {"TextBeforeTheStartByte",
     {Bytes{'o', 'k', '\r', '\n'} + IDENTIFY},
     false,
     false,
     {{Request::Kind::device, 1}}},
    // The damaged frame is given up from its first byte; the next 0xFF starts over.
    {"BadCrcThenGoodFrame",
     {Bytes{0xFF, 0x05, 0x00, 0x00, 0x20, 0x16} + ENQUIRE},
     false,
     false,
     {{Request::Kind::device, 5}}},
    {"LengthBeyondTheBuffer",
     {Bytes{0xFF, 0x42, 0x00, 0x70} + IDENTIFY},
     false,
     false,
     {{Request::Kind::device, 1}}},
    // A stray 0xFF whose length swallows the real frame: the pause gives it up and the frame
    // inside is found.
    {"StrayStartByteRecoveredAtThePause",
     {Bytes{0xFF, 0x07, 0x10, 0x00} + ENQUIRE},
     false,
     true,
     {{Request::Kind::device, 5}}},
    {"CutOffFrameIsDroppedAtThePause", {{0xFF, 0x05, 0x00}}, false, true, {}},
    {"ModbusRequest", {MODBUS_READ}, true, false, {{Request::Kind::modbus, 3}}},
    {"ModbusIgnoredOnADebugPort", {MODBUS_READ}, false, true, {}},
    {"ModbusFloatWriteHasTenBytes",
     {withModbusCrc({0x01, 0x06, 0x1B, 0x59, 0x3F, 0xC0, 0x00, 0x00}) + ENQUIRE},
     true,
     false,
     {{Request::Kind::modbus, 6}, {Request::Kind::device, 5}}},
    {"ModbusUnknownFunctionEndsAtThePause",
     {withModbusCrc({0x01, 0x2B, 0x0E, 0x01, 0x00})},
     true,
     true,
     {{Request::Kind::modbus, 0x2B}}},
    {"ModbusUnknownFunctionWaitsForThePause",
     {withModbusCrc({0x01, 0x2B, 0x0E, 0x01, 0x00})},
     true,
     false,
     {}},
    // Modbus frames end in silence: the bytes of a damaged one may look like the start of
    // another, which only the pause ends.
    {"ModbusBadCrcThenDeviceFrame",
     {Bytes{0x01, 0x03, 0x0B, 0xB9, 0x00, 0x02, 0x17, 0xCB} + ENQUIRE},
     true,
     true,
     {{Request::Kind::device, 5}}},
};

class ReceiveTest : public testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceiveTest, FindsTheFramesInTheStream)
{
    const ReceiveCase& c = GetParam();
    RequestReceiver receiver;
    receiver.setModbusEnabled(c.modbus);
    std::vector<Request> out;
    for (const Bytes& burst : c.bursts) {
        receiver.feed(burst.data(), burst.size(), out);
    }
    if (c.idleAtEnd) {
        receiver.lineIdle(out);
        EXPECT_EQ(receiver.buffered(), 0u);
    }
    ASSERT_EQ(out.size(), c.expected.size());
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i].kind, c.expected[i].kind) << i;
        EXPECT_EQ(out[i].command, c.expected[i].command) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, ReceiveTest, testing::ValuesIn(CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(RequestReceiverTest, HandsOverPayloadAndWholeModbusFrame)
{
    RequestReceiver receiver;
    receiver.setModbusEnabled(true);
    std::vector<Request> out;
    const Bytes both = READ_KEY + MODBUS_READ;
    receiver.feed(both.data(), both.size(), out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, (Bytes{0x0A, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(out[1].bytes, MODBUS_READ);
}

TEST(RequestReceiverTest, LargestFrameFitsAndNoiseNeverOverflows)
{
    RequestReceiver receiver;
    std::vector<Request> out;
    // Noise full of start bytes with lengths that cannot fit, more than the buffer holds.
    Bytes noise;
    for (int i = 0; i < 6000; ++i) {
        noise.insert(noise.end(), {0xFF, 0xFF});
    }
    receiver.feed(noise.data(), noise.size(), out);
    EXPECT_TRUE(out.empty());
    EXPECT_LE(receiver.buffered(), RequestReceiver::kCapacity);

    // A write of 320 import records: 7686 payload bytes, the largest frame a host sends.
    Bytes frame{0xFF, 0x42, 0x06, 0x1E, 0x05, 0x00, 0x00, 0x00, 0x00, 0x1E};
    frame.resize(10 + 7680, 0x5A);
    uint16_t crc = 0;
    for (const uint8_t b : frame) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    frame.push_back(static_cast<uint8_t>(crc));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    receiver.feed(frame.data(), frame.size(), out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].command, 0x42);
    EXPECT_EQ(out[0].bytes.size(), 7686u);
}

// Noise of any kind, in bursts of any size, then a pause: the frame after it is always found,
// in Modbus mode too.
TEST(RequestReceiverTest, NoiseNeverHidesTheFrameAfterAPause)
{
    std::mt19937 random(20240611);
    for (const bool modbus : {false, true}) {
        RequestReceiver receiver;
        receiver.setModbusEnabled(modbus);
        for (int round = 0; round < 200; ++round) {
            Bytes noise(random() % 3000);
            for (uint8_t& b : noise) {
                b = static_cast<uint8_t>(random());
            }
            std::vector<Request> out;
            for (size_t at = 0; at < noise.size();) {
                const size_t n = std::min<size_t>(1 + random() % 700, noise.size() - at);
                receiver.feed(noise.data() + at, n, out);
                ASSERT_LE(receiver.buffered(), RequestReceiver::kCapacity);
                at += n;
            }
            receiver.lineIdle(out);
            out.clear();
            receiver.feed(IDENTIFY.data(), IDENTIFY.size(), out);
            ASSERT_EQ(out.size(), 1u) << "round " << round;
            EXPECT_EQ(out[0].command, 1);
        }
    }
}

} // namespace
