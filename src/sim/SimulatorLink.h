#pragma once

#include "device/LinkFactory.h"
#include "device/SerialLink.h"
#include "sim/FaultOptions.h"
#include "sim/GatewaySimulator.h"
#include "sim/LineOutput.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace quillan::sim {

// A serial link with a simulated gateway on the other end, in the same process. With line
// timing a write takes the time of its bytes on the configured line and the gateway receives
// them at its end (a write is one burst, followed by a pause); without it they arrive at once.
// The gateway's replies are timed from the host's next read, as on MemorySerialLink, and with
// line timing they arrive at the byte rate of the line, handed over in chunks of up to 64
// bytes as a USB converter does. RTS is the gateway's sign of a configuration conversation: while
// it is low the gateway sends its debug text.
class SimulatorLink final : public device::SerialLink {
public:
    static constexpr size_t kReadChunk = 64;

    explicit SimulatorLink(std::shared_ptr<GatewaySimulator> gateway, bool lineTiming = true);
    ~SimulatorLink() override = default;
    SimulatorLink(const SimulatorLink&) = delete;
    SimulatorLink& operator=(const SimulatorLink&) = delete;

    [[nodiscard]] bool open(const std::string& portName) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] std::string portName() const override;
    [[nodiscard]] bool configure(const device::LineSettings& settings) override;
    [[nodiscard]] bool setRts(bool raised) override;
    [[nodiscard]] bool setDtr(bool raised) override;
    [[nodiscard]] bool cts() override;
    [[nodiscard]] bool purge(bool receive, bool transmit) override;
    [[nodiscard]] device::WriteStatus write(const uint8_t* data, size_t count) override;
    [[nodiscard]] device::ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override;
    void cancel() override;
    void resetCancel() override;

    [[nodiscard]] GatewaySimulator& gateway() { return *m_gateway; }
    [[nodiscard]] bool rts() const;
    void setLineTiming(bool on);

private:
    using Clock = std::chrono::steady_clock;

    void applyTiming();
    [[nodiscard]] Clock::duration characterTime() const;
    // Lets the gateway add its debug text, unless a reply is on its way.
    void collectDebugText(Clock::time_point now);

    std::shared_ptr<GatewaySimulator> m_gateway;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_cancelled = false;
    std::string m_name;
    device::LineSettings m_settings = device::DEFAULT_LINE_SETTINGS;
    bool m_lineTiming = true;
    bool m_rts = false;
    bool m_dtr = false;
    LineOutput m_output;
};

struct SimulatorOptions {
    SimulatorState state = SimulatorState::newGateway();
    FaultOptions faults;
    bool lineTiming = true;
};

// Registers the simulator as the port device::SIMULATOR_PORT_NAME ("sim"). Every link made for
// it talks to the one gateway returned, which keeps its state while ports are opened and
// closed.
std::shared_ptr<GatewaySimulator> addSimulatorPort(device::LinkFactory& factory,
                                                   SimulatorOptions options = {});

} // namespace quillan::sim
