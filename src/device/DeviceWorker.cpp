#include "device/DeviceWorker.h"

#include <array>
#include <chrono>

namespace quillan::device {

// A job's side of the debug listener: suspended, the port runs at 57600 8N1 for the
// conversation; activated, at the configuration port's line, read by the worker once the job
// has ended.
class DeviceWorker::JobDebugOutput final : public DebugOutput {
public:
    explicit JobDebugOutput(DeviceWorker& worker) : m_worker(worker) {}
    void suspend() override { m_worker.suspendListener(); }
    void activate() override { m_worker.activateListener(); }

private:
    DeviceWorker& m_worker;
};

// The windows' dialogs for a job: it waits for the answer, and a stop answers for the user.
class DeviceWorker::JobPrompts final : public UserPrompts {
public:
    explicit JobPrompts(JobContext& job, UserPrompts& windows) : m_job(job), m_windows(windows) {}

    void message(MessageIcon icon, const std::string& caption, const std::string& text) override
    {
        (void)m_job.ask<bool>(
            [&windows = m_windows, icon, caption, text] {
                windows.message(icon, caption, text);
                return true;
            },
            false);
    }

    [[nodiscard]] MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                    const std::string& text, MessageButtons buttons) override
    {
        return m_job.ask<MessageAnswer>(
            [&windows = m_windows, icon, caption, text, buttons] {
                return windows.ask(icon, caption, text, buttons);
            },
            safeAnswer(buttons));
    }

private:
    JobContext& m_job;
    UserPrompts& m_windows;
};

void DeviceWorker::PostingSink::notify(const Notification& notification)
{
    Notification posted = notification;
    posted.delivery = Delivery::posted;
    m_next.notify(posted);
}

UserPrompts& JobContext::prompts()
{
    return *m_prompts;
}

DebugOutput& JobContext::debugOutput()
{
    return m_debugOutput;
}

bool JobContext::runOnWindows(std::function<void()> fn)
{
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        enum { waiting, running, ran, abandoned } phase = waiting;
    };
    auto state = std::make_shared<State>();
    const StopToken::Registration woken = m_stop.onStop([state] {
        std::lock_guard lock(state->mutex);
        state->changed.notify_all();
    });
    m_worker.m_windows.post([state, fn = std::move(fn)] {
        {
            std::lock_guard lock(state->mutex);
            if (state->phase == State::abandoned) {
                return;
            }
            state->phase = State::running;
        }
        fn();
        std::lock_guard lock(state->mutex);
        state->phase = State::ran;
        state->changed.notify_all();
    });
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] {
        return state->phase == State::ran ||
               (state->phase == State::waiting && m_stop.stopRequested());
    });
    if (state->phase == State::ran) {
        return true;
    }
    state->phase = State::abandoned;
    return false;
}

DeviceServices JobContext::services(FrameTrace trace)
{
    return {port(), notifications(), prompts(), &m_debugOutput, std::move(trace), &m_stop};
}

DeviceWorker::DeviceWorker(SerialLink& port, Windows windows, LineSettings listenLine)
    : m_port(port), m_windows(std::move(windows)), m_posting(m_windows.notifications),
      m_listenLine(listenLine), m_thread([this] { run(); })
{
}

DeviceWorker::~DeviceWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    stopJob();
    m_changed.notify_all();
    m_port.cancel(); // ends the listener's read
    m_thread.join();
    m_port.resetCancel();
}

DeviceWorker::JobId DeviceWorker::submit(std::string name, Job job, Done done)
{
    JobId id = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_quit || m_jobId != 0) {
            return 0;
        }
        id = ++m_lastId;
        m_jobId = id;
        m_jobName = name;
        m_queued = Pending{id, std::move(name), std::move(job), std::move(done)};
    }
    m_changed.notify_all();
    // The listener may be in a read; the job need not wait for it to time out.
    m_port.cancel();
    return id;
}

void DeviceWorker::stopJob()
{
    std::shared_ptr<StopToken> stop;
    std::optional<Pending> dropped;
    {
        std::lock_guard lock(m_mutex);
        stop = m_stop;
        if (m_queued) {
            dropped = std::move(m_queued);
            m_queued.reset();
            m_jobName.clear();
            m_jobId = 0;
        }
    }
    if (stop) {
        stop->requestStop();
    }
    if (dropped) {
        m_changed.notify_all();
        finish(std::move(dropped->done), true);
    }
}

bool DeviceWorker::busy() const
{
    std::lock_guard lock(m_mutex);
    return m_jobId != 0;
}

DeviceWorker::JobId DeviceWorker::currentJob() const
{
    std::lock_guard lock(m_mutex);
    return m_jobId;
}

std::string DeviceWorker::jobName() const
{
    std::lock_guard lock(m_mutex);
    return m_jobName;
}

bool DeviceWorker::waitIdle(int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_jobId == 0; });
}

void DeviceWorker::setListenLine(const LineSettings& line)
{
    std::lock_guard lock(m_mutex);
    m_listenLine = line;
}

void DeviceWorker::run()
{
    for (;;) {
        std::optional<Pending> job;
        bool listening = false;
        {
            std::unique_lock lock(m_mutex);
            if (m_quit) {
                return;
            }
            if (m_queued) {
                job = std::move(m_queued);
                m_queued.reset();
            }
            listening = m_listening;
        }
        if (job) {
            runJob(std::move(*job));
            continue;
        }
        if (listening && m_port.isOpen() && m_port.cts()) {
            listen();
            continue;
        }
        // Nothing to read: a closed port is looked at again now and then.
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(kListenReadMs),
                           [this] { return m_quit || m_queued.has_value(); });
    }
}

void DeviceWorker::listen()
{
    std::array<uint8_t, kListenBytes> buffer{};
    const ReadResult r = m_port.read(buffer.data(), buffer.size(), kListenReadMs);
    if (r.status == ReadStatus::cancelled) {
        // A job (or the end) is coming and clears the cancel itself; a job dropped before it
        // started leaves it to the listener.
        std::lock_guard lock(m_mutex);
        if (!m_queued && !m_quit) {
            m_port.resetCancel();
        }
        return;
    }
    if (r.status == ReadStatus::data) {
        m_assembler.feed(buffer.data(), r.count,
                         [this](std::string line) { m_posting.debugLine(line); });
    }
}

void DeviceWorker::runJob(Pending pending)
{
    auto stop = std::make_shared<StopToken>();
    {
        std::lock_guard lock(m_mutex);
        m_stop = stop;
    }
    // What woke the listener, or stopped the job before, is not this job's stop.
    m_port.resetCancel();
    {
        const StopToken::Registration portWoken = stop->onStop([this] { m_port.cancel(); });
        JobDebugOutput debugOutput(*this);
        JobContext context(*this, *stop, debugOutput);
        JobPrompts prompts(context, m_windows.prompts);
        context.m_prompts = &prompts;
        pending.job(context);
    }
    const bool stopped = stop->stopRequested();
    m_port.resetCancel();
    {
        std::lock_guard lock(m_mutex);
        m_stop.reset();
        m_jobName.clear();
        m_jobId = 0;
    }
    m_changed.notify_all();
    finish(std::move(pending.done), stopped);
}

void DeviceWorker::finish(Done done, bool stopped)
{
    if (done && m_windows.post) {
        m_windows.post([done = std::move(done), stopped] { done(stopped); });
    }
}

void DeviceWorker::suspendListener()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_listening) {
            return;
        }
        m_listening = false;
    }
    if (m_windows.log) {
        m_windows.log("OutputWindow::SuspendDebugOutput()");
    }
    if (m_port.isOpen()) {
        (void)m_port.configure(DEVICE_LINE_SETTINGS);
    }
}

void DeviceWorker::activateListener()
{
    LineSettings line;
    {
        std::lock_guard lock(m_mutex);
        if (m_listening) {
            return;
        }
        m_listening = true;
        line = m_listenLine;
    }
    if (m_windows.log) {
        m_windows.log("OutputWindow::ActivateDebugOutput()");
    }
    if (m_port.isOpen()) {
        (void)m_port.configure(line);
    }
}

} // namespace quillan::device
