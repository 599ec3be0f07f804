#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/MBModule.h"
#include "model/Text.h"

namespace quillan::gateway::ui {

// Pages to come: IO Bus, Modbus Inputs, Modbus Outputs.
int showModbusModuleProperties(shell::TarnApp& /*app*/, MBModule& module, QWidget* parent)
{
    NodePropertySheet sheet(QString::fromStdString(cp1252ToUtf8(strprintf(
                                "%s - ( Generic Modbus Module )", module.getName().c_str()))),
                            parent);
    return sheet.run();
}

} // namespace quillan::gateway::ui
