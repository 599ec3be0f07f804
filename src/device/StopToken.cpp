#include "device/StopToken.h"

#include <chrono>

namespace quillan::device {

void StopToken::requestStop()
{
    std::vector<std::function<void()>> wakes;
    {
        std::lock_guard lock(m_mutex);
        if (m_stop) {
            return;
        }
        m_stop = true;
        wakes = m_wakes;
    }
    m_changed.notify_all();
    // Outside the lock: a wake-up may take locks of its own (the port's).
    for (const auto& wake : wakes) {
        wake();
    }
}

bool StopToken::stopRequested() const
{
    std::lock_guard lock(m_mutex);
    return m_stop;
}

bool StopToken::pause(int ms) const
{
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

void StopToken::onStop(std::function<void()> wake)
{
    bool now = false;
    {
        std::lock_guard lock(m_mutex);
        m_wakes.push_back(wake);
        now = m_stop;
    }
    if (now) {
        wake();
    }
}

void StopToken::reset()
{
    std::lock_guard lock(m_mutex);
    m_stop = false;
}

} // namespace quillan::device
