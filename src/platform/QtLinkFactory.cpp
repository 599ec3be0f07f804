#include "platform/QtLinkFactory.h"

#include "platform/QtSerialLink.h"

namespace quillan::platform {

device::LinkFactory makeQtLinkFactory(NotificationSink* debugSink)
{
    return device::LinkFactory([debugSink] { return std::make_unique<QtSerialLink>(debugSink); });
}

} // namespace quillan::platform
