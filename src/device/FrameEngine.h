#pragma once

#include "device/DeviceFrame.h"
#include "device/DeviceServices.h"
#include "device/FrameReceiver.h"
#include "device/StopToken.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillan::device {

class SerialLink;
enum class WriteStatus;

// How the last receive, or the last reply, ended. The result codes of the device operations
// do not depend on it; it is the cause for the log.
enum class ReceiveStatus {
    ok,        // a complete frame; after readReply, one the reply handler accepted
    timeout,   // nothing that could start a frame came within the reply time-out
    truncated, // a frame started but stopped part-way, and nothing came for the reply time-out
    badFrame,  // a frame failed its length, start or CRC check; nothing completed it in time
    linkError, // the port failed, is closed, or there is none
    overflow,  // the buffer filled up, or noise went on for more than a buffer's worth
    cancelled, // the engine or its link was cancelled
    // A complete frame that does not count as success (readReply only):
    nak,          // CMD_NAK
    unknownReply, // a reply code this engine does not accept
    refused,      // the handler turned the reply down (a garbled block, a status not clear)
};

[[nodiscard]] const char* receiveStatusText(ReceiveStatus status);

// One request/reply conversation over a link with its own frame buffer, which holds the
// request while it is sent and then the reply. Used by one thread at a time (the owner);
// cancel() may come from any thread.
class FrameEngine {
public:
    explicit FrameEngine(FrameSync sync, SerialLink* link = nullptr);
    virtual ~FrameEngine() = default;
    FrameEngine(const FrameEngine&) = delete;
    FrameEngine& operator=(const FrameEngine&) = delete;

    void setLink(SerialLink* link) { m_link = link; }
    [[nodiscard]] SerialLink* link() const { return m_link; }
    // Shown each frame as it goes out and each complete frame that comes in; none by default.
    void setTrace(FrameTrace trace) { m_trace = std::move(trace); }

    // Builds and sends one frame. payload may point into the frame buffer.
    [[nodiscard]] bool sendFrame(uint8_t command, const uint8_t* payload = nullptr,
                                 size_t length = 0);
    // Receives one reply and returns what the reply handler makes of it. timeoutMs bounds
    // each wait for bytes. lastReceiveStatus() then tells why it failed.
    [[nodiscard]] bool readReply(int timeoutMs);

    // Stopping. cancel() may be called from any thread: it wakes the engine's current wait
    // (a read or write through the link, or a pause) and makes every later send, receive and
    // pause fail at once, until the owner calls resetCancel(). The cancel reaches the link as
    // well (that is what wakes a pending read) and stays on it until resetCancel() here or on
    // the link: the port is shared, so whoever stopped the worker clears it once the worker
    // has ended.
    void cancel();
    void resetCancel();
    [[nodiscard]] bool isCancelled() const { return m_stop->stopRequested(); }
    // Waits ms milliseconds, one of the fixed delays of a conversation; returns false, at once,
    // when cancelled.
    [[nodiscard]] bool pause(int ms) const { return m_stop->pause(ms); }
    // Stops with the work it is part of: token's stop is the engine's cancel from now on. The
    // token must outlive the engine's use of it; it does not reach the link by itself.
    void useStopToken(StopToken& token) { m_stop = &token; }

    [[nodiscard]] ReceiveStatus lastReceiveStatus() const { return m_lastStatus; }
    // How the last sendFrame's write ended, if it got as far as the link.
    [[nodiscard]] std::optional<WriteStatus> lastWriteStatus() const { return m_lastWrite; }
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
    // Runs before every send, once the frame is built: the Node engine purges the port here.
    virtual void prepareSend() {}
    // Runs before every receive: the Node engine clears its buffer here.
    virtual void prepareReceive() {}
    // The engine's reply table: ok, nak, unknownReply or refused.
    [[nodiscard]] virtual ReceiveStatus handleResponse(uint8_t command, const uint8_t* payload,
                                                       size_t length) = 0;
    // For readers with checks of their own after a receive.
    void setLastReceiveStatus(ReceiveStatus status) { m_lastStatus = status; }

    [[nodiscard]] const uint8_t* receivedPayload() const { return m_buffer.data() + 4; }
    [[nodiscard]] size_t receivedLength() const { return bytes::getU16(m_buffer.data() + 2); }

private:
    // Read by cancel() on other threads.
    std::atomic<SerialLink*> m_link;
    FrameSync m_sync;
    ReceiveStatus m_lastStatus = ReceiveStatus::ok;
    std::optional<WriteStatus> m_lastWrite;
    std::optional<uint8_t> m_lastCommand;
    FrameTrace m_trace;
    StopToken m_ownStop;
    StopToken* m_stop = &m_ownStop;
    std::array<uint8_t, FRAME_BUFFER_SIZE> m_buffer{};
};

} // namespace quillan::device
