#include "device/VelThread.h"

#include <chrono>
#include <utility>

namespace quillan::device {

VelThread::VelThread(std::string name) : m_name(std::move(name)) {}

VelThread::~VelThread()
{
    // Only the base part is left here; a derived class has ended the thread in its own
    // destructor, while the members its run uses were still there.
    if (m_thread.joinable()) {
        endThread();
    }
}

bool VelThread::startThread()
{
    if (m_thread.joinable()) {
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_ended = false;
    }
    m_thread = std::thread(&VelThread::threadProc, this);
    return true;
}

bool VelThread::stopThread()
{
    if (!m_thread.joinable()) {
        return true;
    }
    requestStop();
    if (!waitUntil(kStopWaitMs, [this] { return m_ended; })) {
        return false;
    }
    joinEnded();
    return true;
}

void VelThread::endThread()
{
    if (!m_thread.joinable()) {
        return;
    }
    requestStop();
    joinEnded();
}

void VelThread::runHere()
{
    if (m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_ended = false;
    }
    threadProc();
    onThreadEnded();
}

void VelThread::requestStop()
{
    signal([this] { m_stop = true; });
    onStopRequested();
}

void VelThread::joinEnded()
{
    m_thread.join();
    onThreadEnded();
}

void VelThread::threadProc()
{
    onStart();
    run();
    onExit();
    signal([this] { m_ended = true; });
}

VelThread::Wake VelThread::waitForEvent(int timeoutMs, const std::function<bool()>& takeEvent)
{
    std::unique_lock lock(m_mutex);
    Wake wake = Wake::timeout;
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        if (m_stop) {
            wake = Wake::stop;
        } else if (takeEvent()) {
            wake = Wake::event;
        }
        return wake != Wake::timeout;
    });
    return wake;
}

void VelThread::signal(const std::function<void()>& change)
{
    {
        std::lock_guard lock(m_mutex);
        change();
    }
    m_changed.notify_all();
}

bool VelThread::waitUntil(int timeoutMs, const std::function<bool()>& done) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
}

bool VelThread::stopSignalled() const
{
    std::lock_guard lock(m_mutex);
    return m_stop;
}

} // namespace quillan::device
