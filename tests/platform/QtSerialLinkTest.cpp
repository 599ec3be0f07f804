#include "platform/QtSerialLink.h"

#include "device/DeviceFrame.h"
#include "device/SessionFrameEngine.h"
#include "model/Notifications.h"
#include "support/TestDoubles.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

using namespace quillan;
using namespace quillan::device;
using quillan::platform::QtSerialLink;
using Clock = std::chrono::steady_clock;

namespace {

// The device end of a pseudo-terminal pair; the link opens the other end by its path.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            if (const char* name = ptsname(m_master)) {
                m_path = name;
            }
        }
    }
    ~PseudoTerminal() { closeDeviceEnd(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    [[nodiscard]] const std::string& path() const { return m_path; }

    void closeDeviceEnd()
    {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

    [[nodiscard]] bool send(const std::vector<uint8_t>& bytes) const
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads exactly count bytes, or what came before timeoutMs passed.
    [[nodiscard]] std::vector<uint8_t> receive(size_t count, int timeoutMs) const
    {
        std::vector<uint8_t> bytes;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd pfd{m_master, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            uint8_t chunk[4096];
            const ssize_t n = ::read(m_master, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }

private:
    int m_master = -1;
    std::string m_path;
};

class QtSerialLinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(pty.path().empty()) << "no pseudo-terminal";
        ASSERT_TRUE(link.open(pty.path()));
    }

    PseudoTerminal pty;
    test::RecordingSink sink;
    QtSerialLink link{&sink};
};

TEST_F(QtSerialLinkTest, ExchangesFramesBothWaysFromAWorkerThread)
{
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.portName(), pty.path());
    EXPECT_TRUE(link.applyDefaultSettings());
    EXPECT_TRUE(link.configure(DEVICE_LINE_SETTINGS));
    // A pseudo-terminal has no modem lines: taken as done, said once.
    EXPECT_TRUE(link.setRts(true));
    EXPECT_TRUE(link.setDtr(true));
    EXPECT_TRUE(link.setRts(false));
    EXPECT_TRUE(link.cts());
    ASSERT_EQ(sink.lines(MSG_DEBUG_LINE).size(), 1u);
    // Made on the port's thread, which must never wait for the window's thread.
    EXPECT_EQ(sink.all()[0].delivery, Delivery::posted);

    // Opened here, used by the session's worker.
    SessionFrameEngine engine(&link);
    std::vector<uint8_t> records(320 * 24);
    for (size_t i = 0; i < records.size(); ++i) {
        records[i] = static_cast<uint8_t>(i * 13);
    }
    const std::vector<uint8_t> request =
        makeFrame(CMD_WRITE_BLOCK, BlockData{5, 0, records}.encode());
    ASSERT_EQ(request.size(), 7692u);
    std::vector<std::vector<uint8_t>> stored;
    engine.setStoreBlock([&](uint16_t, uint16_t, const uint8_t* data, size_t length) {
        stored.emplace_back(data, data + length);
        return true;
    });
    bool sent = false;
    bool accepted = false;
    std::thread worker([&] {
        sent = engine.sendFrame(CMD_WRITE_BLOCK, request.data() + 4, request.size() - 6);
        accepted = sent && engine.readReply(SESSION_BLOCK_TIMEOUT_MS);
    });

    EXPECT_EQ(pty.receive(request.size(), 5000), request);
    const std::vector<uint8_t> reply = makeFrame(CMD_READ_BLOCK, BlockData{5, 0, records}.encode());
    // Some noise first, and the frame in two writes.
    ASSERT_TRUE(pty.send({'o', 'k', '\r', '\n'}));
    ASSERT_TRUE(pty.send({reply.begin(), reply.begin() + 100}));
    ASSERT_TRUE(pty.send({reply.begin() + 100, reply.end()}));
    worker.join();

    EXPECT_TRUE(sent);
    EXPECT_TRUE(accepted);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0], records);
}

TEST_F(QtSerialLinkTest, ReadTimesOutAndLeavesThePortOpen)
{
    uint8_t buffer[16];
    const ReadResult r = link.read(buffer, sizeof buffer, 50);
    EXPECT_EQ(r.status, ReadStatus::timeout);
    EXPECT_TRUE(link.isOpen());

    ASSERT_TRUE(pty.send({1, 2, 3}));
    const ReadResult data = link.read(buffer, sizeof buffer, 5000);
    EXPECT_EQ(data.status, ReadStatus::data);
    EXPECT_GE(data.count, 1u);
    EXPECT_TRUE(link.purge(true, true));
}

TEST_F(QtSerialLinkTest, ReadErrorAfterTheOtherEndWentAwayClosesThePort)
{
    pty.closeDeviceEnd();
    uint8_t buffer[16];
    EXPECT_EQ(link.read(buffer, sizeof buffer, 5000).status, ReadStatus::error);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.read(buffer, sizeof buffer, 10).status, ReadStatus::error);
    EXPECT_EQ(link.write(buffer, 1), WriteStatus::failed);
    ASSERT_TRUE(sink.waitForCount(1, 5000));
    EXPECT_NE(sink.lines(MSG_DEBUG_LINE).at(0).find("failed"), std::string::npos);
    EXPECT_EQ(sink.all()[0].delivery, Delivery::posted);
}

TEST_F(QtSerialLinkTest, PurgeDropsWhatArrivedAndWasNotRead)
{
    ASSERT_TRUE(pty.send({1, 2, 3}));
    uint8_t byte = 0;
    ASSERT_EQ(link.read(&byte, 1, 5000).status, ReadStatus::data);
    EXPECT_EQ(byte, 1);
    ASSERT_TRUE(link.purge(true, false));
    EXPECT_EQ(link.read(&byte, 1, 100).status, ReadStatus::timeout);
    ASSERT_TRUE(pty.send({9}));
    ASSERT_EQ(link.read(&byte, 1, 5000).status, ReadStatus::data);
    EXPECT_EQ(byte, 9);
}

// What the old port did wrong: a call waited in turn behind a read's whole time-out (15 s for
// the flash begin). A read with that time-out, stopped 50 ms in, comes back at once.
TEST_F(QtSerialLinkTest, CancelEndsAFifteenSecondReadAtOnce)
{
    auto read = std::async(std::launch::async, [this] {
        uint8_t buffer[16];
        const ReadStatus status = link.read(buffer, sizeof buffer, 15000).status;
        return std::make_pair(status, Clock::now());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto cancelledAt = Clock::now();
    link.cancel();
    ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto [status, returnedAt] = read.get();
    const auto latency =
        std::chrono::duration_cast<std::chrono::microseconds>(returnedAt - cancelledAt);
    std::printf("[ cancel   ] a 15 s read came back %lld us after cancel()\n",
                static_cast<long long>(latency.count()));
    EXPECT_EQ(status, ReadStatus::cancelled);
    EXPECT_LT(latency, std::chrono::milliseconds(100));

    // No new wait until the owner clears the cancel; the port itself still answers.
    uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(link.read(&byte, 1, 15000).status, ReadStatus::cancelled);
    EXPECT_EQ(link.write(&byte, 1), WriteStatus::cancelled);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(link.setRts(false));
    EXPECT_TRUE(link.isOpen());

    link.resetCancel();
    EXPECT_EQ(link.read(&byte, 1, 50).status, ReadStatus::timeout);
    ASSERT_TRUE(pty.send({7}));
    ASSERT_EQ(link.read(&byte, 1, 5000).status, ReadStatus::data);
    EXPECT_EQ(byte, 7);
}

TEST_F(QtSerialLinkTest, CloseFromAnotherThreadEndsAPendingRead)
{
    auto read = std::async(std::launch::async, [this] {
        uint8_t buffer[16];
        return link.read(buffer, sizeof buffer, 15000).status;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto closedAt = Clock::now();
    link.close();
    ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_LT(Clock::now() - closedAt, std::chrono::seconds(1));
    EXPECT_EQ(read.get(), ReadStatus::error);
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(link.open(pty.path())); // and the port can be had again
}

TEST_F(QtSerialLinkTest, CancelEndsAWriteTheLineDoesNotTake)
{
    // Nobody reads the other end: the pseudo-terminal's queue fills and the write waits.
    const std::vector<uint8_t> flood(1 << 20, 0x55);
    auto write =
        std::async(std::launch::async, [&] { return link.write(flood.data(), flood.size()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    link.cancel();
    ASSERT_EQ(write.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(write.get(), WriteStatus::cancelled);

    // The rest was dropped: once the queue drains, a new request goes out whole.
    link.resetCancel();
    (void)pty.receive(flood.size(), 200);
    const std::vector<uint8_t> request = makeFrame(CMD_ENQUIRE);
    ASSERT_EQ(link.write(request.data(), request.size()), WriteStatus::ok);
    const std::vector<uint8_t> received = pty.receive(flood.size(), 500);
    ASSERT_GE(received.size(), request.size());
    EXPECT_TRUE(std::equal(request.rbegin(), request.rend(), received.rbegin()));
}

TEST_F(QtSerialLinkTest, PortIsOpenOnlyOnce)
{
    QtSerialLink second;
    EXPECT_FALSE(second.open(pty.path()));
    EXPECT_FALSE(second.isOpen());
    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(second.open(pty.path()));
    EXPECT_FALSE(QtSerialLink().open("/dev/quillan-no-such-port"));
}

} // namespace
