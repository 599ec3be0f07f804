#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace quillan::device {

// A worker thread with a stop event. startThread runs onStart, run and onExit on a new thread;
// stopThread signals the stop event and waits a while for the thread to end.
//
// A thread is never killed or detached, so a stop must actually end it: a derived class makes
// every wait of its run return early once stop is requested (onStopRequested is the place to
// wake them), and its destructor calls endThread() while the members its run uses still exist.
//
// startThread, stopThread and endThread belong to one thread, the owner. signal() and
// waitUntil() may be called from any thread.
class VelThread {
public:
    // How long stopThread waits for the thread to end.
    static constexpr int kStopWaitMs = 500;

    explicit VelThread(std::string name = "Generic Thread");
    // Ends a thread still running, however long that takes.
    virtual ~VelThread();
    VelThread(const VelThread&) = delete;
    VelThread& operator=(const VelThread&) = delete;

    // Starts the thread unless one exists; true if it started one.
    bool startThread();
    // Signals stop and waits at most kStopWaitMs. True once the thread has ended (or there was
    // none); false leaves it running with stop signalled, for a later stopThread or endThread.
    bool stopThread();
    [[nodiscard]] bool hasThread() const { return m_thread.joinable(); }
    // Runs onStart, run and onExit on the calling thread, which is the worker for that long,
    // then onThreadEnded; requestStop() from another thread ends it as it ends a thread. Not
    // while a thread of its own runs.
    void runHere();
    // Any thread: signals the stop event and wakes the worker's waits (onStopRequested).
    void requestStop();
    [[nodiscard]] const std::string& name() const { return m_name; }

protected:
    virtual void onStart() {}
    virtual void run() {}
    virtual void onExit() {}
    // Right after the stop event is signalled, on the thread that asked: wake the worker's
    // waits.
    virtual void onStopRequested() {}
    // On the owner's thread, once the thread has ended and been joined (or runHere returns).
    virtual void onThreadEnded() {}

    // Signals stop and waits for the thread to end, without a limit. For derived destructors.
    void endThread();

    enum class Wake { stop, event, timeout };
    // Worker: waits up to timeoutMs for the stop event or for takeEvent() to return true. It
    // runs under the thread's lock, so it may consume the event it reports (an auto-reset
    // event) and read state that signal() changes. Stop comes first when both are there.
    [[nodiscard]] Wake waitForEvent(int timeoutMs, const std::function<bool()>& takeEvent);
    // Changes state under the thread's lock and wakes whoever waits on it.
    void signal(const std::function<void()>& change);
    // Waits up to timeoutMs until done() holds; it runs under the thread's lock.
    [[nodiscard]] bool waitUntil(int timeoutMs, const std::function<bool()>& done) const;
    [[nodiscard]] bool stopSignalled() const;

private:
    void threadProc();
    void joinEnded();

    const std::string m_name;
    std::thread m_thread; // owner only
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stop = false;  // the stop event
    bool m_ended = false; // the thread has left onExit
};

} // namespace quillan::device
