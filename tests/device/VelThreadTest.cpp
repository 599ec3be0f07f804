#include "device/VelThread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using quillan::device::VelThread;

namespace {

// Runs until stopped, logging each step and the thread it ran on.
class LoggingThread final : public VelThread {
public:
    LoggingThread() = default;
    ~LoggingThread() override { endThread(); }

    [[nodiscard]] std::vector<std::string> log() const
    {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    [[nodiscard]] bool waitUntilRunning() const
    {
        return waitUntil(10'000, [this] { return m_running; });
    }
    std::thread::id workerId;
    std::atomic<int> stopRequests{0};

protected:
    void onStart() override
    {
        workerId = std::this_thread::get_id();
        add("onStart");
    }
    void run() override
    {
        add("run");
        signal([this] { m_running = true; });
        while (waitForEvent(60'000, [] { return false; }) != Wake::stop) {
        }
    }
    void onExit() override { add("onExit"); }
    // On the owner's thread, racing the worker's way out: counted, not logged.
    void onStopRequested() override { ++stopRequests; }
    void onThreadEnded() override { add("onThreadEnded"); }

private:
    void add(const char* entry)
    {
        std::lock_guard lock(m_mutex);
        m_log.emplace_back(entry);
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    bool m_running = false; // under the thread's lock
};

TEST(VelThread, RunsItsStepsOnItsOwnThreadAndEndsOnStop)
{
    LoggingThread t;
    EXPECT_EQ(t.name(), "Generic Thread");
    EXPECT_TRUE(t.stopThread()); // nothing to stop
    ASSERT_TRUE(t.startThread());
    EXPECT_FALSE(t.startThread()); // one thread at a time
    ASSERT_TRUE(t.waitUntilRunning());

    EXPECT_TRUE(t.stopThread());
    EXPECT_FALSE(t.hasThread());
    EXPECT_NE(t.workerId, std::this_thread::get_id());
    EXPECT_EQ(t.log(), (std::vector<std::string>{"onStart", "run", "onExit", "onThreadEnded"}));
    EXPECT_EQ(t.stopRequests, 1);

    // A stopped thread may be started again, with a fresh stop event.
    ASSERT_TRUE(t.startThread());
    EXPECT_TRUE(t.stopThread());
    EXPECT_EQ(t.log().size(), 8u);
    EXPECT_EQ(t.stopRequests, 2);
}

TEST(VelThread, DestructorEndsARunningThread)
{
    auto t = std::make_unique<LoggingThread>();
    ASSERT_TRUE(t->startThread());
    ASSERT_TRUE(t->waitUntilRunning());
    t.reset();
}

} // namespace
