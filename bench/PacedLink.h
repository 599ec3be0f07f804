#pragma once

#include "device/SerialLink.h"

#include <chrono>
#include <string>
#include <thread>

namespace quillan::bench {

inline constexpr double BAUD = 57'600.0;
inline constexpr double BITS_PER_BYTE = 10.0; // start, 8 data, stop

// Seconds that bytes take on the line.
inline double lineSeconds(size_t bytes)
{
    return static_cast<double>(bytes) * BITS_PER_BYTE / BAUD;
}

// The in-process simulator times its replies at the line rate but takes a request at once;
// through this link a write returns once its bytes would have left at the line rate, as a
// port's write does.
class PacedLink final : public device::SerialLink {
public:
    explicit PacedLink(device::SerialLink& line) : m_line(line) {}

    bool open(const std::string& name) override { return m_line.open(name); }
    void close() override { m_line.close(); }
    bool isOpen() const override { return m_line.isOpen(); }
    std::string portName() const override { return m_line.portName(); }
    bool configure(const device::LineSettings& s) override { return m_line.configure(s); }
    bool setRts(bool raised) override { return m_line.setRts(raised); }
    bool setDtr(bool raised) override { return m_line.setDtr(raised); }
    bool cts() override { return m_line.cts(); }
    bool purge(bool receive, bool transmit) override { return m_line.purge(receive, transmit); }
    device::WriteStatus write(const uint8_t* data, size_t count) override
    {
        std::this_thread::sleep_for(std::chrono::duration<double>(lineSeconds(count)));
        return m_line.write(data, count);
    }
    device::ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override
    {
        return m_line.read(buffer, capacity, timeoutMs);
    }
    void cancel() override { m_line.cancel(); }
    void resetCancel() override { m_line.resetCancel(); }

private:
    device::SerialLink& m_line;
};

} // namespace quillan::bench
