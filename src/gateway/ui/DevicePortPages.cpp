#include "gateway/ConfigImage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"

namespace quillan::gateway::ui {

// The read-only port pages come with the gateway sheet's port pages.
void addDevicePortPages(NodePropertySheet& /*sheet*/, const ConfigImage& /*image*/)
{
}

} // namespace quillan::gateway::ui
