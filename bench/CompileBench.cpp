// Compiling a gateway whose data store, import, export and Modbus map tables are all at the
// 1,920-record limit.
#include "document/TarnDoc.h"
#include "gateway/ConfigImage.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/UserPrompts.h"
#include "support/GatewayTestAccess.h"

#include <benchmark/benchmark.h>

using namespace quillan;

namespace {

struct FullGateway {
    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* gateway = nullptr;

    FullGateway()
    {
        doc.newProject({"Bench", "/tmp/", band900, 5, 10, NewGatewayValues{}});
        gateway = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
        ZAVGateway* other = doc.insertGateway();
        auto addLocal = [](ZAVGateway& g, int n) {
            for (int i = 0; i < n; ++i) {
                auto point = std::make_unique<IOImport>(formatFloat, &g, 4);
                point->inImportTable = true;
                point->interval = 1;
                point->gain = 1.0f;
                GatewayTestAccess::localImports(g).push_back(std::move(point));
            }
        };
        // Half the data store is the gateway's own, half is shared from the other gateway.
        addLocal(*gateway, 959);
        addLocal(*other, 959);
        std::vector<Import*> sources;
        for (auto& point : other->localImports()) {
            sources.push_back(point.get());
        }
        (void)importPoints(*other, *gateway, sources);
        std::vector<Import*> own;
        for (auto& point : gateway->localImports()) {
            own.push_back(point.get());
        }
        // Every own point is sent to the other gateway twice over (two destinations' worth).
        for (int round = 0; round < 2; ++round) {
            for (Import* point : own) {
                gateway->addExport(makeRadioExport(*point, *other, *gateway));
            }
        }
        (void)pasteToModbusMap(*gateway, own, false);
        (void)pasteToModbusMap(*gateway, own, true);
        (void)gateway->compileImage();
    }
};

void BM_CompileFullGateway(benchmark::State& state)
{
    FullGateway full;
    ZAVGateway& g = *full.gateway;
    for (auto _ : state) {
        const CompiledImage compiled = g.compileImage();
        benchmark::DoNotOptimize(compiled.image.bytes().data());
    }
    state.counters["dataStore"] = g.dataStoreCounter;
    state.counters["imports"] = g.importRecordCounter;
    state.counters["exports"] = g.exportRecordCounter;
    state.counters["map"] = g.mapRecordCounter;
}
BENCHMARK(BM_CompileFullGateway)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
