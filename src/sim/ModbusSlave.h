#pragma once

#include "gateway/ConfigImage.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace quillan::sim {

// The values of the gateway's data store points, with the time each was last set. A point
// never set follows driftValue, so that a poll shows values that move yet can be worked out.
class DataStoreValues {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr uint32_t kDriftStepSeconds = 5;
    static constexpr uint32_t kDriftRange = 100;

    explicit DataStoreValues(std::map<uint16_t, double> values = {},
                             Clock::time_point start = Clock::now())
        : m_values(std::move(values)), m_start(start)
    {
    }

    // (point + elapsedSeconds / 5) mod 100: one step every five seconds, wrapping 99 to 0.
    [[nodiscard]] static double driftValue(uint16_t point, uint32_t elapsedSeconds);

    [[nodiscard]] double value(uint16_t point, Clock::time_point now) const;
    void set(uint16_t point, double value, Clock::time_point now);
    // Whole seconds since the point was last set (since start for one never set).
    [[nodiscard]] uint32_t ageSeconds(uint16_t point, Clock::time_point now) const;
    // The points that were set; the others drift.
    [[nodiscard]] const std::map<uint16_t, double>& values() const { return m_values; }

private:
    std::map<uint16_t, double> m_values;
    std::map<uint16_t, Clock::time_point> m_setAt;
    Clock::time_point m_start;
};

// The gateway's Modbus slave map read from its configuration image: block 7 gives each
// register its data store point. Registers up to 7000 hold 16-bit values, registers from 7001
// 32-bit floats (four data bytes for one register number). A register is writable when it
// shows the value of a Modbus write import: a data store point that no import record fills.
// Timestamp registers hold the seconds since their point was last set.
class ModbusSlave {
public:
    static constexpr uint16_t kFirstFloatRegister = 7001;

    enum Exception : uint8_t {
        illegalFunction = 0x01,
        illegalDataAddress = 0x02,
        illegalDataValue = 0x03,
    };

    struct Register {
        uint16_t point = 0;
        MapAttribute attribute = MapAttribute::value;
        PointFormat pointFormat = PointFormat::shortInt; // of the data store point
        bool writable = false;
    };

    ModbusSlave() = default;
    // The slave id is the CONFIG port's (COM1) unless slaveId gives one; a configuration whose
    // id is above 247 answers nothing.
    explicit ModbusSlave(const ConfigImage& image, std::optional<uint8_t> slaveId = std::nullopt);

    [[nodiscard]] uint16_t slaveId() const { return m_slaveId; }
    [[nodiscard]] const std::map<uint16_t, Register>& registers() const { return m_registers; }

    // The reply to one request frame whose CRC has been checked; empty when the request is
    // for another slave. Function 3 reads holding registers, function 6 writes one; any
    // other function is refused with exception 01.
    [[nodiscard]] std::vector<uint8_t> answer(const std::vector<uint8_t>& request,
                                              DataStoreValues& values,
                                              DataStoreValues::Clock::time_point now) const;

private:
    [[nodiscard]] std::vector<uint8_t> readHolding(const std::vector<uint8_t>& request,
                                                   const DataStoreValues& values,
                                                   DataStoreValues::Clock::time_point now) const;
    [[nodiscard]] std::vector<uint8_t> writeSingle(const std::vector<uint8_t>& request,
                                                   DataStoreValues& values,
                                                   DataStoreValues::Clock::time_point now) const;
    [[nodiscard]] std::vector<uint8_t> exception(uint8_t function, Exception code) const;

    uint16_t m_slaveId = 0;
    std::map<uint16_t, Register> m_registers;
};

// Appends the Modbus CRC, least significant byte first.
void appendModbusCrc(std::vector<uint8_t>& frame);

} // namespace quillan::sim
