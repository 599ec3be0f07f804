#include "sim/SimulatorLink.h"

#include "FaultCases.h"
#include "LiteralFrames.h"
#include "SimTestSupport.h"
#include "device/LinkFactory.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

using namespace quillan;
using namespace quillan::sim;
using namespace quillan::simtest;
using Clock = std::chrono::steady_clock;

namespace {

const Bytes ENQUIRE{0xFF, 0x05, 0x00, 0x00, 0x20, 0x15};
const Bytes ACK{0xFF, 0x06, 0x00, 0x00, 0xD0, 0x15};

// Reads until count bytes came or timeoutMs passed; counts the reads that returned data.
Bytes readBytes(device::SerialLink& link, size_t count, int timeoutMs, int* reads = nullptr)
{
    Bytes bytes;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (bytes.size() < count && Clock::now() < deadline) {
        uint8_t chunk[8192];
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const auto r = link.read(chunk, std::min(sizeof chunk, count - bytes.size()),
                                 static_cast<int>(left.count()));
        if (r.status != device::ReadStatus::data) {
            break;
        }
        if (reads != nullptr) {
            ++*reads;
        }
        bytes.insert(bytes.end(), chunk, chunk + r.count);
    }
    return bytes;
}

class SimulatorLinkTest : public testing::Test {
protected:
    void open(SimulatorState state = SimulatorState::newGateway(), FaultOptions faults = {},
              bool lineTiming = false)
    {
        gateway = std::make_shared<GatewaySimulator>(std::move(state), std::move(faults));
        link = std::make_unique<SimulatorLink>(gateway, lineTiming);
        ASSERT_TRUE(link->open(device::SIMULATOR_PORT_NAME));
        ASSERT_TRUE(link->configure(device::DEVICE_LINE_SETTINGS));
        ASSERT_TRUE(link->setRts(true));
    }

    std::shared_ptr<GatewaySimulator> gateway;
    std::unique_ptr<SimulatorLink> link;
};

class LiteralTest : public SimulatorLinkTest,
                    public testing::WithParamInterface<LiteralExchange> {};

TEST_P(LiteralTest, AnswersAFrameWrittenByHand)
{
    SimulatorState state = SimulatorState::newGateway();
    state.setSiteKey(kLiteralSiteKey);
    open(state);
    const LiteralExchange& e = GetParam();
    ASSERT_EQ(link->write(e.request.data(), e.request.size()), device::WriteStatus::ok);
    EXPECT_EQ(readBytes(*link, e.reply.size(), 1000), e.reply);
    uint8_t more = 0;
    EXPECT_EQ(link->read(&more, 1, 20).status, device::ReadStatus::timeout);
}

INSTANTIATE_TEST_SUITE_P(InProcess, LiteralTest, testing::ValuesIn(literalExchanges()),
                         [](const auto& p) { return literalName(p.param); });

TEST_F(SimulatorLinkTest, TablePageWrittenByHandReadsBackByteForByte)
{
    open();
    for (const LiteralExchange& e : literalPageConversation()) {
        SCOPED_TRACE(e.name);
        ASSERT_EQ(link->write(e.request.data(), e.request.size()), device::WriteStatus::ok);
        EXPECT_EQ(readBytes(*link, e.reply.size(), 1000), e.reply);
    }
    uint8_t more = 0;
    EXPECT_EQ(link->read(&more, 1, 20).status, device::ReadStatus::timeout);
}

class FaultTest : public SimulatorLinkTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, HostEnginesSeeTheFault)
{
    open(SimulatorState::newGateway(), GetParam().faults);
    checkFaultCase(GetParam(), *link);
}

INSTANTIATE_TEST_SUITE_P(InProcess, FaultTest, testing::ValuesIn(faultCases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SimulatorLinkTest, DebugTextOnlyWhileRtsIsLow)
{
    open();
    ASSERT_TRUE(link->setRts(false));
    std::string lines;
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (std::count(lines.begin(), lines.end(), '\n') < 3 && Clock::now() < deadline) {
        const Bytes got = readBytes(*link, 4096, 100);
        lines.append(got.begin(), got.end());
    }
    // The start-up lines and at least one status line, each a whole line.
    ASSERT_GE(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    EXPECT_EQ(lines.substr(lines.size() - 2), "\r\n");
    EXPECT_NE(lines.find("ZAV Gateway Module, firmware 1.5.0.14"), std::string::npos) << lines;
    EXPECT_NE(lines.find("STATUS ch 5"), std::string::npos) << lines;

    ASSERT_TRUE(link->setRts(true));
    ASSERT_TRUE(link->purge(true, true));
    uint8_t byte = 0;
    EXPECT_EQ(link->read(&byte, 1, 1200).status, device::ReadStatus::timeout);
}

TEST_F(SimulatorLinkTest, DebugTextNeverSplitsAReply)
{
    open(SimulatorState::newGateway(), {}, true);
    ASSERT_TRUE(link->setRts(false));
    // Requests while the gateway talks: every reply comes whole, between whole lines.
    Bytes stream;
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(link->write(ENQUIRE.data(), ENQUIRE.size()), device::WriteStatus::ok);
        const Bytes got = readBytes(*link, 4096, 250);
        stream.insert(stream.end(), got.begin(), got.end());
    }
    int replies = 0;
    for (auto it = std::search(stream.begin(), stream.end(), ACK.begin(), ACK.end());
         it != stream.end();
         it = std::search(stream.begin(), stream.end(), ACK.begin(), ACK.end())) {
        EXPECT_TRUE(it == stream.begin() || *(it - 1) == '\n');
        stream.erase(it, it + static_cast<long>(ACK.size()));
        ++replies;
    }
    EXPECT_EQ(replies, 6);
    const std::string text(stream.begin(), stream.end());
    EXPECT_TRUE(text.empty() || text.substr(text.size() - 2) == "\r\n") << text;
    EXPECT_EQ(text.find('\xFF'), std::string::npos);
}

TEST_F(SimulatorLinkTest, LineTimingPacesTheReply)
{
    // 40 import records make a reply of 972 bytes: about 169 ms at 57600 baud.
    SimulatorState state = SimulatorState::newGateway();
    std::vector<uint8_t> records(40 * ImportRecord::kSize, 0x11);
    ASSERT_TRUE(state.image.storeBlock(BlockType::imports, 0, records));
    const Bytes request{0xFF, 0x41, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00};
    Bytes framed = request;
    framed.resize(framed.size() + 2);
    const uint16_t crc = [&] {
        uint16_t c = 0;
        for (const uint8_t b : request) {
            c ^= b;
            for (int bit = 0; bit < 8; ++bit) {
                c = (c & 1) != 0 ? static_cast<uint16_t>((c >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(c >> 1);
            }
        }
        return c;
    }();
    framed[8] = static_cast<uint8_t>(crc);
    framed[9] = static_cast<uint8_t>(crc >> 8);
    constexpr size_t kReplySize = 12 + 40 * ImportRecord::kSize;

    for (const bool timing : {true, false}) {
        SCOPED_TRACE(timing ? "line timing" : "no line timing");
        open(state, {}, timing);
        ASSERT_EQ(link->write(framed.data(), framed.size()), device::WriteStatus::ok);
        int reads = 0;
        const auto start = Clock::now();
        const Bytes reply = readBytes(*link, kReplySize, 1000, &reads);
        const auto elapsed = Clock::now() - start;
        ASSERT_EQ(reply.size(), kReplySize);
        if (timing) {
            EXPECT_GE(elapsed, std::chrono::milliseconds(kReplySize * 10 * 1000 / 57600));
            // Bytes trickle in; how many reads that takes depends on when the reader wakes.
            EXPECT_GT(reads, 1);
        } else {
            EXPECT_EQ(reads, 1);
        }
    }
}

// A request takes its time on the line before the gateway has it, as through a real port; a
// cancel cuts it off, and what did not leave is never answered.
TEST_F(SimulatorLinkTest, LineTimingPacesTheRequest)
{
    open(SimulatorState::newGateway(), {}, true);
    // A page of 320 import records: 7,692 bytes, 1,335 ms at 57,600 baud 8N1.
    std::vector<uint8_t> records(320 * ImportRecord::kSize, 0x22);
    const Bytes page =
        device::makeFrame(device::CMD_WRITE_BLOCK, device::BlockData{5, 0, records}.encode());
    ASSERT_EQ(page.size(), 7692u);
    const auto start = Clock::now();
    ASSERT_EQ(link->write(page.data(), page.size()), device::WriteStatus::ok);
    EXPECT_GE(Clock::now() - start, std::chrono::microseconds(1'335'416));
    EXPECT_EQ(readBytes(*link, ACK.size(), 1000), ACK);

    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        link->cancel();
    });
    EXPECT_EQ(link->write(page.data(), page.size()), device::WriteStatus::cancelled);
    canceller.join();
    link->resetCancel();
    EXPECT_EQ(readBytes(*link, 1, 300), Bytes{});
}

TEST_F(SimulatorLinkTest, PurgeKeepsTheComingReplyButDropsWhatArrived)
{
    open();
    ASSERT_TRUE(link->setRts(false));
    // Debug text has arrived; the host raises RTS, sends and purges before it reads.
    Bytes line = readBytes(*link, 1, 200);
    ASSERT_EQ(line.size(), 1u);
    ASSERT_TRUE(link->setRts(true));
    ASSERT_EQ(link->write(ENQUIRE.data(), ENQUIRE.size()), device::WriteStatus::ok);
    ASSERT_TRUE(link->purge(true, true));
    EXPECT_EQ(readBytes(*link, 64, 200), ACK);
}

TEST_F(SimulatorLinkTest, ClosingEndsABlockedRead)
{
    open();
    device::ReadStatus status = device::ReadStatus::data;
    Clock::duration waited{};
    std::thread reader([&] {
        uint8_t byte = 0;
        const auto start = Clock::now();
        status = link->read(&byte, 1, 10000).status;
        waited = Clock::now() - start;
    });
    link->close();
    reader.join();
    EXPECT_EQ(status, device::ReadStatus::error);
    EXPECT_LT(waited, std::chrono::seconds(5)); // not the read's own time-out
    EXPECT_EQ(link->write(ENQUIRE.data(), ENQUIRE.size()), device::WriteStatus::failed);
}

TEST(SimulatorPortTest, SimPortReachesOneGatewayAcrossOpens)
{
    device::LinkFactory factory;
    SimulatorOptions options;
    options.lineTiming = false;
    const auto gateway = addSimulatorPort(factory, options);
    ASSERT_TRUE(factory.isVirtualPort("sim"));

    auto first = device::openLinkByName(factory, "sim");
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->setRts(true));
    device::LinkState state;
    state.linkFlag = true;
    device::NodeFrameEngine node(state, first.get());
    const uint8_t key[4] = {0x0D, 0xF0, 0xAD, 0x0B};
    ASSERT_TRUE(node.sendWriteBlock(10, 0, key, sizeof key));
    EXPECT_TRUE(node.readReply(1000));
    first->close();

    auto second = device::openLinkByName(factory, "sim");
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(second->setRts(true));
    node.setLink(second.get());
    uint32_t deviceKey = 0;
    node.setStoreConfigBlock([&](uint16_t type, const uint8_t* data, uint16_t, uint16_t count) {
        if (type != 10 || count != 4) {
            return false;
        }
        deviceKey = bytes::getU32(data);
        return true;
    });
    ASSERT_TRUE(node.sendReadSecurityKey());
    EXPECT_TRUE(node.readReply(1000));
    EXPECT_EQ(deviceKey, 0x0BADF00Du);
    EXPECT_EQ(gateway->workingImage().security().siteKey, 0x0BADF00Du);
}

} // namespace
