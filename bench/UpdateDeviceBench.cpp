// Update Device of a gateway at the 1,920-record limit of every table (data store, imports,
// exports, Modbus map), at 57,600 baud in both directions. Reported beside the time the bytes
// alone need on the wire plus the prescribed waits: the link's 200 ms after opening and
// 250 ms closing, and the gateway's turnaround before each reply where it has one. The target
// is at most 1.05 times that.
//
// In process: the simulator link, which takes a request's line time as a port does. Through a
// pseudo-terminal: the production serial link to the zav-gateway-sim process, which receives
// and answers at the line rate and pauses 20 ms before every reply.
#include "LineSeconds.h"
#include "device/DeviceServices.h"
#include "device/GatewayLink.h"
#include "device/UpdateDevice.h"
#include "platform/QtSerialLink.h"
#include "sim/SimTestSupport.h"
#include "sim/SimulatorLink.h"
#include "support/FullGateway.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace quillan;
using namespace quillan::device;

namespace {

constexpr double FIXED_WAITS_S = 0.200 + 0.250;
constexpr int TURNAROUND_MS = 20;

// Runs one Update Device of the full gateway over port and reports it.
void measure(benchmark::State& state, SerialLink& port, int turnaroundMs)
{
    static const test::FullGatewayProject project;
    const UpdateRequest request = project.request();
    NullNotificationSink sink;
    NullPrompts prompts;
    size_t bytesOnWire = 0;
    int exchanges = 0;
    DeviceServices services{port, sink, prompts, nullptr, {}};
    services.trace = [&](TraceDirection direction, std::span<const uint8_t> frame) {
        bytesOnWire += frame.size();
        exchanges += direction == TraceDirection::sent ? 1 : 0;
    };
    GatewayLink link(services, request.gatewayName);
    const auto start = std::chrono::steady_clock::now();
    const int result = updateDevice(link, request);
    const double wallS =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(wallS);

    const double turnaroundS = exchanges * turnaroundMs / 1000.0;
    const double budget = bench::lineSeconds(bytesOnWire) + FIXED_WAITS_S + turnaroundS;
    state.counters["result"] = result;
    state.counters["exchanges"] = exchanges;
    state.counters["wall_s"] = wallS;
    state.counters["wire_s"] = bench::lineSeconds(bytesOnWire);
    state.counters["turnaround_s"] = turnaroundS;
    state.counters["budget_s"] = budget;
    state.counters["ratio"] = wallS / budget;
    const auto records = [&](BlockType table) {
        unsigned total = 0;
        for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
            total += request.compiled.image.pageCount(table, page);
        }
        return total;
    };
    state.counters["dataStore"] = records(BlockType::dataStore);
    state.counters["imports"] = records(BlockType::imports);
    state.counters["exports"] = records(BlockType::exports);
    state.counters["map"] = records(BlockType::modbusMap);
}

void runInProcess(benchmark::State& state, int turnaroundMs)
{
    sim::FaultOptions faults;
    if (turnaroundMs > 0) {
        for (const uint8_t command : {CMD_ENQUIRE, CMD_IDENTIFY, CMD_READ_RADIO, CMD_READ_BLOCK,
                                      CMD_WRITE_BLOCK, CMD_STORE_CONFIG}) {
            faults.delays[command] = turnaroundMs;
        }
    }
    for (auto _ : state) {
        auto gateway =
            std::make_shared<sim::GatewaySimulator>(sim::SimulatorState::newGateway(), faults);
        sim::SimulatorLink port(gateway, true);
        (void)port.open(SIMULATOR_PORT_NAME);
        measure(state, port, turnaroundMs);
    }
}

void BM_UpdateFullGateway(benchmark::State& state)
{
    runInProcess(state, 0);
}
BENCHMARK(BM_UpdateFullGateway)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_UpdateFullGatewayWithTurnaround(benchmark::State& state)
{
    runInProcess(state, TURNAROUND_MS);
}
BENCHMARK(BM_UpdateFullGatewayWithTurnaround)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_UpdateFullGatewayThroughPty(benchmark::State& state)
{
    for (auto _ : state) {
        simtest::SimProcess sim;
        std::optional<std::string> path;
        if (sim.start({"--pty", "--turnaround", std::to_string(TURNAROUND_MS)})) {
            path = sim.firstLine(10'000);
        }
        if (!path) {
            state.SkipWithError(("zav-gateway-sim did not start: " + sim.errorOutput()).c_str());
            return;
        }
        platform::QtSerialLink port;
        if (!port.open(*path)) {
            state.SkipWithError("the pseudo-terminal could not be opened");
            return;
        }
        measure(state, port, TURNAROUND_MS);
        port.close();
        (void)sim.stop(10'000);
    }
}
BENCHMARK(BM_UpdateFullGatewayThroughPty)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // the serial link's notifiers are delivered through it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
