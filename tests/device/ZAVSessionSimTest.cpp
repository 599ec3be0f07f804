// The device session against the in-process simulated gateway, whose configuration is written
// here byte by byte.
#include "SessionTestSupport.h"
#include "device/ZAVSession.h"
#include "sim/GatewaySimulator.h"
#include "sim/SimulatorLink.h"
#include "support/TestDoubles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::sessiontest;
using quillan::sim::GatewaySimulator;
using quillan::sim::SimulatorLink;
using quillan::sim::SimulatorState;
using Bytes = std::vector<uint8_t>;

namespace {

// A run of bytes at an offset of the image, and the block that carries it.
struct ImageRun {
    uint16_t block;
    size_t offset;
    Bytes bytes;
};

// A small gateway, worked out by hand.
const ImageRun SMALL_GATEWAY[] = {
    // COM1: 57600 baud, 8 bits, 1 stop bit, no parity, MODBUS SLAVE, slave 7, split values.
    // COM2: 9600, 8N1, MODBUS MASTER, slave 1, RS-485. COM3: 19200, 8E1, DEBUG, slave 247.
    {0, 6, {0x00, 0xE1, 0x00, 0x00, 0x08, 0x01, 0x01, 0x02, 0x07, 0x00, 0x01, 0x00,
            0x80, 0x25, 0x00, 0x00, 0x08, 0x01, 0x01, 0x03, 0x01, 0x00, 0x10, 0x00,
            0x00, 0x4B, 0x00, 0x00, 0x08, 0x01, 0x02, 0x01, 0xF7, 0x00, 0x00, 0x00}},
    // Group 10 node 0, 3 retries, group mask 0xFFFF, channel 5, power 2 with AES.
    {1, 42, {0x80, 0x02, 0x03, 0x00, 0xFF, 0xFF, 0x05, 0x42}},
    {2, 50, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
             0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16,
             0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20}},
    {3, 82, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA}},
    // Data store: two points, VIN (FLOAT) and a SHORT.
    {4, 92, {0x02, 0x00, 0x04, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00}},
    // One import: point 0, Local I/O channel 0, every second, gain 1.0.
    {5, 1'374, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    // One export: point 1 to radio node 0x0281 on change.
    {6,
     9'056,
     {0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x02, 0x00, 0x00, 0x00,
      0x00}},
    // One map entry: point 0 as FLOAT at register 3001, two registers.
    {7, 13'538, {0x01, 0x00, 0x00, 0x00, 0xB9, 0x0B, 0x02, 0x00, 0x00, 0x02}},
    {9,
     16'100,
     {0x01, 0x00, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C}},
    // Site key 0x12345678 and the two bytes after it.
    {10, 17'304, {0x78, 0x56, 0x34, 0x12, 0xEE, 0xDD}},
    {23, 17'310, {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA}},
    {24, 17'320, {0x02, 0x00, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8}},
};

void put(ConfigImage& image, size_t offset, const Bytes& bytes)
{
    std::copy(bytes.begin(), bytes.end(), image.bytes().begin() + static_cast<long>(offset));
}

std::string firstDifference(const ConfigImage& actual, const ConfigImage& expected)
{
    const auto a = actual.bytes();
    const auto e = expected.bytes();
    const auto [at, _] = std::mismatch(a.begin(), a.end(), e.begin());
    if (at == a.end()) {
        return "";
    }
    const auto offset = static_cast<size_t>(at - a.begin());
    return "offset " + std::to_string(offset) + ": " + std::to_string(a[offset]) + " read, " +
           std::to_string(e[offset]) + " expected";
}

// The block and page of every CMD_READ_BLOCK the session sends, from its frame trace.
class RequestLog {
public:
    FrameTrace trace()
    {
        return [this](TraceDirection direction, std::span<const uint8_t> frame) {
            if (direction == TraceDirection::sent && frame.size() == 10 && frame[1] == 0x41) {
                std::lock_guard lock(m_mutex);
                m_blocks.emplace_back(frame[4] | frame[5] << 8, frame[6] | frame[7] << 8);
            }
        };
    }
    [[nodiscard]] std::vector<std::pair<int, int>> blocks() const
    {
        std::lock_guard lock(m_mutex);
        return m_blocks;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<int, int>> m_blocks;
};

struct VersionCase {
    const char* name;
    const char* version;
    std::vector<int> optionalBlocks; // of 9, 23 and 24, those the session reads
};

void PrintTo(const VersionCase& c, std::ostream* os)
{
    *os << c.name;
}

const VersionCase VERSION_CASES[] = {
    {"AllBlocks", "1.5.0.14", {9, 23, 24}},
    {"Block9Only", "2.0.0.0", {9}},
    {"NoOptionalBlocks", "1.4.2.13", {}},
};

class SessionReadTest : public testing::TestWithParam<VersionCase> {};

TEST_P(SessionReadTest, ReadsTheWholeConfigurationAndStaysConnected)
{
    const VersionCase& c = GetParam();
    SimulatorState state;
    state.firmwareVersion = c.version;
    ConfigImage expected;
    for (const ImageRun& run : SMALL_GATEWAY) {
        put(state.image, run.offset, run.bytes);
        const bool optional = run.block == 9 || run.block == 23 || run.block == 24;
        if (!optional || std::count(c.optionalBlocks.begin(), c.optionalBlocks.end(), run.block)) {
            put(expected, run.offset, run.bytes);
        }
    }
    auto gateway = std::make_shared<GatewaySimulator>(state);
    SimulatorLink link(gateway, /*lineTiming=*/true);
    ASSERT_TRUE(link.open("sim"));
    test::RecordingSink sink;
    ZAVSession session(sink, quickTimings());

    startReading(session, link);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    std::vector<Seen> want = {toMainWindow(MSG_SESSION_START),
                              step(31),
                              step(0),
                              step(1),
                              step(2),
                              step(3),
                              step(4),
                              step(5),
                              step(6),
                              step(7)};
    for (const int block : c.optionalBlocks) {
        want.push_back(step(block));
    }
    want.insert(want.end(), {step(10), toMainWindow(MSG_SESSION_DONE), kReadOk});
    EXPECT_EQ(seen(sink.all()), want);
    const ConfigImage image = session.image();
    EXPECT_EQ(firstDifference(image, expected), "");
    if (c.optionalBlocks.size() == 3) {
        EXPECT_TRUE(image == gateway->state().image);
    }
    IdentityRecord::Bytes identity{0x0C, 0x00};
    std::copy_n(c.version, std::char_traits<char>::length(c.version), identity.begin() + 2);
    EXPECT_EQ(session.identity(), identity);
    // The gateway stays in the conversation until the owner finishes it.
    EXPECT_TRUE(session.linkUp());
    EXPECT_FALSE(session.finished());
    EXPECT_TRUE(link.rts());

    session.startOperation(SessionOperation::finish);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));
    EXPECT_TRUE(session.finished());
    EXPECT_FALSE(link.rts());
    EXPECT_EQ(sink.all().size(), want.size()); // no firmware dialog, nothing to tell
    EXPECT_TRUE(session.stopThread());
}

INSTANTIATE_TEST_SUITE_P(Versions, SessionReadTest, testing::ValuesIn(VERSION_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

// Where the tables live: page 0 in the first part, pages 1 to 5 in image pages of 16,012
// bytes from 17,362, each page a count word and then its records.
struct TableAt {
    uint16_t type;
    size_t recordSize;
    size_t firstCount; // page 0
    size_t pageCount;  // within an image page
};

constexpr TableAt TABLES_AT[] = {
    {4, 4, 92, 4}, {5, 24, 1'374, 1'286}, {6, 14, 9'056, 8'968}, {7, 8, 13'538, 13'450}};

size_t countOffset(const TableAt& t, unsigned page)
{
    return page == 0 ? t.firstCount : 17'362 + 16'012 * (page - 1) + t.pageCount;
}

// Writes records of a recognisable pattern, 320 to a page, with each page's count.
void fillTable(ConfigImage& image, const TableAt& t, const std::vector<unsigned>& pageCounts)
{
    unsigned record = 0;
    for (unsigned page = 0; page < pageCounts.size(); ++page) {
        const size_t count = countOffset(t, page);
        put(image, count,
            {static_cast<uint8_t>(pageCounts[page]), static_cast<uint8_t>(pageCounts[page] >> 8)});
        for (unsigned slot = 0; slot < pageCounts[page]; ++slot, ++record) {
            for (size_t b = 0; b < t.recordSize; ++b) {
                image.bytes()[count + 2 + slot * t.recordSize + b] =
                    static_cast<uint8_t>(t.type * 17 + record * 3 + b * 29 + 1);
            }
        }
    }
}

struct PagingCase {
    const char* name;
    uint16_t table;
    std::vector<unsigned> pageCounts; // what the gateway holds
    std::vector<int> pagesAsked;
};

void PrintTo(const PagingCase& c, std::ostream* os)
{
    *os << c.name;
}

const PagingCase PAGING_CASES[] = {
    {"FullPageZeroAsksPageOne", 5, {320, 0}, {0, 1}},
    {"OneShortOfAPageAsksNoMore", 5, {319}, {0}},
    {"PagesUntilOneIsShort", 4, {320, 320, 7}, {0, 1, 2}},
    {"AllSixPagesAndNoSeventh", 6, {320, 320, 320, 320, 320, 320}, {0, 1, 2, 3, 4, 5}},
    {"EmptyTable", 7, {}, {0}},
};

class SessionPagingTest : public testing::TestWithParam<PagingCase> {};

TEST_P(SessionPagingTest, FollowsFullPages)
{
    const PagingCase& c = GetParam();
    SimulatorState state;
    const TableAt& table = TABLES_AT[c.table - 4];
    fillTable(state.image, table, c.pageCounts);
    auto gateway = std::make_shared<GatewaySimulator>(state);
    SimulatorLink link(gateway, /*lineTiming=*/false);
    ASSERT_TRUE(link.open("sim"));
    test::RecordingSink sink;
    RequestLog requests;
    ZAVSession session(sink, quickTimings());
    session.setTrace(requests.trace());

    startReading(session, link);
    ASSERT_TRUE(session.waitForIdle(kWaitMs));

    std::vector<std::pair<int, int>> asked;
    std::vector<Seen> steps;
    for (const auto& [type, page] : requests.blocks()) {
        if (type == c.table) {
            asked.emplace_back(type, page);
        }
    }
    for (const Seen& s : seen(sink.all())) {
        if (s.code == MSG_READ_PROGRESS && s.step == c.table) {
            steps.push_back(s);
        }
    }
    std::vector<std::pair<int, int>> wantAsked;
    std::vector<Seen> wantSteps;
    for (const int page : c.pagesAsked) {
        wantAsked.emplace_back(c.table, page);
        wantSteps.push_back(step(c.table, page));
    }
    EXPECT_EQ(asked, wantAsked);
    EXPECT_EQ(steps, wantSteps);
    EXPECT_EQ(seen(sink.all()).back(), kReadOk);
    EXPECT_EQ(firstDifference(session.image(), gateway->state().image), "");
}

INSTANTIATE_TEST_SUITE_P(Tables, SessionPagingTest, testing::ValuesIn(PAGING_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

// On a device worker the session runs on the worker's own thread: closing its window lets go
// of a gateway still in the conversation; closing it while a read runs cuts the read short.
TEST(SessionHereTest, ClosingTheWindowEndsTheSessionOnTheCallersThread)
{
    for (const bool midRead : {false, true}) {
        SCOPED_TRACE(midRead ? "while reading" : "after the read");
        sim::FaultOptions faults;
        if (midRead) {
            faults.drop = {CMD_READ_BLOCK}; // the read waits for a reply that never comes
        }
        auto gateway = std::make_shared<GatewaySimulator>(SimulatorState::newGateway(), faults);
        SimulatorLink link(gateway, /*lineTiming=*/false);
        ASSERT_TRUE(link.open("sim"));
        test::RecordingSink sink;
        SessionTimings timings = quickTimings();
        timings.blockTimeoutMs = 600'000;
        ZAVSession session(sink, timings);
        session.setPort(&link);
        session.setEnabled(true);
        session.startOperation(SessionOperation::connectAndRead);
        std::thread worker([&] { session.runHere(); });
        if (midRead) {
            ASSERT_TRUE(sink.waitForCount(3, kWaitMs)); // started, identified, reading block 0
        } else {
            ASSERT_TRUE(session.waitForIdle(kWaitMs));
            ASSERT_EQ(seen(sink.all()).back(), kReadOk);
            EXPECT_TRUE(link.rts());
        }
        session.closeSession();
        worker.join();
        EXPECT_FALSE(link.rts());
        EXPECT_EQ(session.finished(), !midRead);
    }
}

} // namespace
