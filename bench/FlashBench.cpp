// Flashing a 100 KB firmware image (Intel HEX, 32-byte records) into the in-process simulator
// at 57,600 baud in both directions, after Connect's configuration read, as the Flash button
// runs it. Reported beside the time the flash frames and their acknowledgements alone need
// on the wire. The "turnaround" variant adds the 20 ms pause zav-gateway-sim makes before
// every reply.
#include "LineSeconds.h"
#include "device/ZAVSession.h"
#include "model/Notifications.h"
#include "model/Text.h"
#include "sim/SimulatorLink.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace quillan;
using namespace quillan::device;

namespace {

constexpr size_t IMAGE_SIZE = 100 * 1024;
constexpr uint32_t IMAGE_ADDRESS = 0x08020000;
constexpr size_t RECORD_SIZE = 32;
constexpr int TURNAROUND_MS = 20;

std::string record(uint8_t type, uint16_t address, const uint8_t* data, size_t count)
{
    std::string line = strprintf(":%02X%04X%02X", static_cast<unsigned>(count), address, type);
    unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFF) + type;
    for (size_t i = 0; i < count; ++i) {
        line += strprintf("%02X", data[i]);
        sum += data[i];
    }
    return line + strprintf("%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

struct Firmware {
    std::vector<uint8_t> image;
    std::string path; // the image as an Intel HEX file
};

Firmware writeFirmware()
{
    std::mt19937 random(7);
    std::vector<uint8_t> image(IMAGE_SIZE);
    for (uint8_t& b : image) {
        b = static_cast<uint8_t>(random());
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / "quillan-flash-bench.a79").string();
    std::ofstream file(path);
    uint32_t segment = UINT32_MAX;
    for (size_t at = 0; at < image.size(); at += RECORD_SIZE) {
        const uint32_t address = IMAGE_ADDRESS + static_cast<uint32_t>(at);
        if (address >> 16 != segment) {
            segment = address >> 16;
            const uint8_t word[] = {static_cast<uint8_t>(segment >> 8),
                                    static_cast<uint8_t>(segment)};
            file << record(4, 0, word, 2);
        }
        file << record(0, static_cast<uint16_t>(address), image.data() + at, RECORD_SIZE);
    }
    file << ":00000001FF\n";
    return {image, path};
}

class IdleSink final : public NotificationSink {
public:
    void notify(const Notification& n) override
    {
        if (n.code == MSG_SESSION_READ_OK) {
            readOk = true;
        }
    }
    std::atomic<bool> readOk{false};
};

void runFlash(benchmark::State& state, int turnaroundMs)
{
    const Firmware firmware = writeFirmware();
    sim::FaultOptions faults;
    if (turnaroundMs > 0) {
        for (const uint8_t command : {CMD_ENQUIRE, CMD_IDENTIFY, CMD_READ_BLOCK, CMD_FLASH_BEGIN,
                                      CMD_FLASH_DATA, CMD_FLASH_END}) {
            faults.delays[command] = turnaroundMs;
        }
    }
    double wallS = 0;
    double wireS = 0;
    double loadS = 0;
    size_t chunks = 0;
    int exchanges = 0;
    bool succeeded = false;
    bool same = false;
    for (auto _ : state) {
        auto gateway =
            std::make_shared<sim::GatewaySimulator>(sim::SimulatorState::newGateway(), faults);
        sim::SimulatorLink port(gateway, true);
        (void)port.open(SIMULATOR_PORT_NAME);
        IdleSink sink;
        SessionTimings timings;
        timings.finishPauseMs = 0; // the transfer alone is timed
        ZAVSession session(sink, timings);
        std::atomic<bool> counting{false};
        std::atomic<size_t> bytesOnWire{0};
        std::atomic<int> sent{0};
        session.setTrace([&](TraceDirection direction, std::span<const uint8_t> frame) {
            if (counting) {
                bytesOnWire += frame.size();
                sent += direction == TraceDirection::sent ? 1 : 0;
            }
        });
        session.setPort(&port);
        session.setEnabled(true);
        session.startThread();
        session.startOperation(SessionOperation::connectAndRead);
        (void)session.waitForIdle(120'000);
        if (!sink.readOk) {
            state.SkipWithError("the configuration read failed");
            break;
        }
        session.setFlashWindow(true);
        session.clearFirmware();
        const auto loadStart = std::chrono::steady_clock::now();
        (void)session.loadFirmware(firmware.path);
        loadS = std::chrono::duration<double>(std::chrono::steady_clock::now() - loadStart).count();
        chunks = session.firmwareChunks().size();

        counting = true;
        const auto start = std::chrono::steady_clock::now();
        session.startOperation(SessionOperation::flash);
        (void)session.waitForIdle(600'000);
        wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        counting = false;
        (void)session.stopThread();

        const auto outcome = session.lastFlash();
        succeeded = outcome && outcome->succeeded;
        const auto flat = gateway->state().firmware.flatImage();
        same = flat && flat->address == IMAGE_ADDRESS && flat->bytes == firmware.image;
        wireS = bench::lineSeconds(bytesOnWire);
        exchanges = sent;
        state.SetIterationTime(wallS);
    }
    std::filesystem::remove(firmware.path);
    state.counters["succeeded"] = succeeded && same;
    state.counters["chunks"] = static_cast<double>(chunks);
    state.counters["exchanges"] = exchanges;
    state.counters["load_hex_s"] = loadS;
    state.counters["wall_s"] = wallS;
    state.counters["wire_s"] = wireS;
    state.counters["ratio"] = wallS / wireS;
    state.counters["turnaround_s"] = exchanges * turnaroundMs / 1000.0;
}

void BM_Flash100KB(benchmark::State& state)
{
    runFlash(state, 0);
}
BENCHMARK(BM_Flash100KB)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_Flash100KBWithTurnaround(benchmark::State& state)
{
    runFlash(state, TURNAROUND_MS);
}
BENCHMARK(BM_Flash100KBWithTurnaround)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
