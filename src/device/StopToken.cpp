#include "device/StopToken.h"

#include <chrono>
#include <utility>

namespace quillan::device {

StopToken::Registration::Registration(Registration&& other) noexcept
    : m_token(std::exchange(other.m_token, nullptr)), m_id(other.m_id)
{
}

StopToken::Registration& StopToken::Registration::operator=(Registration&& other) noexcept
{
    if (this != &other) {
        release();
        m_token = std::exchange(other.m_token, nullptr);
        m_id = other.m_id;
    }
    return *this;
}

void StopToken::Registration::release()
{
    if (m_token != nullptr) {
        std::lock_guard lock(m_token->m_wakeMutex);
        m_token->m_wakes.erase(m_id);
        m_token = nullptr;
    }
}

void StopToken::requestStop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stop) {
            return;
        }
        m_stop = true;
    }
    m_changed.notify_all();
    std::lock_guard lock(m_wakeMutex);
    for (const auto& [id, wake] : m_wakes) {
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

StopToken::Registration StopToken::onStop(std::function<void()> wake)
{
    std::lock_guard lock(m_wakeMutex);
    const uint64_t id = m_nextId++;
    if (stopRequested()) {
        wake();
    }
    m_wakes.emplace(id, std::move(wake));
    return {*this, id};
}

void StopToken::reset()
{
    std::lock_guard lock(m_mutex);
    m_stop = false;
}

} // namespace quillan::device
