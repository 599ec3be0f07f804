#include "gateway/ZAVGateway.h"
#include "gateway/ui/IOBusPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/Text.h"
#include "shell/TarnApp.h"

namespace quillan::gateway::ui {

// Pages to come: Radio, Config Port, RTU Port, IO Bus.
int showGatewayProperties(shell::TarnApp& app, ZAVGateway& gateway, QWidget* parent)
{
    NodePropertySheet sheet(QString::fromStdString(cp1252ToUtf8(
                                strprintf("%s - ( ZAV Gateway )", gateway.getName().c_str()))),
                            parent);
    sheet.addPage(new IOBusPage(gateway, app.settings()));
    const int result = sheet.run();
    if (result == NodePropertySheet::resultOk) {
        app.document().setModified();
    }
    return result;
}

} // namespace quillan::gateway::ui
