#pragma once

#include "device/DeviceFrame.h"
#include "device/FrameReceiver.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillan::device {

class SerialLink;

// How the last receive ended.
enum class ReceiveStatus {
    ok,
    timeout,   // no byte for the whole reply time-out
    badFrame,  // a frame failed its length, start or CRC check; nothing completed it in time
    linkError, // the port failed, is closed, or there is none
    overflow,  // the buffer filled up, or noise went on for more than a buffer's worth
};

[[nodiscard]] const char* receiveStatusText(ReceiveStatus status);

// One request/reply conversation over a link with its own frame buffer, which holds the
// request while it is sent and then the reply. Used by one thread at a time.
class FrameEngine {
public:
    explicit FrameEngine(FrameSync sync, SerialLink* link = nullptr);
    virtual ~FrameEngine() = default;
    FrameEngine(const FrameEngine&) = delete;
    FrameEngine& operator=(const FrameEngine&) = delete;

    void setLink(SerialLink* link) { m_link = link; }
    [[nodiscard]] SerialLink* link() const { return m_link; }

    // Builds and sends one frame. payload may point into the frame buffer.
    [[nodiscard]] bool sendFrame(uint8_t command, const uint8_t* payload = nullptr,
                                 size_t length = 0);
    // Receives one reply and returns what the reply handler makes of it. timeoutMs bounds
    // each wait for bytes.
    [[nodiscard]] bool readReply(int timeoutMs);

    [[nodiscard]] ReceiveStatus lastReceiveStatus() const { return m_lastStatus; }
    // Command code of the last reply received, if the last receive completed.
    [[nodiscard]] std::optional<uint8_t> lastReplyCommand() const { return m_lastCommand; }
    [[nodiscard]] const std::array<uint8_t, FRAME_BUFFER_SIZE>& frameBuffer() const
    {
        return m_buffer;
    }
    void clearFrameBuffer() { m_buffer.fill(0); }

protected:
    // Receives one frame into the frame buffer (header at offset 0); when requiredCommand is
    // given, any other command is treated like a CRC mismatch.
    [[nodiscard]] ReceiveStatus receive(int timeoutMs,
                                        std::optional<uint8_t> requiredCommand = std::nullopt);
    // Runs before every receive: the Node engine clears its buffer and purges the port here.
    virtual void prepareReceive() {}
    // The engine's reply table.
    [[nodiscard]] virtual bool handleResponse(uint8_t command, const uint8_t* payload,
                                              size_t length) = 0;

    [[nodiscard]] const uint8_t* receivedPayload() const { return m_buffer.data() + 4; }
    [[nodiscard]] size_t receivedLength() const { return getLe16(m_buffer.data() + 2); }

private:
    SerialLink* m_link;
    FrameSync m_sync;
    ReceiveStatus m_lastStatus = ReceiveStatus::ok;
    std::optional<uint8_t> m_lastCommand;
    std::array<uint8_t, FRAME_BUFFER_SIZE> m_buffer{};
};

} // namespace quillan::device
