#include "platform/OwnerThreadCalls.h"

#include <algorithm>
#include <chrono>

namespace quillan::platform {

OwnerThreadCalls::OwnerThreadCalls(QObject* parent)
    : QObject(parent), m_owner(std::this_thread::get_id())
{
}

OwnerThreadCalls::~OwnerThreadCalls()
{
    release();
}

bool OwnerThreadCalls::isOwnerThread() const
{
    return std::this_thread::get_id() == m_owner;
}

bool OwnerThreadCalls::call(std::function<void()> fn, IfReleased ifReleased)
{
    if (isOwnerThread()) {
        fn();
        return true;
    }
    auto state = std::make_shared<CallState>();
    {
        std::lock_guard lock(m_mutex);
        if (m_released) {
            if (ifReleased == IfReleased::drop) {
                return false;
            }
            state.reset();
        }
        m_queue.push_back({std::move(fn), state, ifReleased});
        m_changed.notify_all();
    }
    wake();
    if (!state) {
        return false;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return state->done || m_released; });
    return state->done;
}

void OwnerThreadCalls::post(std::function<void()> fn)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({std::move(fn), nullptr, IfReleased::run});
        m_changed.notify_all();
    }
    wake();
}

void OwnerThreadCalls::wake()
{
    // Invoked by name: the function travels through m_queue only, never inside Qt's event.
    QMetaObject::invokeMethod(this, "runQueued", Qt::QueuedConnection);
}

void OwnerThreadCalls::runQueued()
{
    // One item at a time: a function may run a modal dialog, whose event loop comes back
    // here for the next one.
    for (;;) {
        Item item;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty()) {
                return;
            }
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        item.fn();
        if (item.state) {
            std::lock_guard lock(m_mutex);
            item.state->done = true;
            m_changed.notify_all();
        }
    }
}

void OwnerThreadCalls::release()
{
    std::lock_guard lock(m_mutex);
    m_released = true;
    std::erase_if(m_queue, [](const Item& item) {
        return item.state && item.ifReleased == IfReleased::drop;
    });
    m_changed.notify_all();
}

void OwnerThreadCalls::rearm()
{
    std::lock_guard lock(m_mutex);
    m_released = false;
}

bool OwnerThreadCalls::isReleased() const
{
    std::lock_guard lock(m_mutex);
    return m_released;
}

bool OwnerThreadCalls::waitForQueued(size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_queue.size() >= count; });
}

} // namespace quillan::platform
