#pragma once

#include "device/UpdateDevice.h"
#include "document/TarnDoc.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/UserPrompts.h"
#include "support/GatewayTestAccess.h"

#include <memory>
#include <vector>

namespace quillan::test {

// A project whose gateway "Full" is at the 1,920-record limit of every table: its VIN and
// 1,919 more points of its own, each imported and mapped into the Modbus table, and every one
// of them sent to a second gateway, "Peer", which imports them all.
struct FullGatewayProject {
    static constexpr int kRecords = 1920;

    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* full = nullptr;
    ZAVGateway* peer = nullptr;

    FullGatewayProject()
    {
        NewGatewayValues values;
        values.name = "Full";
        doc.newProject({"Limits", "/tmp/", band900, 5, 10, values});
        full = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
        for (int i = 1; i < kRecords; ++i) {
            auto point = std::make_unique<IOImport>(formatFloat, full, 4);
            point->inImportTable = true;
            point->interval = 1;
            point->gain = 1.0f;
            GatewayTestAccess::localImports(*full).push_back(std::move(point));
        }
        std::vector<Import*> own;
        for (auto& point : full->localImports()) {
            own.push_back(point.get());
        }
        (void)pasteToModbusMap(*full, own, false);
        peer = doc.insertGateway();
        (void)importPoints(*full, *peer, own);
    }

    [[nodiscard]] device::UpdateRequest request() const { return device::makeUpdateRequest(*full); }
};

} // namespace quillan::test
