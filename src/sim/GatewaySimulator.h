#pragma once

#include "sim/FaultOptions.h"
#include "sim/ModbusSlave.h"
#include "sim/RequestReceiver.h"
#include "sim/SimulatorState.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillan::sim {

// Bytes the gateway sends in answer to a request, delay after it could first answer.
struct Reply {
    std::vector<uint8_t> bytes;
    std::chrono::milliseconds delay{0};
};

// A line of debug text (ending in CR LF) and when the gateway sends it.
struct DebugLine {
    std::chrono::steady_clock::time_point at;
    std::string text;
};

// A ZAV Gateway Module as seen from its CONFIG port: the device frame protocol, the Modbus
// slave, the debug text, and the state behind them. It knows nothing of the line it is
// served on: its owner feeds it the received bytes and sends what it answers.
//
// Configuration writes (CMD_WRITE_BLOCK) go to a working copy of the image, which every read
// answers from; CMD_STORE_CONFIG commits the working copy, and only the committed image
// persists and runs the device (its CONFIG port mode, Modbus map and radio channel). A write
// of page 0 of a table starts that table afresh: its later pages are emptied, since a host
// writes the pages of a table in order and skips the empty ones.
//
// Thread-safe: the owner feeds it on one thread while tests look at it from another.
class GatewaySimulator {
public:
    using Clock = std::chrono::steady_clock;

    // Without a frame for this long, a host that cannot show RTS is taken to have finished
    // its conversation.
    static constexpr std::chrono::seconds kConversationTimeout{2};
    static constexpr std::chrono::seconds kStatusPeriod{1};

    explicit GatewaySimulator(SimulatorState state = SimulatorState::newGateway(),
                              FaultOptions faults = {});

    // Bytes received on the port; the replies are in the order they are to be sent.
    [[nodiscard]] std::vector<Reply> receive(const uint8_t* data, size_t count,
                                             Clock::time_point now);
    // The line has been quiet for longer than a character gap.
    [[nodiscard]] std::vector<Reply> lineIdle(Clock::time_point now);

    // Debug lines due by now. None while a configuration conversation goes on (RTS raised;
    // when the line cannot show RTS, rts is none and a frame within the last two seconds
    // counts instead) or when the CONFIG port is not a debug port.
    [[nodiscard]] std::vector<DebugLine> debugText(Clock::time_point now, std::optional<bool> rts);
    // When debugText may next have a line; none while it cannot.
    [[nodiscard]] std::optional<Clock::time_point> nextDebugLine(Clock::time_point now,
                                                                 std::optional<bool> rts) const;

    // The state that persists: the committed image and the rest, with the point values.
    [[nodiscard]] SimulatorState state() const;
    [[nodiscard]] ConfigImage workingImage() const;
    // Goes up whenever the persistent state changes (store, project file, flashing).
    [[nodiscard]] uint64_t stateGeneration() const;
    [[nodiscard]] bool flashing() const;
    // Device frames received with a good check sum.
    [[nodiscard]] uint64_t framesReceived() const;

    // When the gateway started: a point never set drifts with the seconds since then.
    [[nodiscard]] Clock::time_point bootTime() const { return m_boot; }
    [[nodiscard]] double pointValue(uint16_t point, Clock::time_point now = Clock::now()) const;
    void setPointValue(uint16_t point, double value);
    // The CONFIG port answers Modbus as this slave whatever the stored configuration says, also
    // after a new one is stored, and sends no debug text. With none, the configuration decides.
    void setModbusSlaveId(std::optional<uint8_t> slaveId);
    void setFaults(const FaultOptions& faults);
    [[nodiscard]] FaultOptions faults() const;

private:
    struct Answer {
        uint8_t command = 0;
        std::vector<uint8_t> payload;
    };

    [[nodiscard]] std::vector<Reply> handle(const std::vector<Request>& requests,
                                            Clock::time_point now);
    [[nodiscard]] std::optional<Reply> handleDevice(const Request& request, Clock::time_point now);
    [[nodiscard]] Answer carryOut(uint8_t command, const std::vector<uint8_t>& payload);
    [[nodiscard]] Answer readBlock(const std::vector<uint8_t>& payload) const;
    [[nodiscard]] Answer writeBlock(const std::vector<uint8_t>& payload);
    [[nodiscard]] Answer flashData(const std::vector<uint8_t>& payload);
    void commit();
    void applyRunningConfiguration();
    [[nodiscard]] bool inConversation(Clock::time_point now, std::optional<bool> rts) const;
    [[nodiscard]] bool debugPort() const;
    void addEvent(std::string text);
    [[nodiscard]] std::string stamped(Clock::time_point at, const std::string& text) const;
    [[nodiscard]] std::string statusLine() const;

    mutable std::mutex m_mutex;
    SimulatorState m_state;
    ConfigImage m_working;
    FaultOptions m_faults;
    RequestReceiver m_receiver;
    std::optional<uint8_t> m_slaveIdOverride;
    ModbusSlave m_modbus;
    const Clock::time_point m_boot;
    DataStoreValues m_values;
    bool m_flashing = false;
    uint64_t m_generation = 0;
    uint64_t m_frames = 0;
    std::optional<Clock::time_point> m_lastFrame;
    Clock::time_point m_nextStatus;
    std::deque<std::string> m_events;
};

} // namespace quillan::sim
