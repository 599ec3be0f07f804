#pragma once

// A project of a chosen size, built with the model as a busy site would look: gateways with
// 400 named local points each, every gateway sharing its points with the previous one by
// radio, both mapping them to Modbus. About 110 KB a gateway.

#include "document/TarnDoc.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "support/GatewayTestAccess.h"

#include <string>
#include <vector>

namespace quillan::test {

constexpr int LARGE_PROJECT_POINTS_PER_GATEWAY = 400;

// Adds gateways to a new project in doc until its file reaches targetBytes; the bytes.
inline std::vector<uint8_t> growLargeProject(TarnDoc& doc, size_t targetBytes)
{
    doc.newProject({"Bench", "/tmp/", band900, 5, 10, NewGatewayValues{}});
    auto* previous = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
    std::vector<uint8_t> bytes = doc.toBytes();
    int gatewayNumber = 1;
    while (bytes.size() < targetBytes) {
        ZAVGateway* g = doc.insertGateway();
        const std::string prefix = "G" + std::to_string(++gatewayNumber);
        std::vector<Import*> own;
        for (int i = 0; i < LARGE_PROJECT_POINTS_PER_GATEWAY; ++i) {
            auto point = std::make_unique<IOImport>(formatFloat, g, 4);
            point->pointId = g->nextTagNumber();
            point->pointName = prefix + "_Level_" + std::to_string(i);
            point->inImportTable = true;
            point->interval = 1 + static_cast<uint32_t>(i % 60);
            point->gain = 1.0f + static_cast<float>(i % 7) * 0.25f;
            point->offset = static_cast<float>(i % 11) - 5.0f;
            own.push_back(point.get());
            GatewayTestAccess::localImports(*g).push_back(std::move(point));
        }
        // The previous gateway takes every point of this one (this one sends them by radio).
        const auto shared = importPoints(*g, *previous, own);
        (void)pasteToModbusMap(*g, own, false);
        (void)pasteToModbusMap(*previous, {shared.begin(), shared.end()}, true);
        previous = g;
        bytes = doc.toBytes();
    }
    return bytes;
}

} // namespace quillan::test
