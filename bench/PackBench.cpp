// Packing and unpacking a project file for storing on a gateway: a real project of
// about 1 MB built with the model (gateways with named local points, each sharing its points
// with the previous gateway by radio, both mapping them to Modbus), and the
// 2,914-byte project among the test fixtures.
#include "device/ProjectPacking.h"
#include "document/TarnDoc.h"
#include "model/UserPrompts.h"
#include "support/LargeProject.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

using namespace quillan;
using namespace quillan::device;

namespace {

constexpr size_t PROJECT_TARGET_BYTES = 1'000'000;

std::vector<uint8_t> megabyteProject()
{
    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc{sink, prompts};
    return test::growLargeProject(doc, PROJECT_TARGET_BYTES);
}

const std::vector<uint8_t>& project()
{
    static const std::vector<uint8_t> bytes = megabyteProject();
    return bytes;
}

const std::vector<uint8_t>& plantProject()
{
    static const std::vector<uint8_t> bytes = [] {
        std::ifstream in(std::string(QUILLAN_TEST_DATA_DIR) + "/projects/plant.zavproj",
                         std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>());
    }();
    return bytes;
}

void pack(benchmark::State& state, const std::vector<uint8_t>& data)
{
    size_t packedSize = 0;
    for (auto _ : state) {
        const PackResult r = compressBuffer(data);
        if (r.status != 0) {
            state.SkipWithError("compressBuffer failed");
            return;
        }
        packedSize = r.packed.size();
        benchmark::DoNotOptimize(r.packed.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["input"] = static_cast<double>(data.size());
    state.counters["packed"] = static_cast<double>(packedSize);
}

void unpack(benchmark::State& state, const std::vector<uint8_t>& data)
{
    const PackResult packed = compressBuffer(data);
    for (auto _ : state) {
        const UnpackResult r = expandBuffer(packed.packed);
        if (r.status != 0 || r.data.size() != data.size()) {
            state.SkipWithError("expandBuffer failed");
            return;
        }
        benchmark::DoNotOptimize(r.data.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["input"] = static_cast<double>(data.size());
    state.counters["packed"] = static_cast<double>(packed.packed.size());
}

void BM_PackMegabyteProject(benchmark::State& state)
{
    pack(state, project());
}
void BM_UnpackMegabyteProject(benchmark::State& state)
{
    unpack(state, project());
}
void BM_PackPlantProject(benchmark::State& state)
{
    pack(state, plantProject());
}
void BM_UnpackPlantProject(benchmark::State& state)
{
    unpack(state, plantProject());
}

BENCHMARK(BM_PackMegabyteProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnpackMegabyteProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackPlantProject)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnpackPlantProject)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
