#include "platform/QtSerialLink.h"

#include "device/DeviceFrame.h"
#include "device/SessionFrameEngine.h"
#include "model/Notifications.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

using namespace quillan;
using namespace quillan::device;
using quillan::platform::QtSerialLink;

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

class RecordingSink final : public NotificationSink {
public:
    void notify(const Notification& n) override
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(n.text);
    }
    [[nodiscard]] std::vector<std::string> lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

class QtSerialLinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(pty.path().empty()) << "no pseudo-terminal";
        ASSERT_TRUE(link.open(pty.path()));
    }

    PseudoTerminal pty;
    RecordingSink sink;
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
    EXPECT_EQ(sink.lines().size(), 1u);

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
    EXPECT_FALSE(link.write(buffer, 1));
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
