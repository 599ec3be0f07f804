#include "gateway/ui/NodeProperties.h"

#include "gateway/ZAVGateway.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/MBModule.h"
#include "shell/TarnApp.h"

namespace quillan::gateway::ui {

namespace {

class ConnectionOpenScope {
public:
    explicit ConnectionOpenScope(shell::TarnApp& app) : m_app(app)
    {
        m_app.setConnectionOpen(true);
    }
    ~ConnectionOpenScope() { m_app.setConnectionOpen(false); }
    ConnectionOpenScope(const ConnectionOpenScope&) = delete;
    ConnectionOpenScope& operator=(const ConnectionOpenScope&) = delete;

private:
    shell::TarnApp& m_app;
};

} // namespace

bool hasPropertySheet(const Node& node)
{
    return dynamic_cast<const ZAVGateway*>(&node) != nullptr ||
           dynamic_cast<const MBModule*>(&node) != nullptr;
}

int showNodeProperties(shell::TarnApp& app, Node& node, QWidget* parent)
{
    if (auto* gateway = dynamic_cast<ZAVGateway*>(&node)) {
        ConnectionOpenScope open(app);
        return showGatewayProperties(app, *gateway, parent);
    }
    if (auto* module = dynamic_cast<MBModule*>(&node)) {
        ConnectionOpenScope open(app);
        return showModbusModuleProperties(app, *module, parent);
    }
    return NodePropertySheet::resultCancel;
}

} // namespace quillan::gateway::ui
