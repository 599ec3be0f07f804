#pragma once

#include "device/ZAVSession.h"
#include "model/Notifications.h"

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <vector>

namespace quillan::sessiontest {

// Waits that end on a condition; generous, as a loaded machine (or ThreadSanitizer) is slow.
inline constexpr int kWaitMs = 10'000;

// Short fixed waits; reply time-outs long enough for any reply that does come.
inline device::SessionTimings quickTimings(int enquireTimeoutMs = 1000)
{
    device::SessionTimings t;
    t.startPauseMs = 0;
    t.enquireTimeoutMs = enquireTimeoutMs;
    t.blockTimeoutMs = 2000;
    t.finishPauseMs = 0;
    t.exitPauseMs = 0;
    return t;
}

// A notification as the windows tell them apart.
struct Seen {
    int code = 0;
    int step = 0;
    int page = 0;
    Delivery delivery = Delivery::sent;
    Receiver receiver = Receiver::mainWindow;

    bool operator==(const Seen&) const = default;
};

inline void PrintTo(const Seen& s, std::ostream* os)
{
    *os << "{" << s.code << ", " << s.step << ", " << s.page << ", "
        << (s.delivery == Delivery::sent ? "sent" : "posted") << ", receiver "
        << static_cast<int>(s.receiver) << "}";
}

inline std::vector<Seen> seen(const std::vector<Notification>& all)
{
    std::vector<Seen> out;
    for (const Notification& n : all) {
        out.push_back({n.code, n.step, n.page, n.delivery, n.receiver});
    }
    return out;
}

// What the status window gets for a progress step, and the session's other notifications.
inline Seen step(int type, int page = 0)
{
    return {MSG_READ_PROGRESS, type, page, Delivery::sent, Receiver::mainWindow};
}
inline Seen toMainWindow(int code)
{
    return {code, 0, 0, Delivery::sent, Receiver::mainWindow};
}
inline const Seen kReadOk{MSG_SESSION_READ_OK, 1, 0, Delivery::posted, Receiver::sessionOwner};
inline const Seen kIdle{MSG_SESSION_IDLE, 0, 0, Delivery::posted, Receiver::flashWindow};

// Starts a session on a port and has it connect and read.
inline void startReading(device::ZAVSession& session, device::SerialLink& port)
{
    session.setPort(&port);
    session.setEnabled(true);
    session.startThread();
    session.startOperation(device::SessionOperation::connectAndRead);
}

// A sink that holds a sent notification of one code, as a window's relay holds its sender
// while the user-interface thread is busy, until release(); it then lets every sender go.
class HoldingSink final : public NotificationSink {
public:
    explicit HoldingSink(int holdCode) : m_holdCode(holdCode) {}

    void notify(const Notification& n) override
    {
        std::unique_lock lock(m_mutex);
        m_all.push_back(n);
        if (n.delivery == Delivery::sent && n.code == m_holdCode) {
            m_holding = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
            m_holding = false;
        }
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    [[nodiscard]] bool waitUntilHolding(int timeoutMs)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [this] { return m_holding; });
    }
    [[nodiscard]] std::vector<Notification> all() const
    {
        std::lock_guard lock(m_mutex);
        return m_all;
    }

private:
    const int m_holdCode;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Notification> m_all;
    bool m_holding = false;
    bool m_released = false;
};

} // namespace quillan::sessiontest
