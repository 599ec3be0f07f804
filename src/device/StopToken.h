#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace quillan::device {

// The request to stop one piece of device work, shared by the work and whoever may end it.
// requestStop() may come from any thread, any number of times: the first wakes every pause at
// once and runs the wake-ups (a port's cancel, which ends a pending read or write), and from
// then on every pause returns at once. reset() makes the token ready for the next piece of
// work; its owner calls it once nothing waits on it any more.
class StopToken {
public:
    StopToken() = default;
    StopToken(const StopToken&) = delete;
    StopToken& operator=(const StopToken&) = delete;

    void requestStop();
    [[nodiscard]] bool stopRequested() const;
    // Waits ms milliseconds, one of the fixed delays of a conversation; false, at once, when a
    // stop is or comes.
    [[nodiscard]] bool pause(int ms) const;
    // Runs wake on requestStop, and at once if a stop was already requested. Kept across
    // reset().
    void onStop(std::function<void()> wake);
    void reset();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stop = false;
    std::vector<std::function<void()>> m_wakes;
};

} // namespace quillan::device
