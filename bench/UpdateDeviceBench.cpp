// Update Device of a gateway whose data store, imports and Modbus map are at the 1,920-record
// limit, against the in-process simulator at 57,600 baud in both directions. Reported beside
// the time the bytes alone need on the wire plus the link's fixed waits (200 ms after opening,
// 250 ms closing); the target is at most 1.05 times that.
//
// The in-process simulator times its replies at the line rate but takes a request at once;
// PacedLink makes each request take its line time as a port's write does. The "turnaround"
// variant adds the 20 ms pause zav-gateway-sim makes before every reply.
#include "PacedLink.h"
#include "device/DeviceServices.h"
#include "device/GatewayLink.h"
#include "device/UpdateDevice.h"
#include "document/TarnDoc.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/UserPrompts.h"
#include "sim/SimulatorLink.h"
#include "support/GatewayTestAccess.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace quillan;
using namespace quillan::device;
using quillan::bench::PacedLink;

namespace {

constexpr double FIXED_WAITS_S = 0.200 + 0.250;
constexpr int TURNAROUND_MS = 20;

struct FullGateway {
    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc{sink, prompts};
    UpdateRequest request;

    FullGateway()
    {
        doc.newProject({"Bench", "/tmp/", band900, 5, 10, NewGatewayValues{}});
        auto* gateway = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
        // With the gateway's own VIN, 1,920 points, each with its import and a map run.
        for (int i = 0; i < 1919; ++i) {
            auto point = std::make_unique<IOImport>(formatFloat, gateway, 4);
            point->inImportTable = true;
            point->interval = 1;
            point->gain = 1.0f;
            GatewayTestAccess::localImports(*gateway).push_back(std::move(point));
        }
        std::vector<Import*> own;
        for (auto& point : gateway->localImports()) {
            own.push_back(point.get());
        }
        (void)pasteToModbusMap(*gateway, own, false);
        request = makeUpdateRequest(*gateway);
    }
};

void runUpdate(benchmark::State& state, int turnaroundMs)
{
    FullGateway full;
    sim::FaultOptions faults;
    if (turnaroundMs > 0) {
        for (const uint8_t command : {CMD_ENQUIRE, CMD_IDENTIFY, CMD_READ_RADIO, CMD_READ_BLOCK,
                                      CMD_WRITE_BLOCK, CMD_STORE_CONFIG}) {
            faults.delays[command] = turnaroundMs;
        }
    }
    double wallS = 0;
    double wireS = 0;
    int exchanges = 0;
    int result = 0;
    for (auto _ : state) {
        auto gateway =
            std::make_shared<sim::GatewaySimulator>(sim::SimulatorState::newGateway(), faults);
        sim::SimulatorLink line(gateway, true);
        PacedLink port(line);
        (void)port.open(SIMULATOR_PORT_NAME);
        NullNotificationSink sink;
        NullPrompts prompts;
        size_t bytesOnWire = 0;
        exchanges = 0;
        DeviceServices services{port, sink, prompts, nullptr, {}};
        services.trace = [&](TraceDirection direction, std::span<const uint8_t> frame) {
            bytesOnWire += frame.size();
            exchanges += direction == TraceDirection::sent ? 1 : 0;
        };
        GatewayLink link(services, "Bench");
        const auto start = std::chrono::steady_clock::now();
        result = updateDevice(link, full.request);
        wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        wireS = bench::lineSeconds(bytesOnWire);
        state.SetIterationTime(wallS);
    }
    const double budget = wireS + FIXED_WAITS_S;
    state.counters["result"] = result;
    state.counters["exchanges"] = exchanges;
    state.counters["wall_s"] = wallS;
    state.counters["wire_plus_waits_s"] = budget;
    state.counters["ratio"] = wallS / budget;
    state.counters["turnaround_s"] = exchanges * turnaroundMs / 1000.0;
    const auto records = [&](BlockType table) {
        unsigned total = 0;
        for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
            total += full.request.compiled.image.pageCount(table, page);
        }
        return total;
    };
    state.counters["dataStore"] = records(BlockType::dataStore);
    state.counters["imports"] = records(BlockType::imports);
    state.counters["map"] = records(BlockType::modbusMap);
}

void BM_UpdateFullGateway(benchmark::State& state)
{
    runUpdate(state, 0);
}
BENCHMARK(BM_UpdateFullGateway)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_UpdateFullGatewayWithTurnaround(benchmark::State& state)
{
    runUpdate(state, TURNAROUND_MS);
}
BENCHMARK(BM_UpdateFullGatewayWithTurnaround)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
