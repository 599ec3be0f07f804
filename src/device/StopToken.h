#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace quillan::device {

// The request to stop one piece of device work, shared by the work and whoever may end it.
// requestStop() may come from any thread, any number of times: the first wakes every pause at
// once and runs the wake-ups (a port's cancel, which ends a pending read or write), and from
// then on every pause returns at once. reset() makes the token ready for the next piece of
// work; its owner calls it once nothing waits on it any more.
class StopToken {
public:
    // Keeps a wake-up registered while it lives. Gone, its wake-up has finished running and
    // never runs again, so it may refer to what lives no longer than the registration.
    class Registration {
    public:
        Registration() = default;
        Registration(StopToken& token, uint64_t id) : m_token(&token), m_id(id) {}
        Registration(Registration&& other) noexcept;
        Registration& operator=(Registration&& other) noexcept;
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;
        ~Registration() { release(); }

    private:
        void release();

        StopToken* m_token = nullptr;
        uint64_t m_id = 0;
    };

    StopToken() = default;
    StopToken(const StopToken&) = delete;
    StopToken& operator=(const StopToken&) = delete;

    void requestStop();
    [[nodiscard]] bool stopRequested() const;
    // Waits ms milliseconds, one of the fixed delays of a conversation; false, at once, when a
    // stop is or comes.
    [[nodiscard]] bool pause(int ms) const;
    // Runs wake on requestStop, and at once if a stop was already requested, for as long as
    // the registration lives. A wake-up must not register or unregister on the same token.
    [[nodiscard]] Registration onStop(std::function<void()> wake);
    void reset();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stop = false;
    // Held while wake-ups run, so that a registration going away waits for its wake-up.
    std::mutex m_wakeMutex;
    std::map<uint64_t, std::function<void()>> m_wakes;
    uint64_t m_nextId = 1;
};

} // namespace quillan::device
