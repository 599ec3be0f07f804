#pragma once

#include "device/DebugLineAssembler.h"
#include "device/DeviceServices.h"
#include "device/SerialLink.h"
#include "device/StopToken.h"
#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace quillan::device {

class JobContext;

// The one thread that talks through the application's port, for the whole run. Device work
// comes to it as jobs, one at a time, each the same synchronous core function the command line
// calls directly; while no job runs it is the debug listener, reading the gateway's text at the
// configuration port's line and posting it line by line.
//
// The worker reaches the windows only by posting: notifications are handed on as posted, and a
// question is a function run on the windows' thread whose answer the job waits for. Stopping a
// job (its own StopToken) ends every wait it is in at once, the port's included, and answers a
// pending question with the safe answer; nothing else cancels.
//
// submit(), stopJob(), busy(), waitIdle() and setListenLine() may be called from any thread.
class DeviceWorker final {
public:
    using Job = std::function<void(JobContext& job)>;
    // Runs on the windows' thread once a job has ended; stopped: a stop cut it short, or it
    // never ran.
    using Done = std::function<void(bool stopped)>;

    // How the worker reaches the windows. All of it must outlive the worker.
    struct Windows {
        NotificationSink& notifications; // thread-safe; gets everything as posted
        UserPrompts& prompts;            // the dialogs; called on the windows' thread only
        // Runs a function on the windows' thread, later; never waits for it.
        std::function<void(std::function<void()>)> post;
        // The log file's own lines (the listener suspended and activated); may be empty.
        std::function<void(const std::string&)> log;
    };

    // How long one read of the listener waits; a new job ends it at once.
    static constexpr int kListenReadMs = 100;
    static constexpr size_t kListenBytes = 256;

    // The listener starts at listenLine, active.
    DeviceWorker(SerialLink& port, Windows windows, LineSettings listenLine);
    // Stops the job that runs, drops the queued one and ends the thread.
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Tells the jobs apart: each submit gets the next; 0 is none.
    using JobId = uint64_t;

    // Queues a job; 0, queuing nothing, while another is queued or runs.
    [[nodiscard]] JobId submit(std::string name, Job job, Done done = {});
    // Asks the job that runs to stop, or drops the queued one; returns at once.
    void stopJob();
    // The port is taken: a job is queued or runs. The one busy state of the device work.
    [[nodiscard]] bool busy() const;
    // The job queued or running; 0 while idle.
    [[nodiscard]] JobId currentJob() const;
    // The name it was submitted under; empty while idle.
    [[nodiscard]] std::string jobName() const;
    // Waits up to timeoutMs until no job is queued or runs.
    [[nodiscard]] bool waitIdle(int timeoutMs) const;

    // The configuration port's line, which the listener reads at; taken the next time the
    // listener becomes active.
    void setListenLine(const LineSettings& line);

    [[nodiscard]] SerialLink& port() { return m_port; }

private:
    friend class JobContext;
    class JobDebugOutput;
    class JobPrompts;
    class PostingSink final : public NotificationSink {
    public:
        explicit PostingSink(NotificationSink& next) : m_next(next) {}
        void notify(const Notification& notification) override;

    private:
        NotificationSink& m_next;
    };

    struct Pending {
        JobId id = 0;
        std::string name;
        Job job;
        Done done;
    };

    void run();
    void runJob(Pending pending);
    void listen();
    void suspendListener();
    void activateListener();
    void finish(Done done, bool stopped);

    SerialLink& m_port;
    Windows m_windows;
    PostingSink m_posting;
    DebugLineAssembler m_assembler; // worker only

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::optional<Pending> m_queued;
    std::string m_jobName;             // queued or running
    JobId m_jobId = 0;                 // queued or running
    JobId m_lastId = 0;
    std::shared_ptr<StopToken> m_stop; // of the job that runs
    bool m_quit = false;
    bool m_listening = true;
    LineSettings m_listenLine;

    std::thread m_thread; // last: starts once everything else is there
};

// What a job works with, on the worker.
class JobContext {
public:
    [[nodiscard]] SerialLink& port() { return m_worker.m_port; }
    [[nodiscard]] StopToken& stop() { return m_stop; }
    // Posted to the windows.
    [[nodiscard]] NotificationSink& notifications() { return m_worker.m_posting; }
    // The windows' dialogs: the job waits for the answer, a stop answers safely.
    [[nodiscard]] UserPrompts& prompts();
    // The listener's side of the port: an operation suspends it before it takes the port and
    // activates it when it gives the port back.
    [[nodiscard]] DebugOutput& debugOutput();
    // What the core operations take, with this job's stop.
    [[nodiscard]] DeviceServices services(FrameTrace trace = {});

    // A question to the windows: fn runs on their thread and the job waits for its result,
    // or gets safe at once when it is stopped first. fn may still run (or go on running: a
    // dialog) after the job has given up on it, so it holds by value what it uses, or refers
    // only to what outlives the worker.
    template <class T> [[nodiscard]] T ask(std::function<T()> fn, T safe)
    {
        auto state = std::make_shared<Handover<T>>();
        const StopToken::Registration woken = m_stop.onStop([state] { state->wake(); });
        m_worker.m_windows.post([state, fn = std::move(fn)] { state->set(fn()); });
        std::unique_lock lock(state->mutex);
        state->changed.wait(lock,
                            [&] { return state->value.has_value() || m_stop.stopRequested(); });
        return state->value.has_value() ? std::move(*state->value) : std::move(safe);
    }

    // Work on the windows' thread that may use what lives on the job's stack (a window over
    // the job's session): fn never runs once the job is stopped, and a stop that comes while it
    // runs waits for it to end, so fn must not wait for anything itself. False when it did not
    // run.
    [[nodiscard]] bool runOnWindows(std::function<void()> fn);

private:
    friend class DeviceWorker;
    template <class T> struct Handover {
        std::mutex mutex;
        std::condition_variable changed;
        std::optional<T> value;

        void set(T v)
        {
            std::lock_guard lock(mutex);
            value = std::move(v);
            changed.notify_all();
        }
        void wake()
        {
            std::lock_guard lock(mutex);
            changed.notify_all();
        }
    };

    JobContext(DeviceWorker& worker, StopToken& stop, DebugOutput& debugOutput)
        : m_worker(worker), m_stop(stop), m_debugOutput(debugOutput)
    {
    }

    DeviceWorker& m_worker;
    StopToken& m_stop;
    DebugOutput& m_debugOutput;
    UserPrompts* m_prompts = nullptr; // set by the worker: the prompts need the context
};

} // namespace quillan::device
