#pragma once

// The main window over a project named Plant whose active site is North, with two gateways:
// North_GW, whose RTU port is a Modbus master with the module Pump on it, and South_GW.

#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/FileNode.h"
#include "model/MBModule.h"
#include "settings/MemorySettingsStore.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "views/ProjectPane.h"
#include "views/ProjectTreeModel.h"

#include <QDir>
#include <QTreeView>
#include <memory>

namespace quillan::test {

struct ProjectFixture {
    MemorySettingsStore store;
    shell::TarnApp app{store, {}};
    // A test may close the window early; frame is not used after that.
    std::unique_ptr<shell::MainFrame> window = std::make_unique<shell::MainFrame>(app);
    shell::MainFrame& frame = *window;
    ZAVGateway* g1 = nullptr;
    ZAVGateway* g2 = nullptr;
    MBModule* pump = nullptr;

    ProjectFixture()
    {
        NewProjectValues values;
        values.name = "Plant";
        values.folder = QDir::tempPath().toStdString();
        values.band = band900;
        values.channel = 5;
        values.group = 10;
        values.gateway = NewGatewayValues{};
        values.gateway->name = "North_GW";
        doc().newProject(values);
        doc().root()->activeSite()->setSiteName("North");
        g1 = dynamic_cast<ZAVGateway*>(doc().nodes().at(1).get());
        g2 = doc().insertGateway();
        g2->setName("South_GW");
        g1->port(2)->protocol = protocolModbusMaster;
        pump = addModule(*g1, "Pump");
        pane().rebuild();
    }

    MBModule* addModule(ZAVGateway& gateway, const std::string& name)
    {
        (void)doc().insertModbusModule(gateway, MBModule::newModuleSettings(gateway));
        auto* module = dynamic_cast<MBModule*>(gateway.childModules().back().get());
        module->setName(name);
        pane().rebuild();
        return module;
    }

    TarnDoc& doc() { return app.document(); }
    views::ProjectPane& pane() { return frame.projectPane(); }
    QTreeView& tree() { return *pane().tree(); }
    views::ProjectTreeModel& model()
    {
        return *static_cast<views::ProjectTreeModel*>(tree().model());
    }
    QModelIndex indexOf(const Node* node) { return model().indexOf(node); }
    void select(const Node* node) { tree().setCurrentIndex(indexOf(node)); }
    bool enabled(shell::Command command) { return pane().commandEnabled(command).value_or(false); }
};

} // namespace quillan::test
