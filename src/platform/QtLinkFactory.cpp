#include "platform/QtLinkFactory.h"

#include "platform/QtSerialLink.h"
#include "sim/SimulatorLink.h"

namespace quillan::platform {

device::LinkFactory makeQtLinkFactory(NotificationSink* debugSink)
{
    device::LinkFactory factory([debugSink] { return std::make_unique<QtSerialLink>(debugSink); });
    sim::addSimulatorPort(factory);
    return factory;
}

} // namespace quillan::platform
