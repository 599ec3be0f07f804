#pragma once

#include "device/DeviceFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillan::sim {

// One request taken off the line, its check sum verified.
struct Request {
    enum class Kind { device, modbus };

    Kind kind = Kind::device;
    uint8_t command = 0;        // device command or Modbus function code
    std::vector<uint8_t> bytes; // device: the payload; Modbus: the whole frame with its CRC
};

// The gateway's receive side of the CONFIG port, as a state machine over a bounded buffer.
// A byte 0xFF starts a device frame (header, then payload and CRC-16/ARC); when Modbus is on,
// a byte 1 to 247 starts a Modbus RTU request, whose length follows from its function code
// (or, for a function it does not know, from the pause that ends it). A frame whose length
// cannot fit, whose check sum fails, or that is cut off by a pause is dropped from its first
// byte only: reception starts again at the next byte that can start a frame.
class RequestReceiver {
public:
    static constexpr size_t kCapacity = device::FRAME_BUFFER_SIZE;
    static constexpr size_t kModbusMaxFrame = 256;

    enum class State {
        seekStart,     // waiting for a byte that can start a frame
        deviceHeader,  // start byte, command, length
        devicePayload, // payload and CRC
        modbusHeader,  // until the function code tells the length
        modbusBody,    // the rest of a request of known length
        modbusToPause, // a function of unknown length: the pause ends it
    };

    void setModbusEnabled(bool enabled) { m_modbus = enabled; }
    [[nodiscard]] bool modbusEnabled() const { return m_modbus; }

    // Takes bytes as they arrive; requests completed by them are appended to out.
    void feed(const uint8_t* data, size_t count, std::vector<Request>& out);
    // The line has fallen quiet: a Modbus request of unknown length ends here, and whatever
    // else is unfinished is given up (after looking for frames inside it).
    void lineIdle(std::vector<Request>& out);

    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] size_t buffered() const { return m_size; }
    // Bytes dropped since construction while looking for a frame.
    [[nodiscard]] size_t discarded() const { return m_discarded; }

private:
    void scan(std::vector<Request>& out);
    [[nodiscard]] bool canStart(uint8_t byte) const;
    // Drops the first byte and everything up to the next byte that can start a frame.
    void resync();
    void consume(size_t count);
    void emit(Request::Kind kind, size_t frameSize, std::vector<Request>& out);

    std::array<uint8_t, kCapacity> m_buffer{};
    size_t m_size = 0;
    State m_state = State::seekStart;
    size_t m_expected = 0; // whole frame size once known
    bool m_modbus = false;
    size_t m_discarded = 0;
};

} // namespace quillan::sim
