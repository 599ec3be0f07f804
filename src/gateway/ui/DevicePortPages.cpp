#include "gateway/ConfigImage.h"
#include "gateway/ui/ConfigPortPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "gateway/ui/P2PortPage.h"

namespace quillan::gateway::ui {

void addDevicePortPages(NodePropertySheet& sheet, const ConfigImage& image)
{
    // COM1 is the CONFIG port, COM3 the RTU port. The device's modules are not known here, and
    // a read-only page has no rules to apply.
    sheet.addPage(new ConfigPortPage(image.port(0), PageMode::readOnly));
    sheet.addPage(new P2PortPage(image.port(2), RtuPortUse{}, PageMode::readOnly));
}

} // namespace quillan::gateway::ui
