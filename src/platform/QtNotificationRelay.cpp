#include "platform/QtNotificationRelay.h"

namespace quillan::platform {

void QtNotificationRelay::setHandler(Receiver receiver, Handler handler)
{
    if (handler) {
        m_handlers[receiver] = std::move(handler);
    } else {
        m_handlers.erase(receiver);
    }
}

void QtNotificationRelay::notify(const Notification& notification)
{
    auto run = [this, notification] { deliver(notification); };
    if (notification.delivery == Delivery::posted) {
        m_calls.post(std::move(run));
    } else {
        (void)m_calls.call(std::move(run), OwnerThreadCalls::IfReleased::run);
    }
}

void QtNotificationRelay::deliver(const Notification& notification)
{
    const auto it = m_handlers.find(notification.receiver);
    if (it != m_handlers.end()) {
        it->second(notification);
    }
}

} // namespace quillan::platform
