#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillan::device {

// How a reader finds the start of a reply.
enum class FrameSync {
    firstByte, // the first byte received starts the frame; anything else fails its checks
    startByte, // bytes before the first 0xFF are dropped
};

// Assembles one reply frame in a caller's buffer as bytes arrive: start, header (start byte,
// command, length), payload with CRC, then complete. A frame whose length cannot fit or
// whose CRC (or command, when one is required) does not match is rejected: no resynchronising,
// later bytes only fill the buffer.
class FrameReceiver {
public:
    enum class State {
        seekStart, // startByte sync only: waiting for 0xFF
        header,    // waiting for the first four bytes
        payload,   // waiting for payload and CRC
        complete,  // a checked frame starts at the buffer's first byte
        rejected,  // a frame failed its checks; nothing more will complete
        overflow,  // the buffer is full, or too much noise came before a start byte
    };

    FrameReceiver(uint8_t* buffer, size_t capacity, FrameSync sync,
                  std::optional<uint8_t> requiredCommand = std::nullopt);

    // Where the next bytes go and how many to ask for: just what the current state needs,
    // so a reply ends as soon as its length and CRC check out.
    [[nodiscard]] uint8_t* writePosition() const { return m_buffer + m_gathered; }
    [[nodiscard]] size_t wanted() const;
    // Takes count bytes placed at writePosition().
    void take(size_t count);

    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] bool isComplete() const { return m_state == State::complete; }
    [[nodiscard]] uint8_t command() const { return m_buffer[1]; }
    [[nodiscard]] const uint8_t* payload() const { return m_buffer + 4; }
    [[nodiscard]] size_t payloadLength() const { return m_length; }
    [[nodiscard]] size_t gathered() const { return m_gathered; }
    [[nodiscard]] size_t discarded() const { return m_discarded; }

private:
    void advance();

    uint8_t* m_buffer;
    size_t m_capacity;
    std::optional<uint8_t> m_requiredCommand;
    State m_state;
    size_t m_gathered = 0;
    size_t m_length = 0;
    size_t m_discarded = 0;
};

} // namespace quillan::device
