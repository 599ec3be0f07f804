#include "device/DeviceWorker.h"

#include "device/MemorySerialLink.h"
#include "support/TestDoubles.h"

#include <chrono>
#include <deque>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace quillan;
using namespace quillan::device;

namespace {

constexpr int WAIT_MS = 10'000;
constexpr LineSettings CONFIG_LINE{19200, 8, PARITY_EVEN, STOP_BITS_ONE};

// The windows' thread of the test: what the worker posts waits here until the test runs it.
class WindowsQueue {
public:
    void post(std::function<void()> fn)
    {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(fn));
        }
        m_changed.notify_all();
    }

    // Runs the next posted function; false when none came in time.
    bool runNext(int timeoutMs = WAIT_MS)
    {
        std::function<void()> fn;
        {
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [this] { return !m_queue.empty(); })) {
                return false;
            }
            fn = std::move(m_queue.front());
            m_queue.pop_front();
        }
        fn();
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_queue;
};

class DeviceWorkerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(port.open("ttyUSB0"));
        worker = std::make_unique<DeviceWorker>(
            port,
            DeviceWorker::Windows{sink, prompts,
                                  [this](std::function<void()> fn) { windows.post(std::move(fn)); },
                                  [this](const std::string& line) { logged.push_back(line); }},
            CONFIG_LINE);
    }

    // Runs what the worker posts until done has run; its stopped flag.
    std::optional<bool> runUntilDone(const std::optional<bool>& done)
    {
        while (!done && windows.runNext()) {
        }
        return done;
    }

    MemorySerialLink port;
    test::RecordingSink sink;
    test::ScriptedPrompts prompts;
    WindowsQueue windows;
    std::vector<std::string> logged; // written on the worker, read once it is idle
    std::unique_ptr<DeviceWorker> worker;
};

TEST_F(DeviceWorkerTest, AJobRunsOnTheWorkerAndItsEndIsPostedToTheWindows)
{
    std::thread::id ranOn;
    std::optional<bool> done;
    ASSERT_TRUE(worker->submit(
        "Update Device",
        [&](JobContext& job) {
            ranOn = std::this_thread::get_id();
            job.notifications().outputLine("North - Configuration download Ok.");
        },
        [&](bool stopped) { done = stopped; }));
    EXPECT_EQ(runUntilDone(done), false);
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_FALSE(worker->busy());
    ASSERT_EQ(sink.all().size(), 1u);
    EXPECT_EQ(sink.all()[0].delivery, Delivery::posted); // never waits for the windows
}

TEST_F(DeviceWorkerTest, OneJobAtATime)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const DeviceWorker::JobId first =
        worker->submit("first", [released](JobContext&) { released.wait(); });
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(worker->busy());
    EXPECT_EQ(worker->currentJob(), first);
    EXPECT_EQ(worker->jobName(), "first");
    EXPECT_EQ(worker->submit("second", [](JobContext&) { ADD_FAILURE() << "ran"; }), 0u);
    release.set_value();
    ASSERT_TRUE(worker->waitIdle(WAIT_MS));
    EXPECT_EQ(worker->currentJob(), 0u);
    const DeviceWorker::JobId third = worker->submit("third", [](JobContext&) {});
    EXPECT_NE(third, 0u);
    EXPECT_NE(third, first);
    ASSERT_TRUE(worker->waitIdle(WAIT_MS));
}

// A stop ends whatever the job waits in: a read of the port, a fixed pause, a question. The
// next job finds the port as it was.
TEST_F(DeviceWorkerTest, AStopEndsEveryWaitOfTheJob)
{
    struct Case {
        const char* name;
        std::function<void(JobContext&, std::string&)> wait;
        const char* outcome;
    };
    const Case cases[] = {
        {"read",
         [](JobContext& job, std::string& outcome) {
             uint8_t byte = 0;
             outcome = job.port().read(&byte, 1, 600'000).status == ReadStatus::cancelled
                           ? "cancelled"
                           : "read";
         },
         "cancelled"},
        {"pause",
         [](JobContext& job, std::string& outcome) {
             outcome = job.stop().pause(600'000) ? "paused" : "stopped";
         },
         "stopped"},
        {"question",
         [](JobContext& job, std::string& outcome) {
             const MessageAnswer a = job.prompts().ask(MessageIcon::question, "Overwrite?", "",
                                                       MessageButtons::yesNoCancelDefaultNo);
             outcome = a == MessageAnswer::cancel ? "safe answer" : "answered";
         },
         "safe answer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string outcome;
        std::optional<bool> done;
        std::atomic<bool> waiting{false};
        ASSERT_TRUE(worker->submit(
            c.name,
            [&](JobContext& job) {
                waiting = true;
                c.wait(job, outcome);
            },
            [&](bool stopped) { done = stopped; }));
        while (!waiting) {
            std::this_thread::yield();
        }
        if (std::string(c.name) == "read") {
            ASSERT_TRUE(port.waitForBlockedCall(WAIT_MS));
        }
        worker->stopJob();
        EXPECT_EQ(runUntilDone(done), true);
        EXPECT_EQ(outcome, c.outcome);
    }
    // The port's cancel went with the job: the next job's read waits its time.
    std::optional<ReadStatus> status;
    ASSERT_TRUE(worker->submit("after", [&](JobContext& job) {
        uint8_t byte = 0;
        status = job.port().read(&byte, 1, 50).status;
    }));
    ASSERT_TRUE(worker->waitIdle(WAIT_MS));
    EXPECT_EQ(status, ReadStatus::timeout);
}

TEST_F(DeviceWorkerTest, AQuestionIsAnsweredOnTheWindowsThread)
{
    prompts.answers.push_back(MessageAnswer::yes);
    std::optional<MessageAnswer> answer;
    ASSERT_TRUE(worker->submit("ask", [&](JobContext& job) {
        answer = job.prompts().ask(MessageIcon::question, "Reconfigure Radio Type Settings", "text",
                                   MessageButtons::yesNoCancelDefaultNo);
    }));
    ASSERT_TRUE(windows.runNext()); // the dialog, shown here
    ASSERT_TRUE(worker->waitIdle(WAIT_MS));
    EXPECT_EQ(answer, MessageAnswer::yes);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0].caption, "Reconfigure Radio Type Settings");
}

// While no job runs the worker reads the gateway's text and posts it line by line; a job's
// suspend and activate set the line settings the conversation and the listener need.
TEST_F(DeviceWorkerTest, TheListenerReadsWhileNoJobRuns)
{
    port.inject({'B', 'o', 'o', 't', '\r', '\n', 'R', 'e'});
    ASSERT_TRUE(sink.waitForCount(1, WAIT_MS));
    port.inject({'a', 'd', 'y', '\n'});
    ASSERT_TRUE(sink.waitForCount(2, WAIT_MS));
    EXPECT_EQ(sink.lines(MSG_DEBUG_LINE), (std::vector<std::string>{"Boot", "Ready"}));
    EXPECT_EQ(sink.all()[0].delivery, Delivery::posted);

    std::optional<LineSettings> during;
    ASSERT_TRUE(worker->submit("conversation", [&](JobContext& job) {
        job.debugOutput().suspend();
        during = port.settings();
        // Text that comes now is the job's to read, not the listener's.
        port.inject({'x', '\n'});
        job.debugOutput().activate();
    }));
    ASSERT_TRUE(worker->waitIdle(WAIT_MS));
    EXPECT_EQ(during, DEVICE_LINE_SETTINGS);
    EXPECT_EQ(port.settings(), CONFIG_LINE);
    EXPECT_EQ(logged, (std::vector<std::string>{"OutputWindow::SuspendDebugOutput()",
                                                "OutputWindow::ActivateDebugOutput()"}));
    // The listener goes on afterwards, with what the job left unread.
    ASSERT_TRUE(sink.waitForCount(3, WAIT_MS));
    EXPECT_EQ(sink.lines(MSG_DEBUG_LINE).back(), "x");
}

// Work on the windows' thread that uses the job's own objects runs while the job waits for it,
// and never once the job has been stopped.
TEST_F(DeviceWorkerTest, WindowsWorkOverTheJobsObjectsNeverOutlivesTheJob)
{
    for (const bool stopFirst : {false, true}) {
        SCOPED_TRACE(stopFirst ? "stopped first" : "run");
        std::optional<bool> ran;
        std::thread::id ranOn;
        std::atomic<bool> posted{false};
        std::optional<bool> done;
        ASSERT_TRUE(worker->submit(
            "window",
            [&](JobContext& job) {
                int onTheJobsStack = 0;
                posted = true;
                ran = job.runOnWindows([&] {
                    ++onTheJobsStack;
                    ranOn = std::this_thread::get_id();
                });
            },
            [&](bool stopped) { done = stopped; }));
        if (stopFirst) {
            while (!posted) {
                std::this_thread::yield();
            }
            worker->stopJob();
            ASSERT_TRUE(worker->waitIdle(WAIT_MS));
        }
        EXPECT_EQ(runUntilDone(done), stopFirst);
        EXPECT_EQ(ran, !stopFirst);
        EXPECT_EQ(ranOn, stopFirst ? std::thread::id() : std::this_thread::get_id());
    }
}

TEST_F(DeviceWorkerTest, EndingTheWorkerStopsTheJobThatRuns)
{
    std::atomic<bool> started{false};
    std::atomic<bool> stopped{false};
    ASSERT_TRUE(worker->submit("long", [&](JobContext& job) {
        started = true;
        stopped = !job.stop().pause(600'000);
    }));
    while (!started) {
        std::this_thread::yield();
    }
    worker.reset();
    EXPECT_TRUE(stopped);
}

} // namespace
