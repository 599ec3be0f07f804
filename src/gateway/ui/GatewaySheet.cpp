#include "gateway/ZAVGateway.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/Text.h"

namespace quillan::gateway::ui {

// Pages to come: Radio, Config Port, RTU Port, IO Bus.
int showGatewayProperties(shell::TarnApp& /*app*/, ZAVGateway& gateway, QWidget* parent)
{
    NodePropertySheet sheet(QString::fromStdString(cp1252ToUtf8(
                                strprintf("%s - ( ZAV Gateway )", gateway.getName().c_str()))),
                            parent);
    return sheet.run();
}

} // namespace quillan::gateway::ui
