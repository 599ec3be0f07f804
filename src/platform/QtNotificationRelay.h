#pragma once

#include "model/Notifications.h"
#include "platform/OwnerThreadCalls.h"

#include <functional>
#include <map>

namespace quillan::platform {

// The notification sink of the windows, which live on the thread that creates the relay (the
// user-interface thread). Each window registers a handler for its receiver; a notification is
// handled on that thread, whatever thread made it: sent from the owner thread, at once; sent
// from another, the sender waits until it has been handled, or until release(); posted, it is
// queued and the sender goes on. A notification for a window that has no handler (no firmware
// dialog open) is dropped when its turn comes.
class QtNotificationRelay final : public NotificationSink {
public:
    using Handler = std::function<void(const Notification&)>;

    QtNotificationRelay() = default;

    // Owner thread only. An empty handler unregisters the window.
    void setHandler(Receiver receiver, Handler handler);

    void notify(const Notification& notification) override;

    // Any thread: waiting senders go on at once, and later sends no longer wait (their
    // notifications are still handled, later, as if posted), until rearm(). Whoever stops a
    // worker releases before waiting for it to end.
    void release() { m_calls.release(); }
    void rearm() { m_calls.rearm(); }

    [[nodiscard]] OwnerThreadCalls& calls() { return m_calls; }

private:
    void deliver(const Notification& notification);

    std::map<Receiver, Handler> m_handlers; // owner thread only
    OwnerThreadCalls m_calls;
};

} // namespace quillan::platform
